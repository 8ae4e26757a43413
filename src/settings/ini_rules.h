// The settings file's value rules and names: how a value is written and read
// back (trimming, the quote pair, the 2047-character cut), the key and
// section names of stored properties, and whole list sections as one block
// of "key=value" lines. Portable.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/ini_reader.h"

namespace talkpost::settings {

// A value is read into a buffer of 2048 characters: at most this many come back.
inline constexpr std::size_t kMaxValueLength = kMaxIniValue;

// The time field keeps its value within these bounds.
inline constexpr int kMinTimeValue = 60;
inline constexpr int kMaxTimeValue = 20000;
int clampTimeValue(int value);

// A value that is not empty and begins and ends with the same quote character
// (" or ') gets one more pair of double quotes, so reading gives it back
// unchanged. Line breaks cannot live in a one-line value; they become blanks.
std::string encodeValue(const std::string& value);

// What reading a stored value gives: blanks around it dropped, one pair of
// matching quotes removed, cut to kMaxValueLength characters.
std::string decodeValue(std::string_view stored);

// A whole number in decimal with an optional sign, blanks around it allowed;
// nothing for anything else or a value outside the int range.
std::optional<int> parseInteger(const std::string& text);
int parseIntegerOr(const std::string& text, int fallback);

// The copy a save writes beside the settings file before it replaces the
// file: "<file>.~<process id>-<n>.tmp", e.g. "Talkpost.ini.~412-0.tmp". Only
// names of exactly this form (letter case ignored) are taken for copies an
// interrupted save left behind and removed; no other file is touched.
std::string saveCopyName(const std::string& fileName, unsigned long processId, unsigned sequence);
bool isSaveCopyName(const std::string& fileName, const std::string& name);

// Names built by rule: "<component>_<property>", "<section>.<key>", "Item<n>",
// and the screen suffix "(<width>x<height>)".
std::string propertyKey(const std::string& component, const std::string& property);
std::string listSectionName(const std::string& section, const std::string& key);
std::string itemKey(std::size_t index);
std::string screenSuffix(int width, int height);

// One section's keys as read from the file: names compared without regard to
// case, the first line of a name wins (one without "=" stands for a key
// without a value), values as stored (not yet decoded).
class SectionValues {
public:
    // The section's lines as the INI reader hands them over ("key=value", or
    // the name alone for a key without a value).
    static SectionValues fromLines(const std::vector<std::string>& lines);
    // One section of a settings file's text, empty when it has no such section.
    static SectionValues read(const IniReader& file, const std::string& section);
    // The same from a block of such lines, each ended by a NUL (a list
    // section's block, as buildListSection makes it).
    static SectionValues parse(const char* block, std::size_t length);

    void set(const std::string& key, const std::string& storedValue);
    // The decoded value of a key, nothing when the key is absent.
    std::optional<std::string> value(const std::string& key) const;
    bool empty() const { return values_.empty(); }
    std::size_t size() const { return values_.size(); }
    // The highest n with a key "Item<n>" present, nothing when there is none.
    std::optional<std::size_t> highestItemIndex() const;

private:
    std::map<std::string, std::optional<std::string>> values_;  // lower-cased key -> stored value, if any
};

// A list section's block: "Count=<n>" and "Item<i>=<item>" lines, each ended
// by a NUL, plus the closing NUL; items are encoded, not trimmed.
std::string buildListSection(const std::vector<std::string>& items);

// Reads a list the way its keys are read one by one: "Count" trimmed and
// converted (0 when not a number); when above 0, "Item0" .. "Item<Count-1>"
// with empty defaults. Nothing when the count is not above 0. A count far
// beyond the items present is capped so a damaged file cannot exhaust memory.
std::optional<std::vector<std::string>> readList(const SectionValues& section);

// Counts beyond this (and beyond the highest item present) are taken as damage.
inline constexpr std::size_t kMaxEmptyListItems = 100000;

}  // namespace talkpost::settings
