// The one bound on message commands: the order in which queued commands
// start, across Sends and runs, and what Stop takes back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_queue.h"

namespace talkpost {
namespace {

// A script of what happens: "+<command>/<run>" queues, "-" one running command
// ends, "w<run>" withdraws a run's waiting commands, "b<n>" sets the bound.
// After each step, the commands that started (or were taken back, for "w").
struct QueueCase {
    const char* name;
    int bound;
    std::vector<std::string> script;
    std::vector<std::vector<std::uint64_t>> given;
    std::size_t running, waiting;
};

class CommandQueueTest : public testing::TestWithParam<QueueCase> {};

TEST_P(CommandQueueTest, StartsInTheOrderAskedWithinTheBound)
{
    const QueueCase& c = GetParam();
    CommandQueue queue(c.bound);
    ASSERT_EQ(c.script.size(), c.given.size());
    for (std::size_t i = 0; i < c.script.size(); ++i) {
        const std::string& step = c.script[i];
        std::vector<std::uint64_t> given;
        if (step[0] == '+') {
            std::size_t slash = step.find('/');
            queue.push(std::stoull(step.substr(1, slash - 1)), static_cast<unsigned>(std::stoul(step.substr(slash + 1))));
            given = queue.take();
        } else if (step[0] == '-') {
            queue.ended();
            given = queue.take();
        } else if (step[0] == 'w') {
            given = queue.withdraw(static_cast<unsigned>(std::stoul(step.substr(1))));
        } else {
            queue.setBound(std::stoi(step.substr(1)));
            given = queue.take();
        }
        EXPECT_EQ(given, c.given[i]) << "after " << step;
        if (step[0] != 'w' && !given.empty()) {
            EXPECT_LE(queue.running(), queue.bound()) << "a start over the bound after " << step;
        }
    }
    EXPECT_EQ(queue.running(), c.running);
    EXPECT_EQ(queue.waiting(), c.waiting);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandQueueTest,
    testing::Values(
        QueueCase{"WithinTheBoundEveryCommandStartsAtOnce", 3, {"+1/0", "+2/1", "+3/1"}, {{1}, {2}, {3}}, 3, 0},
        QueueCase{"OverTheBoundTheyWaitAndStartInOrderAsPlacesFree",
                  2,
                  {"+1/1", "+2/1", "+3/0", "+4/1", "+5/0", "-", "-", "-"},
                  {{1}, {2}, {}, {}, {}, {3}, {4}, {5}},
                  2, 0},
        QueueCase{"StopTakesBackOnlyItsRunsWaitingOnesAndTheOthersKeepTheirPlaces",
                  1,
                  {"+1/1", "+2/1", "+3/0", "+4/1", "+5/2", "+6/0", "w1", "-", "-", "-"},
                  {{1}, {}, {}, {}, {}, {}, {2, 4}, {3}, {5}, {6}},
                  1, 0},
        QueueCase{"ARunStartedAfterAStopWaitsForTheStoppedRunsCommandsToEnd",
                  2,
                  {"+1/1", "+2/1", "w1", "+3/2", "+4/2", "-", "-"},
                  {{1}, {2}, {}, {}, {}, {3}, {4}},
                  2, 0},
        QueueCase{"ALowerBoundEndsNothingButHoldsTheNextStarts",
                  3,
                  {"+1/0", "+2/0", "+3/0", "b1", "+4/0", "-", "-", "-"},
                  {{1}, {2}, {3}, {}, {}, {}, {}, {4}},
                  1, 0},
        QueueCase{"AHigherBoundStartsTheWaitingAtOnce", 1, {"+1/0", "+2/0", "+3/0", "b3"}, {{1}, {}, {}, {2, 3}}, 3, 0},
        QueueCase{"TheBoundIsClampedLikeParallelSends", 0, {"+1/0", "+2/0"}, {{1}, {}}, 1, 1}),
    [](const testing::TestParamInfo<QueueCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace talkpost
