// The characters of UTF-8 text, the one encoding of the portable code: read
// as code points, counted, and carried over into a code page that holds only
// some of them. Portable.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace talkpost {

// The code points of the text; every byte that starts no well-formed
// sequence stands for one U+FFFD.
std::u32string codePoints(std::string_view utf8);

// The UTF-8 bytes of code points.
std::string utf8Of(std::u32string_view characters);
// Appends one code point to UTF-8 text.
void appendUtf8(std::string& out, char32_t c);

// The number of characters (code points) of the text, as codePoints reads them.
std::size_t characterCount(std::string_view utf8);

// Text carried over into a code page.
struct CodePageText {
    std::string bytes;
    // The characters the code page could not carry, each once, in the
    // order they first appear (UTF-8); empty when everything was carried.
    std::string uncarried;
};

// Carries the text over character by character: ASCII stays as it is (every
// ANSI code page holds it unchanged), any other character takes the bytes
// `encode` gives it, and one it gives none becomes "?".
CodePageText toCodePage(std::string_view utf8, const std::function<std::optional<std::string>(char32_t)>& encode);

}  // namespace talkpost
