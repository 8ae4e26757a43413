// The "SZDD" compressed file format that the platform's LZ expander reads:
// LZ77 over a 4,096-byte window, and a header that keeps the last character of
// the expanded file's name. Portable.
#pragma once

#include <string>

namespace talkpost::szdd {

// The whole compressed file for data; missingChar is the character the
// expanded name ends with ("updsetup.ex_" expands to "updsetup.exe" with 'e').
std::string compress(const std::string& data, char missingChar);

// The compressed file's name for a name: its last character becomes "_".
std::string compressedName(const std::string& name);

}  // namespace talkpost::szdd
