// The worker timer: when ticks come, that they run on the main thread one at
// a time, and that errors and destruction end nothing else.
#include "banner/worker_timer_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "support/test_support_win.h"

namespace talkpost {
namespace {

using namespace std::chrono_literals;
using test::pumpFor;
using test::waitUntil;

// An interval no test waits for: a tick under it means the wait was cut short.
constexpr unsigned kNever = 600000;

struct TickCounter {
    explicit TickCounter(WorkerTimer& timer)
    {
        timer.onTimer = [this](WorkerTimer&) {
            ++ticks;
            if (GetCurrentThreadId() != mainThread)
                ++offThread;
        };
    }
    int ticks = 0;
    int offThread = 0;
    DWORD mainThread = GetCurrentThreadId();
};

TEST(WorkerTimer, StartsDisabledWithDefaults)
{
    WorkerTimer timer;
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(timer.interval(), 1000u);
    EXPECT_FALSE(timer.allowZero());
    EXPECT_EQ(timer.threadPriority(), TimerPriority::Normal);
}

TEST(WorkerTimer, FirstTickWaitsOneIntervalThenRunsOnTheMainThread)
{
    WorkerTimer timer;
    TickCounter counter(timer);
    timer.setInterval(kNever);
    timer.setEnabled(true);
    pumpFor(500ms);
    EXPECT_EQ(counter.ticks, 0) << "enabling must not tick at once";

    timer.setInterval(50);
    EXPECT_TRUE(waitUntil([&] { return counter.ticks >= 3; }));
    EXPECT_EQ(counter.offThread, 0);
}

TEST(WorkerTimer, EnablingAgainNeitherRestartsNorAddsTicks)
{
    WorkerTimer timer;
    TickCounter counter(timer);
    timer.setInterval(300);
    timer.setEnabled(true);
    // Were every enabling a restart, no tick could ever come.
    EXPECT_TRUE(waitUntil([&] {
        timer.setEnabled(true);
        return counter.ticks >= 1;
    }));
}

TEST(WorkerTimer, ChangingTheIntervalRestartsTheWaitButTheSameValueDoesNot)
{
    WorkerTimer timer;
    TickCounter counter(timer);
    timer.setInterval(kNever);
    timer.setEnabled(true);
    timer.setInterval(300);
    EXPECT_TRUE(waitUntil([&] {
        timer.setInterval(300);
        return counter.ticks >= 1;
    }));
    EXPECT_TRUE(timer.enabled());
}

TEST(WorkerTimer, DisablingStopsTicksAndReenablingWaitsAFullInterval)
{
    WorkerTimer timer;
    TickCounter counter(timer);
    timer.setInterval(20);
    timer.setEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return counter.ticks >= 1; }));
    timer.setEnabled(false);
    int seen = counter.ticks;
    pumpFor(300ms);
    EXPECT_EQ(counter.ticks, seen);

    timer.setInterval(kNever);
    timer.setEnabled(true);
    pumpFor(300ms);
    EXPECT_EQ(counter.ticks, seen);
}

TEST(WorkerTimer, ZeroIntervalTicksOnlyWhenAllowed)
{
    WorkerTimer timer;
    TickCounter counter(timer);
    timer.setInterval(0);
    timer.setEnabled(true);
    pumpFor(300ms);
    EXPECT_EQ(counter.ticks, 0);

    timer.setEnabled(false);
    timer.setAllowZero(true);
    timer.setEnabled(true);
    EXPECT_TRUE(waitUntil([&] { return counter.ticks >= 20; }));
}

TEST(WorkerTimer, AThrowingHandlerIsCalledAgainAndNothingIsShown)
{
    WorkerTimer timer;
    int calls = 0;
    timer.onTimer = [&](WorkerTimer&) {
        ++calls;
        throw std::runtime_error("tick failed");
    };
    timer.setInterval(30);
    timer.setEnabled(true);
    EXPECT_TRUE(waitUntil([&] { return calls >= 3; }));
    // The timer has no prompts to show a failure with: no box came up either.
    EXPECT_EQ(test::findProcessWindow(GetCurrentProcessId(), "#32770"), nullptr)
        << test::describeWindowsOf(GetCurrentProcessId());
}

TEST(WorkerTimer, ASlowHandlerGetsNoOverlappingCalls)
{
    WorkerTimer timer;
    int calls = 0;
    int overlaps = 0;
    bool inside = false;
    timer.onTimer = [&](WorkerTimer&) {
        if (inside)
            ++overlaps;
        inside = true;
        ++calls;
        // Longer than the interval, and taking messages meanwhile.
        pumpFor(100ms);
        inside = false;
    };
    timer.setInterval(5);
    timer.setEnabled(true);
    EXPECT_TRUE(waitUntil([&] { return calls >= 4; }));
    EXPECT_EQ(overlaps, 0);
}

TEST(WorkerTimer, DestroyingARunningTimerRunsNoFurtherHandler)
{
    int calls = 0;
    {
        auto timer = std::make_unique<WorkerTimer>();
        timer->onTimer = [&](WorkerTimer&) { ++calls; };
        timer->setAllowZero(true);
        timer->setInterval(0);
        timer->setEnabled(true);
        ASSERT_TRUE(waitUntil([&] { return calls >= 5; }));
        // Destroyed while the worker is most likely inside a hand-over.
        timer.reset();
    }
    int seen = calls;
    pumpFor(300ms);
    EXPECT_EQ(calls, seen);
}

TEST(WorkerTimer, PriorityIsSetOnTheWorkerAndReadBack)
{
    WorkerTimer timer;
    for (TimerPriority p : {TimerPriority::Lowest, TimerPriority::Higher, TimerPriority::Normal}) {
        timer.setThreadPriority(p);
        EXPECT_EQ(timer.threadPriority(), p);
    }
}

}  // namespace
}  // namespace talkpost
