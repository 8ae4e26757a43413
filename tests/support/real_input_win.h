// Real keyboard and pointer input for the tests under Wine. xdotool drives the
// X server that Wine's windows live on, so a key passes the platform's input
// queue, the message loop and the dialog manager exactly as a person's key
// does; a key message sent to a control skips all three.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "win/window_win.h"

namespace talkpost::test {

// Key names as xdotool takes them: "Tab", "Return", "space", "F2", "alt+t", "shift+Tab".
using Keys = std::vector<std::string>;
// One key sequence after the other.
inline Keys operator+(Keys first, const Keys& then)
{
    first.insert(first.end(), then.begin(), then.end());
    return first;
}
// The letters and digits of a lower-case text as keys.
inline Keys typed(const std::string& text)
{
    Keys keys;
    for (char c : text)
        keys.push_back(std::string(1, c));
    return keys;
}

// One run of xdotool commands, started without waiting (a modal loop of the
// program under test must be free to take the input while it arrives).
class XdotoolRun {
public:
    // Each command is one xdotool call: its arguments separated by spaces.
    explicit XdotoolRun(const std::vector<std::string>& commands);
    ~XdotoolRun();
    XdotoolRun(const XdotoolRun&) = delete;
    XdotoolRun& operator=(const XdotoolRun&) = delete;

    bool started() const { return started_; }
    // Pumps this thread's messages until every command has run; true when all succeeded.
    bool wait(std::chrono::milliseconds limit = std::chrono::seconds(20)) const;

private:
    std::string folder_;
    std::string doneFile_;
    bool started_ = false;
};

// Counts the key releases this thread's message loops take from the input queue,
// so that a test knows when the keys it pressed have all been handled.
class KeyReleaseCounter {
public:
    KeyReleaseCounter();
    ~KeyReleaseCounter();
    KeyReleaseCounter(const KeyReleaseCounter&) = delete;
    KeyReleaseCounter& operator=(const KeyReleaseCounter&) = delete;
    int count() const;

private:
    HHOOK hook_ = nullptr;
};

// What a test does on the keyboard: xdotool calls, and how many key releases they make.
struct KeyInput {
    std::vector<std::string> commands;
    int releases = 0;
};
// The keys pressed one after the other ("alt+t" presses and releases two).
KeyInput pressed(const Keys& keys);
// One key held down for a while before it is released (the keyboard repeats it meanwhile).
KeyInput held(const std::string& key, std::chrono::milliseconds duration);
KeyInput operator+(KeyInput first, const KeyInput& then);

// Presses the keys on the window and waits until this thread has taken every
// release from its queue (and handled what the keys posted). For windows whose
// keys need no dialog manager, or while a modal loop runs further up the stack.
bool pressKeys(HWND window, const KeyInput& input);
inline bool pressKeys(HWND window, const Keys& keys) { return pressKeys(window, pressed(keys)); }

// Shows the window modally and presses the keys once its modal loop runs, so
// that they pass that loop's dialog manager. Returns the modal result, or -1
// when the window was still open after the limit.
int runModalWithKeys(Window& window, const KeyInput& input, std::chrono::milliseconds limit = std::chrono::seconds(30));
inline int runModalWithKeys(Window& window, const Keys& keys) { return runModalWithKeys(window, pressed(keys)); }

// Waits until the window's top-level window is on the X screen (viewable),
// which Wine may report shown and active before: only then can it take the
// keyboard focus that pressKeys gives it.
bool waitUntilOnScreen(HWND window);

// Moves the pointer to a point of the screen and waits until the move is done.
bool movePointerTo(POINT screen);

}  // namespace talkpost::test
