// fileExec: the one place that starts another program. The shell starts the
// program of the system folder by its full path, never a file of that name
// that the search would find first in the program's folder or the current
// directory, while the file-system redirection of a 32-bit process on a
// 64-bit system is suspended, so the path and the paths in its parameters
// mean the native system folder.
#pragma once

#include <windows.h>

#include <string>

namespace talkpost {

// program: a file name of the system folder, such as "cmd.exe".
// Texts are UTF-8.
// Returns the shell's result (above 32 when the start succeeded), or 0
// when nothing was started: kernel32 lacks the redirection functions, the
// system folder is unknown or the name is no plain file name.
INT_PTR fileExec(const std::string& program, const std::string& parameters, int showMode);

// The same start as a process of its own (CreateProcessW, a console of its
// own in the show mode), keeping it: its handle (the caller closes it), or
// nullptr when nothing was started. What it starts is background work (the
// message commands): it runs below normal priority, and so do the programs it
// starts, so that the window's own thread wins the processor over them.
// (Wine keeps every process at the same Unix priority whatever the class.)
HANDLE fileExecProcess(const std::string& program, const std::string& parameters, int showMode);

}  // namespace talkpost
