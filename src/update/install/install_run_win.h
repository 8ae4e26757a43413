// RunAndWait: starts a program, waits for its end and tells whether it ended
// with exit code 0, optionally with a small progress window.
#pragma once

#include <functional>
#include <string>

namespace talkpost::update {

struct RunWindow {
    bool show = false;  // the window with the file-copy animation
    std::string message;
    std::string caption;
};

// status receives "Exec: " + command before the start. showWindow chooses
// SW_SHOW or SW_HIDE for the program. A non-zero exit code sets the thread's
// last error to that code + 8192.
bool runAndWait(const std::string& command, bool showWindow, const RunWindow& window = {},
                const std::function<void(const std::string&)>& status = {});

}  // namespace talkpost::update
