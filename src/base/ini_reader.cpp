// The INI reader: the profile reader's rules over bytes, integers and flags.
#include "base/ini_reader.h"

#include <cctype>
#include <limits>

namespace talkpost {
namespace {

// The profile reader's blanks: tab to carriage return, space, and ^Z.
bool isBlank(char c) { return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == ' '; }

std::string lowered(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// What the caller of the reader gets for a stored value: one pair of
// enclosing quotes removed when the whole value fits the buffer, then cut to
// the buffer. A value one character too long for the buffer loses its last
// character twice over; that is the platform's way and we follow it.
std::string copyEntry(std::string_view value)
{
    bool quoted = false;
    if (!value.empty() && (value.front() == '"' || value.front() == '\'') && value.size() > 1 &&
        value.back() == value.front()) {
        quoted = true;
        value.remove_prefix(1);
    }
    constexpr std::size_t kBuffer = kMaxIniValue + 1;
    std::string result(value.substr(0, kMaxIniValue));
    if (quoted && kBuffer >= value.size() && !result.empty())
        result.pop_back();
    return result;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

IniReader IniReader::parse(std::string_view bytes)
{
    // A UTF-8 byte order mark is no part of the first line.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    IniReader result;
    // Keys before the first header belong to a section without a name.
    result.sections_.emplace_back(std::string(), Section{});
    std::size_t next = 0;
    while (next < bytes.size()) {
        std::size_t start = next;
        while (next < bytes.size() && bytes[next] != '\n' && bytes[next] != '\r')
            ++next;
        std::string_view line = trimmed(bytes.substr(start, next - start));
        while (next < bytes.size() && (bytes[next] == '\n' || bytes[next] == '\r'))
            ++next;
        // A NUL ends the text of a line for the reader.
        if (auto nul = line.find('\0'); nul != std::string_view::npos)
            line = trimmed(line.substr(0, nul));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                result.sections_.emplace_back(lowered(trimmed(line.substr(1, close - 1))), Section{});
                continue;
            }
        }
        std::optional<std::string> value;
        std::string_view name = line;
        if (auto equals = line.find('='); equals != std::string_view::npos) {
            name = trimmed(line.substr(0, equals));
            value = std::string(trimmed(line.substr(equals + 1)));
        }
        result.sections_.back().second.keys.emplace_back(lowered(name), std::move(value));
    }
    return result;
}

std::string IniReader::readString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const
{
    std::string sectionName = lowered(trimmed(section));
    std::string keyName = lowered(trimmed(key));
    for (const auto& [name, body] : sections_) {
        if (name != sectionName)
            continue;
        // Only the first section of a name is searched.
        for (const auto& [k, value] : body.keys) {
            if (k == keyName)
                return copyEntry(value ? std::string_view(*value) : std::string_view(fallback));
        }
        break;
    }
    return copyEntry(fallback);
}

std::int32_t IniReader::readInteger(const std::string& section, const std::string& key, std::int32_t fallback) const
{
    return parseIniInteger(readString(section, key)).value_or(fallback);
}

bool IniReader::readFlag(const std::string& section, const std::string& key) const
{
    return readInteger(section, key, 0) == 1;
}

std::optional<std::int32_t> parseIniInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        int digit = hex ? hexDigit(text[i]) : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
    }
    if (hex) {
        auto bits = static_cast<std::uint32_t>(value);
        if (negative)
            bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (value > kMax + (negative ? 1 : 0))
        return std::nullopt;
    return negative ? static_cast<std::int32_t>(0 - static_cast<std::int64_t>(value)) : static_cast<std::int32_t>(value);
}

}  // namespace talkpost
