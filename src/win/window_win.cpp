// Window base: class registration, the routed window procedure with its
// catch-all, the component events and a simple modal loop.
#include "win/window_win.h"

#include <exception>

#include "win/dpi_win.h"
#include "win/text_win.h"

namespace talkpost {

void reportException(Prompts& prompts, HWND owner)
{
    try {
        throw;
    } catch (const std::exception& e) {
        prompts.standardError(owner, e.what());
    } catch (...) {
        prompts.standardError(owner, "Unknown error");
    }
}

std::string windowText(HWND hwnd)
{
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return narrow(text);
}

Window::~Window()
{
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void registerWindowClass(const char* className, WNDPROC procedure, HBRUSH background, HICON icon, LPCSTR cursor)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    std::wstring name = widen(className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, name.c_str(), &wc))
        return;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = cursor != nullptr ? LoadCursorA(nullptr, cursor) : nullptr;
    wc.hbrBackground = background != nullptr ? background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.lpszClassName = name.c_str();
    RegisterClassExW(&wc);
}

void Window::create(const char* className, DWORD exStyle, const char* title, DWORD style, int x, int y,
                    int width, int height, HWND owner, HMENU menu, HBRUSH background, HICON icon)
{
    registerWindowClass(className, &Window::windowProc, background, icon);
    CreateWindowExW(exStyle, widen(className).c_str(), widen(title).c_str(), style, x, y, width, height, owner, menu,
                    GetModuleHandleW(nullptr), this);
}

void Window::createControls(const ControlRow* rows, std::size_t count, HFONT font)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (std::size_t i = 0; i < count; ++i) {
        const ControlRow& s = rows[i];
        HWND child = CreateWindowExW(s.exStyle, widen(s.className).c_str(), widen(s.text).c_str(), s.style | WS_CHILD,
                                     s.x, s.y, s.width, s.height, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.id)), instance, nullptr);
        if (child != nullptr && font != nullptr)
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

int Window::addMessageHook(MessageHook hook)
{
    int token = nextHook_++;
    hooks_[token] = std::move(hook);
    return token;
}

void Window::removeMessageHook(int token) { hooks_.erase(token); }

void Window::show(int showCommand)
{
    try {
        if (onShow)
            onShow();
    } catch (...) {
        reportException(prompts_, hwnd_);
    }
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
}

namespace {

// Enter on a focused push button presses it, as the dialog manager does in a
// dialog, whatever button is the window's default.
bool pressFocusedButton(HWND window, const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN)
        return false;
    HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(window, focus) ||
        !(SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        return false;
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
    return true;
}

// A key whose press closed a modal window must not reach the window behind
// it: its repeats and its release are dropped as they are taken from the
// queue, until the release has gone (or the key is pressed afresh).
HHOOK restOfKeyHook = nullptr;
WPARAM restOfKey = 0;

void stopDroppingKey()
{
    if (restOfKeyHook != nullptr)
        UnhookWindowsHookEx(restOfKeyHook);
    restOfKeyHook = nullptr;
}

LRESULT CALLBACK dropRestOfKey(int code, WPARAM removal, LPARAM lparam)
{
    HHOOK self = restOfKeyHook;
    // The hooks after this one see the key as it came (a test counts the
    // releases taken from the queue); only then is it dropped.
    LRESULT result = CallNextHookEx(self, code, removal, lparam);
    auto* msg = reinterpret_cast<MSG*>(lparam);
    if (code == HC_ACTION && removal == PM_REMOVE && msg->wParam == restOfKey) {
        bool down = msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN;
        bool up = msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP;
        bool repeat = down && (msg->lParam & (1L << 30)) != 0;
        if (down && !repeat) {
            stopDroppingKey();
        } else if (repeat || up) {
            msg->message = WM_NULL;
            if (up)
                stopDroppingKey();
        }
    }
    return result;
}

void dropRestOfKeyPress(WPARAM key)
{
    stopDroppingKey();
    restOfKey = key;
    restOfKeyHook = SetWindowsHookExA(WH_GETMESSAGE, &dropRestOfKey, nullptr, GetCurrentThreadId());
}

}  // namespace

