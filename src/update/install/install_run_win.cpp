// Starting a program and waiting for its end.
#include "update/install/install_run_win.h"

#include <windows.h>

#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

// A program's exit code becomes the thread's last error shifted by this much,
// above the platform's own error codes of the same numbers.
constexpr DWORD kExitCodeErrorBase = 8192;

}  // namespace

bool runAndWait(const std::string& command, bool showWindow)
{
    DWORD code = 1;
    {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = showWindow ? SW_SHOW : SW_HIDE;
        PROCESS_INFORMATION pi{};
        std::wstring line = widen(command);
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                            &startup, &pi))
            return false;
        UniqueHandle process(pi.hProcess), thread(pi.hThread);
        WaitForSingleObject(pi.hProcess, INFINITE);
        if (!GetExitCodeProcess(pi.hProcess, &code))
            code = 1;
    }
    // Set last, after every handle is closed, so nothing overwrites it.
    if (code != 0)
        SetLastError(code + kExitCodeErrorBase);
    return code == 0;
}

}  // namespace talkpost::update
