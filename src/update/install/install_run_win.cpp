// Starting a program and waiting for it; the optional window shows the
// platform's file-copy animation and a message while it runs.
#include "update/install/install_run_win.h"

#include <windows.h>
#include <commctrl.h>

#include "win/controls_win.h"
#include "win/handles_win.h"

namespace talkpost::update {
namespace {

// The window's size, and the place of the animation and the message in it.
constexpr int kWindowWidth = 300, kWindowHeight = 170;
constexpr int kMargin = 10, kContentWidth = 272;
constexpr int kAnimationHeight = 60, kMessageGap = 8, kMessageHeight = 40;
// The resource of shell32.dll that holds the standard file-copy animation.
constexpr int kFileCopyAnimation = 161;
// A program's exit code becomes the thread's last error shifted by this much,
// above the platform's own error codes of the same numbers.
constexpr DWORD kExitCodeErrorBase = 8192;

// The small window centred on the screen with a dialog border.
class ProgressWindow {
public:
    explicit ProgressWindow(const RunWindow& w)
    {
        if (!w.show)
            return;
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_ANIMATE_CLASS};
        InitCommonControlsEx(&icc);
        int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
        window_ = CreateWindowExA(WS_EX_DLGMODALFRAME, "#32770", w.caption.c_str(), WS_POPUP | WS_CAPTION | WS_DLGFRAME,
                                  x, y, kWindowWidth, kWindowHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window_)
            return;
        Animation animation(CreateWindowExA(0, ANIMATE_CLASSA, "", WS_CHILD | WS_VISIBLE | ACS_TRANSPARENT | ACS_AUTOPLAY,
                                            kMargin, kMargin, kContentWidth, kAnimationHeight, window_, nullptr,
                                            GetModuleHandleA(nullptr), nullptr));
        RECT r{};
        if (animation) {
            shell_.reset(LoadLibraryExA("shell32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
            animation.open(shell_.get(), kFileCopyAnimation);
            // The animation sizes itself to its frames; the message goes below it.
            GetWindowRect(animation.hwnd(), &r);
            MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        }
        CreateWindowExA(0, "STATIC", w.message.c_str(), WS_CHILD | WS_VISIBLE, kMargin,
                        (animation ? r.bottom : kMargin) + kMessageGap, kContentWidth, kMessageHeight, window_, nullptr,
                        GetModuleHandleA(nullptr), nullptr);
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }
    ~ProgressWindow()
    {
        if (window_)
            DestroyWindow(window_);
    }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;
    bool shown() const { return window_ != nullptr; }

private:
    HWND window_ = nullptr;
    UniqueLibrary shell_;
};

// Starts the command and waits for its end; false when it could not be started.
bool runWithWindow(const std::string& command, bool showWindow, const RunWindow& window, DWORD& code)
{
    ProgressWindow progress(window);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showWindow ? SW_SHOW : SW_HIDE;
    PROCESS_INFORMATION pi{};
    std::string line = command;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &pi))
        return false;
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    // The window keeps painting while the program runs.
    while (progress.shown() &&
           MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    if (!GetExitCodeProcess(pi.hProcess, &code))
        code = 1;
    return true;
}

}  // namespace

bool runAndWait(const std::string& command, bool showWindow, const RunWindow& window,
                const std::function<void(const std::string&)>& status)
{
    if (status)
        status("Exec: " + command);
    DWORD code = 1;
    if (!runWithWindow(command, showWindow, window, code))
        return false;
    // Set last, after every handle and the window are gone, so nothing overwrites it.
    if (code != 0)
        SetLastError(code + kExitCodeErrorBase);
    return code == 0;
}

}  // namespace talkpost::update
