// Text between a code page (UTF-8, the portable code's, or the ANSI code
// page) and the UTF-16 of the W functions: the one place the conversions
// are made.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "base/utf8_text.h"

namespace talkpost {

// The text of the code page in UTF-16.
std::wstring widen(std::string_view text, UINT codePage = CP_UTF8);

// UTF-16 text in the code page; in the ANSI code page a character without a
// place there becomes the nearest look-alike the platform knows.
std::string narrow(std::wstring_view text, UINT codePage = CP_UTF8);

// UTF-16 text in the ANSI code page with no look-alikes: a character without
// a place there becomes the default character, and carried (when given) is
// false then.
std::string narrowToAnsiExactly(std::wstring_view text, bool* carried = nullptr);

// Text of the ANSI code page (the update control file, files of the earlier
// version) in UTF-8, as the windows and boxes take it.
std::string ansiToUtf8(std::string_view text);

// UTF-8 text in the ANSI code page, as the files that must stay in it (the
// message file msg.exe reads) take it: the characters the code page holds
// become their bytes there, any other a "?" (never a look-alike), and those
// are listed.
CodePageText toAnsiCodePage(std::string_view utf8);

}  // namespace talkpost
