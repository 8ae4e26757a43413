// The worker timer: an interruptible timed wait on the worker, a blocking
// hand-over to the main thread through a message-only window.
//
// The worker is parked in an endless wait while the timer is disabled rather
// than suspended: a thread suspended at an arbitrary point may hold the heap
// or loader lock and stall the main thread.
#include "banner/worker_timer_win.h"

#include "win/text_win.h"
#include "win/win32_error_win.h"
#include "win/window_win.h"

namespace talkpost {
namespace {

constexpr UINT kTickMessage = WM_APP + 1;
constexpr const char* kHandOverClass = "TalkpostWorkerTimerHandOver";

}  // namespace

WorkerTimer::WorkerTimer()
{
    registerWindowClass(kHandOverClass, &WorkerTimer::handOverProc);
    handOver_ = CreateWindowExW(0, widen(kHandOverClass).c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (handOver_ == nullptr)
        throw Win32Error("Could not create the timer's window");
    SetWindowLongPtrA(handOver_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));

    wake_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!wake_) {
        DestroyWindow(handOver_);
        throw Win32Error("Could not create the timer's event");
    }
    worker_.reset(CreateThread(nullptr, 0, &WorkerTimer::workerEntry, this, 0, nullptr));
    if (!worker_) {
        DestroyWindow(handOver_);
        throw Win32Error("Could not start the timer's thread");
    }
}

WorkerTimer::~WorkerTimer()
{
    destroying_ = true;
    enabled_ = false;
    terminate_ = true;
    SetEvent(wake_.get());
    // The worker may be inside the hand-over, waiting for this thread: take
    // sent messages (which now run no handler) until it has ended.
    HANDLE worker = worker_.get();
    while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    SetWindowLongPtrA(handOver_, GWLP_USERDATA, 0);
    DestroyWindow(handOver_);
}

void WorkerTimer::setEnabled(bool value)
{
    if (value == enabled_)
        return;
    enabled_ = value;
    // Enabling ends the worker's current wait without a tick, so the next
    // wait runs a full interval; disabling sends it back to its endless wait.
    if (!value || interval_ != 0 || allowZero_)
        SetEvent(wake_.get());
}

void WorkerTimer::setInterval(unsigned milliseconds)
{
    if (milliseconds == interval_)
        return;
    bool wasEnabled = enabled_;
    setEnabled(false);
    interval_ = milliseconds;
    setEnabled(wasEnabled);
}

TimerPriority WorkerTimer::threadPriority() const
{
    return timerPriorityFromValue(GetThreadPriority(worker_.get()));
}

void WorkerTimer::setThreadPriority(TimerPriority priority)
{
    SetThreadPriority(worker_.get(), threadPriorityValue(priority));
}

DWORD WINAPI WorkerTimer::workerEntry(void* self)
{
    static_cast<WorkerTimer*>(self)->workerLoop();
    return 0;
}

void WorkerTimer::workerLoop()
{
    while (!terminate_) {
        unsigned interval = interval_;
        bool running = enabled_ && (interval != 0 || allowZero_);
        DWORD result = WaitForSingleObject(wake_.get(), running ? interval : INFINITE);
        if (terminate_)
            break;
        // Not a control message: the blocking hand-over of the tick to the
        // UI thread's hidden window, which returns once the tick is handled.
        if (result == WAIT_TIMEOUT)
            SendMessageA(handOver_, kTickMessage, 0, 0);
    }
}

void WorkerTimer::fireTick()
{
    if (!enabled_ || destroying_ || !onTimer)
        return;
    try {
        onTimer(*this);
    } catch (...) {
        // A tick's failure is dropped; the next tick comes as usual.
    }
}

LRESULT CALLBACK WorkerTimer::handOverProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == kTickMessage) {
        auto* self = reinterpret_cast<WorkerTimer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (self != nullptr)
            self->fireTick();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace talkpost
