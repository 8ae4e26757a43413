// Win32Error: an AppError that captures GetLastError and the system's text for it.
#pragma once

#include <windows.h>

#include <string>

#include "base/app_error.h"

namespace talkpost {

// The system's message text for an error code, without the trailing line break.
std::string systemErrorText(DWORD code);

class Win32Error : public AppError {
public:
    // what(): "<context>: <system text>" (or the system text alone without context).
    explicit Win32Error(const std::string& context = {}, DWORD code = GetLastError());
    DWORD code() const { return code_; }

private:
    DWORD code_;
};

}  // namespace talkpost
