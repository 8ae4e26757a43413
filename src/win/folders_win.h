// The system's folders, each asked for in one place: the process's current
// directory, the user's temporary folder and the Windows and system folders.
// Each ends without a backslash except where the platform's own answer is a
// drive root ("C:\").
#pragma once

#include <string>

namespace talkpost {

std::string currentDirectory();
// The user's temporary folder, ending in "\\" as the platform gives it.
std::string tempFolder();
std::string windowsFolder();
std::string systemFolder();

}  // namespace talkpost
