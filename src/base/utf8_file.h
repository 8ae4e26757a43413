// Opening a file named by a UTF-8 path, for the portable code that reads and
// writes files itself: on Windows through the wide name, so that a folder
// outside the ANSI code page works. Portable.
#pragma once

#include <cstdio>
#include <string>

namespace talkpost {

// std::fopen's modes and result (nullptr when it cannot be opened).
std::FILE* openFile(const std::string& utf8Path, const char* mode);

}  // namespace talkpost
