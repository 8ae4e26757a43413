// fileExec: the one place that starts another program. The shell starts the
// file with its parameters while the file-system redirection of a 32-bit
// process on a 64-bit system is suspended, so "cmd.exe" and the paths in its
// parameters mean the native system folder.
#pragma once

#include <windows.h>

#include <string>

namespace talkpost {

// Returns ShellExecuteA's result (above 32 when the start succeeded), or 0
// when kernel32 lacks the redirection functions and nothing was started.
INT_PTR fileExec(const std::string& file, const std::string& parameters, int showMode);

// The same start, keeping the started process: its handle (the caller closes
// it), or nullptr when nothing was started or the shell gave no process.
HANDLE fileExecProcess(const std::string& file, const std::string& parameters, int showMode);

}  // namespace talkpost
