// The serial worker: tasks run one after another in the order given, on a
// thread other than the one that hands them over, and what is queued when
// the worker ends still runs.
#include "base/serial_worker.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace talkpost {
namespace {

TEST(SerialWorker, RunsEveryTaskInOrderOffTheCallersThreadBeforeItEnds)
{
    std::vector<int> ran;
    std::vector<std::thread::id> threads;
    {
        SerialWorker worker;
        for (int i = 0; i < 100; ++i)
            worker.post([&ran, &threads, i] {
                ran.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    }
    ASSERT_EQ(ran.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(ran[i], i);
        EXPECT_NE(threads[i], std::this_thread::get_id());
        EXPECT_EQ(threads[i], threads[0]);
    }
}

}  // namespace
}  // namespace talkpost
