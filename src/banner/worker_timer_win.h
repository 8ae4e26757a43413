// WorkerTimer: a timer whose clock is a worker thread of its own. The worker
// sleeps for the interval and then hands the tick to the thread that created
// the timer (the main thread) and waits until the handler there has run, so
// ticks never queue up and a slow handler stretches the period.
// Create, use and destroy it on the main thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "banner/timer_priority.h"
#include "win/handles_win.h"

namespace talkpost {

class WorkerTimer {
public:
    using Handler = std::function<void(WorkerTimer&)>;

    WorkerTimer();
    ~WorkerTimer();
    WorkerTimer(const WorkerTimer&) = delete;
    WorkerTimer& operator=(const WorkerTimer&) = delete;

    // The first tick comes one full interval after enabling.
    bool enabled() const { return enabled_; }
    void setEnabled(bool value);

    // Milliseconds the worker sleeps before each tick (default 1000);
    // changing it on a running timer restarts the wait.
    unsigned interval() const { return interval_; }
    void setInterval(unsigned milliseconds);

    // Whether an interval of 0 runs (ticks as fast as the main thread takes them).
    bool allowZero() const { return allowZero_; }
    void setAllowZero(bool value) { allowZero_ = value; }

    TimerPriority threadPriority() const;
    void setThreadPriority(TimerPriority priority);

    // Runs on the main thread; whatever it throws is dropped.
    Handler onTimer;

private:
    static DWORD WINAPI workerEntry(void* self);
    static LRESULT CALLBACK handOverProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    void workerLoop();
    void fireTick();

    std::atomic<bool> enabled_{false};
    std::atomic<unsigned> interval_{1000};
    std::atomic<bool> allowZero_{false};
    std::atomic<bool> terminate_{false};
    bool destroying_ = false;
    HWND handOver_ = nullptr;  // message-only window of the main thread
    UniqueHandle wake_;        // auto-reset: ends the worker's wait without a tick
    UniqueHandle worker_;
};

}  // namespace talkpost
