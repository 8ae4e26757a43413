// The system's folders, each asked for in one place: the process's current
// directory, the user's temporary folder and the Windows and system folders.
// Each ends without a backslash except where the platform's own answer is a
// drive root ("C:\"). Paths are UTF-8: a user's folders may leave the ANSI
// code page, so they go back to the platform through the W functions.
#pragma once

#include <string>

namespace talkpost {

std::string currentDirectory();
// The user's temporary folder, ending in "\\" as the platform gives it.
std::string tempFolder();
std::string windowsFolder();
std::string systemFolder();
// A program of the system folder by its full path, so that no program of the
// same name in the program's folder, the current directory or the search
// path is started instead. In a 32-bit process on a 64-bit system the path
// reaches the native folder only while the file-system redirection is
// suspended (the launcher does that); otherwise it reaches the folder the
// system keeps for 32-bit programs, which is no less the system's own.
// Empty when the system folder is unknown.
std::string systemProgramPath(const std::string& fileName);

}  // namespace talkpost