int Window::showModal()
{
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    modal_ = true;
    modalResult_ = 0;
    if (owner != nullptr)
        EnableWindow(owner, FALSE);
    show(SW_SHOW);
    MSG msg;
    while (modal_) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!pressFocusedButton(hwnd_, msg) && !IsDialogMessageW(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!modal_ && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN))
            dropRestOfKeyPress(msg.wParam);
    }
    modal_ = false;
    if (owner != nullptr) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    ShowWindow(hwnd_, SW_HIDE);
    return modalResult_;
}

void Window::endModal(int result)
{
    modalResult_ = result;
    modal_ = false;
}

LRESULT Window::handle(UINT msg, WPARAM wparam, LPARAM lparam) { return defaultHandle(msg, wparam, lparam); }

LRESULT Window::dispatch(UINT msg, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = 0;
    try {
        switch (msg) {
        case WM_CLOSE: {
            bool canClose = true;
            if (onCloseQuery)
                onCloseQuery(canClose);
            if (canClose) {
                if (modal_)
                    endModal(IDCANCEL);
                else
                    DestroyWindow(hwnd_);
            }
            result = 0;
            break;
        }
        case WM_DPICHANGED: {
            // The new scale first, then the suggested rectangle: its size
            // change finds the controls already laid out at the new scale.
            // Children that lay themselves out hear of it afterwards, as
            // the system tells them on a monitor change.
            Dpi dpi(LOWORD(wparam));
            rememberDpi(hwnd_, dpi);
            rescaling_ = true;
            struct Done {
                bool& flag;
                ~Done() { flag = false; }
            } done{rescaling_};
            scaleTo(dpi.value());
            takeSuggestedRect(hwnd_, lparam);
            for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
                SendMessageA(child, kDpiChangedAfterParent, 0, 0);
            result = 0;
            break;
        }
        case WM_DESTROY:
            if (onDestroy)
                onDestroy();
            result = handle(msg, wparam, lparam);
            break;
        default:
            result = handle(msg, wparam, lparam);
            break;
        }
    } catch (...) {
        reportException(prompts_, hwnd_);
    }
    for (auto& [token, hook] : hooks_) {
        try {
            hook(msg, wparam, lparam, result);
        } catch (...) {
            reportException(prompts_, hwnd_);
        }
    }
    return result;
}

namespace {

// The hand-over of onWindowThread: the work and what it threw.
struct WindowThreadWork {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

UINT windowThreadMessage()
{
    static const UINT message = RegisterWindowMessageA("Talkpost.OnWindowThread");
    return message;
}

}  // namespace

void onWindowThread(HWND window, const std::function<void()>& work)
{
    DWORD owner = window != nullptr ? GetWindowThreadProcessId(window, nullptr) : 0;
    if (owner == 0 || owner == GetCurrentThreadId()) {
        work();
        return;
    }
    WindowThreadWork handed{&work, nullptr};
    // Answered by the window procedure of every Window; 1 when it ran.
    if (SendMessageA(window, windowThreadMessage(), 0, reinterpret_cast<LPARAM>(&handed)) != 1)
        work();  // the window went meanwhile: nothing is left to hand over to
    if (handed.failure)
        std::rethrow_exception(handed.failure);
}

void waitTakingHandOvers(const std::function<bool()>& done)
{
    // A worker's hand-over wakes the wait at once; `done` is looked at
    // again at least every few milliseconds.
    constexpr DWORD kLookAgainMs = 10;
    while (!done()) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, kLookAgainMs, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == windowThreadMessage() && msg != 0) {
        auto* handed = reinterpret_cast<WindowThreadWork*>(lparam);
        try {
            (*handed->work)();
        } catch (...) {
            handed->failure = std::current_exception();
        }
        return 1;
    }
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        self = static_cast<Window*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr)
        return DefWindowProcW(hwnd, msg, wparam, lparam);
    LRESULT result = self->dispatch(msg, wparam, lparam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace talkpost
