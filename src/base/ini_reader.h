// The one INI reader: a text of sections and keys read from its bytes with
// the rules of the platform's profile reader (a table run against the real
// functions proves them equal), its integer and flag keys, and the lines of
// INI text as that reader takes them, for those who edit such a text. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talkpost {

// A value is read into a buffer of 2048 characters: at most this many are seen.
inline constexpr std::size_t kMaxIniValue = 2047;

// Ahead of the first line it is no part of the text.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// A section's or key's name as names are compared: its letters in lower case.
std::string foldedIniName(std::string_view name);
// The text without the blanks the reader drops around names and values: tab
// to carriage return, space and ^Z.
std::string_view trimIniBlanks(std::string_view text);

// One line of INI text as the profile reader takes it.
struct IniLine {
    std::string_view text;                  // the whole line, blanks around it dropped
    bool header = false;                    // "[name]": a section begins
    std::string_view name;                  // the section's or the key's name, blanks around it dropped
    std::optional<std::string_view> value;  // a key's text after its first "=", blanks around it dropped;
                                            // nothing for a line without "="
};

// The lines of a text that carry anything, in order: a UTF-8 byte order mark
// before the first is dropped, CR, LF and any run of them end a line, and a
// NUL ends the text of its line. A line that begins with "[" and has a "]"
// after it is a header naming what lies between the first "[" and the last "]".
std::vector<IniLine> splitIniLines(std::string_view bytes);
// The same lines handed over one at a time, without a list of them all.
void forEachIniLine(std::string_view bytes, const std::function<void(const IniLine&)>& take);

// One INI text as the profile reader sees it: sections and keys compared
// without regard to case (the first of two equal names wins), blanks around
// section names, keys and values dropped, one pair of enclosing quotes
// removed, lines beginning with ";" no keys of any use.
class IniReader {
public:
    static IniReader parse(std::string_view bytes);
    // The same, keeping the text itself rather than a copy: a large file is
    // then held once, and its names and values are views into it.
    static IniReader adopt(std::string text);

    // The stored value of a key as the reader gives it (one pair of enclosing
    // quotes removed, cut to kMaxIniValue); nothing when the section or the key
    // is missing or the key's line has no "=".
    std::optional<std::string> readValue(const std::string& section, const std::string& key) const;
    // The value of a key, or the default when the section or key is missing.
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback = {}) const;
    // Integer key: the value read as an integer, the default when it does not read.
    std::int32_t readInteger(const std::string& section, const std::string& key, std::int32_t fallback) const;
    // Flag key: true only for an integer value of 1.
    bool readFlag(const std::string& section, const std::string& key) const;
    // The lines of a whole section as the platform hands a section over:
    // "name=value" for each key, the name alone for a line without "=",
    // values as stored (quotes kept, not cut); comment lines left out. Empty
    // when the text has no such section.
    std::vector<std::string> readSection(const std::string& section) const;
    // Each key of a section in file order, comment lines left out: its name as
    // spelled and its value as stored (nothing for a line without "=").
    void forEachKey(const std::string& section,
                    const std::function<void(std::string_view name, std::optional<std::string_view> stored)>& take) const;

private:
    struct Key {
        std::string_view name;                  // as spelled
        std::optional<std::string_view> value;  // as stored; nothing for a line without "="
    };
    struct Section {
        std::string_view name;
        std::size_t begin = 0;  // its keys in keys_
        std::size_t end = 0;
    };
    // The first section of the name, or nothing.
    const Section* find(const std::string& section) const;

    std::shared_ptr<const std::string> text_;  // what the views point into
    std::vector<Key> keys_;                    // all keys, section after section
    std::vector<Section> sections_;            // in file order; the first is the nameless one
};

// Whether two names are the same for the reader: letter case ignored.
bool sameIniName(std::string_view a, std::string_view b);

// A signed 32-bit decimal number, or hexadecimal after "$", "0x" or "0X"
// (up to 32 bits, taken as signed); blanks before it and a sign allowed.
std::optional<std::int32_t> parseIniInteger(std::string_view text);

}  // namespace talkpost
