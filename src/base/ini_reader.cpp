// The INI reader: the profile reader's rules over bytes, integers and flags.
#include "base/ini_reader.h"

#include <algorithm>
#include <cctype>

#include "base/decimal.h"

namespace talkpost {
namespace {

bool isBlank(char c) { return (c >= 0x09 && c <= 0x0d) || c == 0x1a || c == ' '; }

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

std::string foldedIniName(std::string_view name)
{
    std::string result(name);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string_view trimIniBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

namespace {

// The lines, each handed to take; a template so that a large file's many
// lines pay no call through a function object each.
template <class Take>
void scanIniLines(std::string_view bytes, Take&& take)
{
    if (bytes.starts_with(kUtf8ByteOrderMark))
        bytes.remove_prefix(kUtf8ByteOrderMark.size());
    std::size_t next = 0;
    while (next < bytes.size()) {
        std::size_t start = next;
        while (next < bytes.size() && bytes[next] != '\n' && bytes[next] != '\r')
            ++next;
        std::string_view text = bytes.substr(start, next - start);
        while (next < bytes.size() && (bytes[next] == '\n' || bytes[next] == '\r'))
            ++next;
        // A NUL ends the text of a line for the reader.
        if (auto nul = text.find('\0'); nul != std::string_view::npos)
            text = text.substr(0, nul);
        text = trimIniBlanks(text);
        if (text.empty())
            continue;
        IniLine line;
        line.text = text;
        line.name = text;
        if (text.front() == '[') {
            std::size_t close = text.rfind(']');
            if (close != std::string_view::npos && close > 0) {
                line.header = true;
                line.name = trimIniBlanks(text.substr(1, close - 1));
                take(line);
                continue;
            }
        }
        if (auto equals = text.find('='); equals != std::string_view::npos) {
            line.name = trimIniBlanks(text.substr(0, equals));
            line.value = trimIniBlanks(text.substr(equals + 1));
        }
        take(line);
    }
}

}  // namespace

void forEachIniLine(std::string_view bytes, const std::function<void(const IniLine&)>& take)
{
    scanIniLines(bytes, take);
}

std::vector<IniLine> splitIniLines(std::string_view bytes)
{
    std::vector<IniLine> lines;
    forEachIniLine(bytes, [&lines](const IniLine& line) { lines.push_back(line); });
    return lines;
}

bool sameIniName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

IniReader IniReader::parse(std::string_view bytes) { return adopt(std::string(bytes)); }

IniReader IniReader::adopt(std::string text)
{
    IniReader result;
    auto owned = std::make_shared<const std::string>(std::move(text));
    result.text_ = owned;
    // One key a line at most: counting the line ends first spares the list
    // its growth, which would otherwise hold two copies of it for a moment.
    result.keys_.reserve(static_cast<std::size_t>(std::count(owned->begin(), owned->end(), '\n')) + 1);
    // Keys before the first header belong to a section without a name.
    result.sections_.push_back({});
    scanIniLines(*owned, [&result](const IniLine& line) {
        if (line.header) {
            result.sections_.back().end = result.keys_.size();
            result.sections_.push_back({line.name, result.keys_.size(), result.keys_.size()});
            return;
        }
        result.keys_.push_back({line.name, line.value});
    });
    result.sections_.back().end = result.keys_.size();
    return result;
}

const IniReader::Section* IniReader::find(const std::string& section) const
{
    // Only the first section of a name counts.
    std::string_view sectionName = trimIniBlanks(section);
    for (const Section& s : sections_) {
        if (sameIniName(s.name, sectionName))
            return &s;
    }
    return nullptr;
}

std::optional<std::string> IniReader::readValue(const std::string& section, const std::string& key) const
{
    const Section* body = find(section);
    if (body == nullptr)
        return std::nullopt;
    std::string_view keyName = trimIniBlanks(key);
    for (std::size_t i = body->begin; i < body->end; ++i) {
        const Key& k = keys_[i];
        // The first key of the name decides, even when its line has no value.
        if (sameIniName(k.name, keyName))
            return k.value ? std::optional<std::string>(copyEntry(*k.value)) : std::nullopt;
    }
    return std::nullopt;
}

std::string IniReader::readString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const
{
    return readValue(section, key).value_or(copyEntry(fallback));
}

void IniReader::forEachKey(
    const std::string& section,
    const std::function<void(std::string_view name, std::optional<std::string_view> stored)>& take) const
{
    const Section* body = find(section);
    if (body == nullptr)
        return;
    for (std::size_t i = body->begin; i < body->end; ++i) {
        const Key& k = keys_[i];
        if (!k.name.empty() && k.name.front() == ';')
            continue;
        take(k.name, k.value);
    }
}

std::vector<std::string> IniReader::readSection(const std::string& section) const
{
    std::vector<std::string> lines;
    forEachKey(section, [&lines](std::string_view name, std::optional<std::string_view> value) {
        lines.push_back(value ? std::string(name) + "=" + std::string(*value) : std::string(name));
    });
    return lines;
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
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos)
        return std::nullopt;
    text.remove_prefix(start);
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+')
        negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (!hex)
        return parseSignedDecimal32(text);
    // Up to 32 bits, taken as signed.
    if (i >= text.size())
        return std::nullopt;
    std::uint32_t bits = 0;
    for (; i < text.size(); ++i) {
        int digit = hexDigit(text[i]);
        if (digit < 0 || bits > 0x0FFFFFFFu)
            return std::nullopt;
        bits = bits * 16 + static_cast<std::uint32_t>(digit);
    }
    if (negative)
        bits = 0u - bits;
    return static_cast<std::int32_t>(bits);
}

}  // namespace talkpost
