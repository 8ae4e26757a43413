// SerialWorker: one thread that runs the tasks handed to it, one after
// another in the order given. The owner hands work over and goes on; the
// worker tells the owner itself (a posted message) when a task has ended.
// Portable.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace talkpost {

class SerialWorker {
public:
    SerialWorker() : thread_([this] { run(); }) {}
    // Runs what is queued still, then ends the thread.
    ~SerialWorker()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // A task must not throw: nothing on the worker's side could report it.
    void post(std::function<void()> task)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
    }

private:
    void run()
    {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
                if (tasks_.empty())
                    return;
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool ending_ = false;
    std::thread thread_;  // last: it starts once everything above is made
};

}  // namespace talkpost
