// Reading, counting and carrying over UTF-8 text.
#include "base/utf8_text.h"

namespace talkpost {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point at text[i], moving i past it.
char32_t next(std::string_view text, std::size_t& i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07u, least = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + length > text.size()) {
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80) {
            ++i;
            return kReplacement;
        }
        value = (value << 6) | (byte(i + k) & 0x3Fu);
    }
    // Overlong forms, surrogates and values past the last code point read as one bad byte.
    if (value < least || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        ++i;
        return kReplacement;
    }
    i += length;
    return value;
}

}  // namespace

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u32string codePoints(std::string_view utf8)
{
    std::u32string result;
    result.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        result += next(utf8, i);
    return result;
}

std::string utf8Of(std::u32string_view characters)
{
    std::string result;
    result.reserve(characters.size());
    for (char32_t c : characters)
        appendUtf8(result, c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) ? kReplacement : c);
    return result;
}

std::size_t characterCount(std::string_view utf8)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++count)
        next(utf8, i);
    return count;
}

CodePageText toCodePage(std::string_view utf8, const std::function<std::optional<std::string>(char32_t)>& encode)
{
    CodePageText result;
    result.bytes.reserve(utf8.size());
    std::u32string uncarried;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = next(utf8, i);
        if (c < 0x80) {
            result.bytes += static_cast<char>(c);
            continue;
        }
        if (std::optional<std::string> bytes = encode(c)) {
            result.bytes += *bytes;
            continue;
        }
        result.bytes += '?';
        if (uncarried.find(c) == std::u32string::npos)
            uncarried += c;
    }
    result.uncarried = utf8Of(uncarried);
    return result;
}

}  // namespace talkpost
