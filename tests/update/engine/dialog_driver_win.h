// Drives a modal dialog from a second thread while the test's thread runs
// it: waits for the window with a caption, then acts on it the way a person
// would (typing into fields, pressing buttons, real keys).
#pragma once

#include <windows.h>

#include "support/test_support_win.h"
#include "win/controls_win.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace talkpost::test {

class DialogDriver {
public:
    // Starts waiting for a top-level window with this caption; when it is
    // visible, act(window) runs on the driver's thread. When it never shows
    // up, seen() stays false and the dialogs of the thread that made the
    // driver are closed, so that a modal loop there cannot wait for ever.
    DialogDriver(std::string caption, std::function<void(HWND)> act)
        : thread_([this, caption = std::move(caption), act = std::move(act), owner = GetCurrentThreadId()] {
              HWND window = nullptr;
              if (test::waitUntil(
                      [&] {
                          window = FindWindowA(nullptr, caption.c_str());
                          return window != nullptr && IsWindowVisible(window);
                      },
                      std::chrono::seconds(30))) {
                  seen_ = true;
                  act(window);
              } else {
                  closeDialogsOf(owner);
              }
          })
    {
    }
    ~DialogDriver()
    {
        if (thread_.joinable())
            thread_.join();
    }
    bool seen() const { return seen_; }

    static void type(HWND dialog, int controlId, const std::string& text)
    {
        Edit(GetDlgItem(dialog, controlId)).setText(text);
    }
    static void press(HWND dialog, int buttonId)
    {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
    }
    // A real key stroke (with Alt when asked) through the system's input.
    static void key(HWND dialog, WORD virtualKey, bool alt = false)
    {
        SetForegroundWindow(dialog);
        INPUT inputs[4] = {};
        int n = 0;
        auto add = [&](WORD vk, DWORD flags) {
            inputs[n].type = INPUT_KEYBOARD;
            inputs[n].ki.wVk = vk;
            inputs[n].ki.dwFlags = flags;
            ++n;
        };
        if (alt)
            add(VK_MENU, 0);
        add(virtualKey, 0);
        add(virtualKey, KEYEVENTF_KEYUP);
        if (alt)
            add(VK_MENU, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(n), inputs, sizeof(INPUT));
    }

private:
    static void closeDialogsOf(DWORD thread)
    {
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM) -> BOOL {
                char name[16] = {};
                if (GetClassNameA(window, name, sizeof name) > 0 && std::string(name) == "#32770")
                    PostMessageA(window, WM_CLOSE, 0, 0);
                return TRUE;
            },
            0);
    }

    std::atomic<bool> seen_{false};
    std::thread thread_;
};

}  // namespace talkpost::test
