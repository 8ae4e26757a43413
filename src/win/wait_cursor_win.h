// WaitCursor: the hourglass while a long step runs on the window's thread;
// the previous cursor comes back on every path out.
#pragma once

#include <windows.h>

namespace talkpost {

class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace talkpost
