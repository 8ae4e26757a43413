// RunAndWait: starts a program, waits for its end and tells whether it ended
// with exit code 0.
#pragma once

#include <string>

namespace talkpost::update {

// showWindow chooses SW_SHOW or SW_HIDE for the program. A non-zero exit code
// sets the thread's last error to that code + 8192.
bool runAndWait(const std::string& command, bool showWindow);

}  // namespace talkpost::update
