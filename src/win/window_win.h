// Window: the base of every window and dialog of the program. It routes the
// window procedure to a member, keeps exceptions from crossing it (they are
// reported with the prompts the window was given), and offers
// the show, close-query and destroy events and message hooks to the
// components that serve a window (the settings stores).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "win/prompts_win.h"

namespace talkpost {

// One row of a window's layout table.
struct ControlRow {
    int id;
    const char* className;
    int x, y, width, height;
    const char* text;
    DWORD style;
    DWORD exStyle = 0;
};

class Window {
public:
    using MessageHook = std::function<void(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result)>;

    // prompts: where the window asks and tells the operator, and where a
    // failure that reaches its window procedure is reported.
    explicit Window(Prompts& prompts) : prompts_(prompts) {}
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    // The prompts the window was given, for the parts that serve it.
    Prompts& windowPrompts() const { return prompts_; }

    // Events the settings components chain into. Each component remembers the
    // handler it finds and puts its own in place.
    std::function<void()> onShow;
    std::function<void(bool& canClose)> onCloseQuery;
    std::function<void()> onDestroy;

    // Hooks that see every message after the window's own handling.
    int addMessageHook(MessageHook hook);
    void removeMessageHook(int token);

    // Shows the window: the show event first, then the window appears.
    void show(int showCommand = SW_SHOWNORMAL);

    // Runs the window modally over its owner until it closes; returns the
    // modal result set by endModal.
    int showModal();
    void endModal(int result);
    bool isModal() const { return modal_; }
    // True while the window lays itself out at a new scale and takes its new
    // size (a guard that holds the window's size lets it pass).
    bool rescaling() const { return rescaling_; }

    // Asks to close: the close-query event decides.
    void close() { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }

protected:
    // Registers the window class (once) and creates the window.
    void create(const char* className, DWORD exStyle, const char* title, DWORD style, int x, int y, int width,
                int height, HWND owner, HMENU menu, HBRUSH background = nullptr, HICON icon = nullptr);
    // Creates the controls of a layout table with the given font.
    void createControls(const ControlRow* rows, std::size_t count, HFONT font);

    // Lays the window out again at a new scale (designed pixels × dpi / 96):
    // its controls, fonts and pictures. Called on WM_DPICHANGED before the
    // window takes the suggested rectangle; windows call it themselves at
    // creation with the scale they start at.
    virtual void scaleTo(int dpi) { (void)dpi; }

    virtual LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT defaultHandle(UINT msg, WPARAM wparam, LPARAM lparam)
    {
        return DefWindowProcW(hwnd_, msg, wparam, lparam);
    }

    Prompts& prompts_;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT dispatch(UINT msg, WPARAM wparam, LPARAM lparam);

    HWND hwnd_ = nullptr;
    std::map<int, MessageHook> hooks_;
    int nextHook_ = 1;
    bool modal_ = false;
    bool rescaling_ = false;
    int modalResult_ = 0;
};

// Registers a window class of this module once; later calls find it
// registered. Its windows are Unicode windows: they take and give UTF-16.
void registerWindowClass(const char* className, WNDPROC procedure, HBRUSH background = nullptr,
                         HICON icon = nullptr, LPCSTR cursor = IDC_ARROW);

// Reports an exception that reached a window boundary in the standard error box.
void reportException(Prompts& prompts, HWND owner);

// Runs work on the thread of `window` (one of ours, a Window) and waits for
// it: at once when called on that thread; from a worker, handed over with a
// sent message, which the window's thread runs from the message loop it is
// in anyway. The way a worker shows something (a message box, a dialog) or
// reads and writes a window. What work throws is thrown here. Without a
// window, or once it is gone, work runs here and nothing is handed over.
void onWindowThread(HWND window, const std::function<void()>& work);

// Waits until `done` while this thread takes what workers hand it with
// onWindowThread, and nothing else (no posted message is dispatched): how a
// window's thread lets a worker end that may be handing it something.
void waitTakingHandOvers(const std::function<bool()>& done);

// Text of a window or control, in UTF-8.
std::string windowText(HWND hwnd);

}  // namespace talkpost
