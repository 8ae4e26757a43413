// The settings file's value rules and names.
#include "settings/ini_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/app_error.h"
#include "base/decimal.h"

namespace talkpost::settings {
namespace {

bool isQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

int clampTimeValue(int value) { return std::clamp(value, kMinTimeValue, kMaxTimeValue); }

std::string encodeValue(const std::string& value)
{
    std::string out = value;
    for (char& c : out) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    if (!out.empty() && isQuote(out.front()) && out.back() == out.front())
        return "\"" + out + "\"";
    return out;
}

std::string decodeValue(std::string_view stored)
{
    std::string_view value = trimIniBlanks(stored);
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxValueLength));
}

std::optional<int> parseInteger(const std::string& text) { return parseSignedDecimal32(trimControlAndBlank(text)); }

int parseIntegerOr(const std::string& text, int fallback) { return parseInteger(text).value_or(fallback); }

std::string propertyKey(const std::string& component, const std::string& property)
{
    return component + "_" + property;
}

std::string listSectionName(const std::string& section, const std::string& key) { return section + "." + key; }

std::string itemKey(std::size_t index) { return "Item" + std::to_string(index); }

std::string screenSuffix(int width, int height)
{
    char text[32];
    std::snprintf(text, sizeof text, "(%dx%d)", width, height);
    return text;
}

SectionValues SectionValues::fromLines(const std::vector<std::string>& lines)
{
    SectionValues section;
    for (const std::string& line : lines) {
        std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            section.set(std::string(trimIniBlanks(line.substr(0, eq))), line.substr(eq + 1));
        else if (std::string name(trimIniBlanks(line)); !name.empty())
            section.values_.emplace(foldedIniName(name), std::nullopt);  // read as missing, and hides later lines
    }
    return section;
}

SectionValues SectionValues::read(const IniReader& file, const std::string& section)
{
    return fromLines(file.readSection(section));
}

SectionValues SectionValues::parse(const char* block, std::size_t length)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < length && block[pos] != '\0') {
        std::size_t end = pos;
        while (end < length && block[end] != '\0')
            ++end;
        lines.emplace_back(block + pos, end - pos);
        pos = end + 1;
    }
    return fromLines(lines);
}

void SectionValues::set(const std::string& key, const std::string& storedValue)
{
    values_.emplace(foldedIniName(key), storedValue);  // the first of equal keys wins
}

std::optional<std::string> SectionValues::value(const std::string& key) const
{
    auto it = values_.find(foldedIniName(key));
    if (it == values_.end() || !it->second)
        return std::nullopt;
    return decodeValue(*it->second);
}

std::optional<std::size_t> SectionValues::highestItemIndex() const
{
    std::optional<std::size_t> highest;
    for (const auto& [key, value] : values_) {
        if (!value || key.size() <= 4 || key.compare(0, 4, "item") != 0 || key.size() > 4 + 9)
            continue;
        auto n = parseDecimal(std::string_view(key).substr(4));
        if (!n)
            continue;
        if (!highest || *n > *highest)
            highest = static_cast<std::size_t>(*n);
    }
    return highest;
}

std::string buildListSection(const std::vector<std::string>& items)
{
    std::string block;
    block += "Count=" + std::to_string(items.size());
    block += '\0';
    for (std::size_t i = 0; i < items.size(); ++i) {
        block += itemKey(i);
        block += '=';
        block += encodeValue(items[i]);
        block += '\0';
    }
    block += '\0';
    return block;
}

std::optional<std::vector<std::string>> readList(const SectionValues& section)
{
    int count = parseIntegerOr(section.value("Count").value_or("0"), 0);
    if (count <= 0)
        return std::nullopt;
    std::size_t limit = kMaxEmptyListItems;
    if (auto highest = section.highestItemIndex())
        limit = std::max(limit, *highest + 1);
    std::size_t n = std::min(static_cast<std::size_t>(count), limit);
    std::vector<std::string> items;
    items.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        items.push_back(section.value(itemKey(i)).value_or(""));
    return items;
}

std::string saveCopyName(const std::string& fileName, unsigned long processId, unsigned sequence)
{
    return fileName + ".~" + std::to_string(processId) + "-" + std::to_string(sequence) + ".tmp";
}

bool isSaveCopyName(const std::string& fileName, const std::string& name)
{
    auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    const std::string head = lower(fileName) + ".~";
    const std::string tail = ".tmp";
    std::string folded = lower(name);
    if (folded.size() <= head.size() + tail.size() || folded.compare(0, head.size(), head) != 0 ||
        folded.compare(folded.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    // Two runs of digits, one "-" between them: a process id and a sequence.
    std::string middle = folded.substr(head.size(), folded.size() - head.size() - tail.size());
    std::size_t dash = middle.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == middle.size() || dash > 10 || middle.size() - dash - 1 > 10)
        return false;
    for (std::size_t i = 0; i < middle.size(); ++i)
        if (i != dash && (middle[i] < '0' || middle[i] > '9'))
            return false;
    return true;
}

}  // namespace talkpost::settings
