// The plan of Send to all: walk order, the launch limit, stop, failures and
// the counts, driven as the window drives it (echoes in any order, ends).
#include <gtest/gtest.h>

#include "app/send_to_all_plan.h"

namespace talkpost {
namespace {

// A compact script of what happens, and the steps the plan gives in answer:
// "L<i>" launch, "S<i>" a log line, "F<i>" fail.
std::string stepsText(const std::vector<PlanStep>& steps)
{
    std::string text;
    for (const PlanStep& step : steps) {
        text += step.action == PlanAction::Launch ? "L" : step.action == PlanAction::Log ? "S" : "F";
        text += std::to_string(step.index) + " ";
    }
    return text;
}

struct Event {
    enum Kind { Answered, Silent, NotFound, Failed, Ended, NotDelivered, Stop } kind;
    std::size_t index = 0;
};

struct PlanCase {
    const char* name;
    std::vector<std::string> entries;
    int parallel;
    std::vector<Event> events;
    std::vector<std::string> steps;  // after each event
    SendToAllCounts counts;
    bool finished;
    std::optional<std::size_t> lastWalked;
};

class SendToAllPlanTest : public testing::TestWithParam<PlanCase> {};

TEST_P(SendToAllPlanTest, WalksInListOrderWithinTheLimit)
{
    const PlanCase& c = GetParam();
    SendToAllPlan plan(c.entries, c.parallel);
    ASSERT_EQ(c.events.size(), c.steps.size());
    for (std::size_t i = 0; i < c.events.size(); ++i) {
        const Event& e = c.events[i];
        switch (e.kind) {
        case Event::Answered: plan.echoed(e.index, EchoOutcome::Answered); break;
        case Event::Silent: plan.echoed(e.index, EchoOutcome::Silent); break;
        case Event::NotFound: plan.echoed(e.index, EchoOutcome::NotFound); break;
        case Event::Failed: plan.echoed(e.index, EchoOutcome::Failed, "no icmp"); break;
        case Event::Ended: plan.ended(e.index, true); break;
        case Event::NotDelivered: plan.ended(e.index, false); break;
        case Event::Stop: plan.stop(); break;
        }
        EXPECT_EQ(stepsText(plan.takeSteps()), c.steps[i]) << "after event " << i;
        EXPECT_LE(plan.running(), static_cast<std::size_t>(c.parallel));
    }
    EXPECT_EQ(plan.counts().delivered, c.counts.delivered);
    EXPECT_EQ(plan.counts().notDelivered, c.counts.notDelivered);
    EXPECT_EQ(plan.counts().silent, c.counts.silent);
    EXPECT_EQ(plan.counts().notFound, c.counts.notFound);
    EXPECT_EQ(plan.finished(), c.finished);
    EXPECT_EQ(plan.lastWalked(), c.lastWalked);
}

using E = Event;
INSTANTIATE_TEST_SUITE_P(
    Cases, SendToAllPlanTest,
    testing::Values(
        PlanCase{"EchoesOutOfOrderLaunchInListOrder",
                 {"a", "b", "c"}, 8,
                 {{E::Answered, 2}, {E::Answered, 1}, {E::Answered, 0}, {E::Ended, 1}, {E::Ended, 0}, {E::Ended, 2}},
                 {"", "", "L0 L1 L2 ", "", "", ""},
                 {3, 0, 0, 0}, true, 2},
        PlanCase{"TheLimitHoldsTheRestInOrderUntilOneEnds",
                 {"a", "b", "c", "d"}, 2,
                 {{E::Answered, 0}, {E::Answered, 1}, {E::Answered, 2}, {E::Answered, 3}, {E::Ended, 1}, {E::NotDelivered, 0},
                  {E::Ended, 2}, {E::Ended, 3}},
                 {"L0 ", "L1 ", "", "", "L2 ", "L3 ", "", ""},
                 {3, 1, 0, 0}, true, 3},
        PlanCase{"SilentEntriesPassWithoutTakingAPlace",
                 {"a", "b", "c"}, 1,
                 {{E::Silent, 0}, {E::Answered, 2}, {E::Silent, 1}, {E::Ended, 2}},
                 {"", "", "L2 ", ""},
                 {1, 0, 2, 0}, true, 2},
        PlanCase{"AnUnsafeNameIsSkippedWithoutWaitingForItsEcho",
                 {"a&calc", "b"}, 4,
                 {{E::Answered, 1}, {E::Ended, 1}},
                 {"S0 L1 ", ""},
                 {1, 1, 0, 0}, true, 1},
        PlanCase{"AFailureEndsTheWalkAtItsEntryWhileLaunchedOnesReport",
                 {"a", "b", "c"}, 4,
                 {{E::Answered, 0}, {E::Failed, 1}, {E::Answered, 2}, {E::Ended, 0}},
                 {"L0 ", "F1 ", "", ""},
                 {1, 0, 0, 0}, true, 1},
        PlanCase{"StopLaunchesNothingMoreButLaunchedOnesStillReport",
                 {"a", "b", "c", "d"}, 1,
                 {{E::Answered, 0}, {E::Answered, 1}, {E::Stop, 0}, {E::Ended, 0}, {E::Answered, 2}},
                 {"L0 ", "", "", "", ""},
                 {1, 0, 0, 0}, true, 0},
        PlanCase{"AnUnknownNameGetsItsLineInListOrderWithoutTakingAPlace",
                 {"a", "gone", "c", "d"}, 1,
                 {{E::NotFound, 1}, {E::Answered, 0}, {E::Answered, 2}, {E::NotFound, 3}, {E::Ended, 0}, {E::Ended, 2}},
                 {"", "L0 S1 ", "", "", "L2 S3 ", ""},
                 {2, 0, 0, 2}, true, 3},
        PlanCase{"AnEmptyListIsFinishedAtOnce", {}, 32, {}, {}, {0, 0, 0, 0}, true, std::nullopt},
        PlanCase{"UnfinishedWhileACommandRuns",
                 {"a"}, 32,
                 {{E::Answered, 0}, {E::Answered, 0}},
                 {"L0 ", ""},
                 {0, 0, 0, 0}, false, 0}),
    [](const testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

TEST(SendToAllPlanStop, CountsTheEntriesNotSent)
{
    SendToAllPlan plan({"a", "b", "c", "d", "e"}, 1);
    plan.echoed(0, EchoOutcome::Answered);
    plan.echoed(1, EchoOutcome::Answered);
    plan.echoed(3, EchoOutcome::Silent);
    plan.takeSteps();
    EXPECT_EQ(plan.done(), 0u);
    EXPECT_EQ(plan.stop(), 4u) << "b waits for a place; c, d and e were not reached";
    EXPECT_TRUE(plan.walkOver());
    EXPECT_FALSE(plan.finished());
    EXPECT_EQ(plan.stop(), 0u) << "a second stop changes nothing";
    plan.ended(0, true);
    EXPECT_TRUE(plan.finished());
    EXPECT_EQ(plan.done(), 1u);
}

TEST(SendToAllPlanStop, CommandsTakenBackBeforeTheyStartedCountAsNotSent)
{
    SendToAllPlan plan({"a", "b", "c", "d"}, 3);
    for (std::size_t i = 0; i < 4; ++i)
        plan.echoed(i, EchoOutcome::Answered);
    EXPECT_EQ(plan.takeSteps().size(), 3u);
    // a started; b and c still waited for their turn when the run was stopped.
    EXPECT_EQ(plan.stop({1, 2}), 3u) << "b and c taken back, d not reached";
    EXPECT_EQ(plan.running(), 1u);
    plan.ended(1, true);  // a taken-back command never ends: a stray report changes nothing
    EXPECT_EQ(plan.counts().delivered, 0u);
    plan.ended(0, true);
    EXPECT_TRUE(plan.finished());
    EXPECT_EQ(plan.done(), 1u);
}

TEST(SendToAllPlanLimits, ParallelSendsFromTheSettingsFile)
{
    const std::pair<const char*, int> cases[] = {
        {"", 32},   {"16", 16},  {"1", 1},     {"256", 256}, {"0", 1},     {"257", 256}, {"99999999999", 256},
        {"-4", 32}, {"abc", 32}, {"16x", 32}, {" 8 ", 8},    {"0016", 16},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(parallelSendsValue(text), value) << text;
}

TEST(SendToAllTexts, ProgressStopAndSummary)
{
    EXPECT_EQ(sendToAllProgress(12, 600), "Send to all: 12 of 600");
    EXPECT_EQ(sendToAllStoppedLine(7), "Send to all stopped: 7 not sent");
    EXPECT_EQ(sendToAllSummary({290, 10, 300, 7}, 41.26),
              "Send to all: 290 delivered, 10 not delivered, 300 silent, 7 not found, in 41.3 s");
    EXPECT_EQ(sendToAllSummary({}, 0), "Send to all: 0 delivered, 0 not delivered, 0 silent, 0 not found, in 0.0 s");
    EXPECT_EQ(notFoundLine("pc7.example"), "pc7.example: not found");
}

}  // namespace
}  // namespace talkpost
