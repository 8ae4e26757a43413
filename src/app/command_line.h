// Splitting the program's command line into arguments, by our own rules
// rather than the C runtime's. Portable.
#pragma once

#include <string>
#include <vector>

namespace talkpost {

inline constexpr std::size_t kMaxArgumentLength = 4096;

// Arguments are separated by runs of blanks and control characters; a
// double-quoted stretch may hold blanks and the quotes are dropped; an empty
// pair of quotes at the start of an argument is skipped. An argument longer
// than 4096 characters is cut to its first 4096.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The program's own arguments: the split without the program name (element 0).
std::vector<std::string> programArguments(const std::string& commandLine);

}  // namespace talkpost
