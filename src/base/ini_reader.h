// The one INI reader: a text of sections and keys read from its bytes with
// the rules of the platform's profile reader (a table run against the real
// functions proves them equal), its integer and flag keys. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace talkpost {

// A value is read into a buffer of 2048 characters: at most this many are seen.
inline constexpr std::size_t kMaxIniValue = 2047;

// One INI text as the profile reader sees it: sections and keys compared
// without regard to case (the first of two equal names wins), blanks around
// section names, keys and values dropped, one pair of enclosing quotes
// removed, lines beginning with ";" no keys of any use.
class IniReader {
public:
    static IniReader parse(std::string_view bytes);

    // The value of a key, or the default when the section or key is missing.
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback = {}) const;
    // Integer key: the value read as an integer, the default when it does not read.
    std::int32_t readInteger(const std::string& section, const std::string& key, std::int32_t fallback) const;
    // Flag key: true only for an integer value of 1.
    bool readFlag(const std::string& section, const std::string& key) const;

private:
    struct Section {
        std::vector<std::pair<std::string, std::optional<std::string>>> keys;  // lower-cased name, raw value
    };
    std::vector<std::pair<std::string, Section>> sections_;  // lower-cased name, in file order
};

// A signed 32-bit decimal number, or hexadecimal after "$", "0x" or "0X"
// (up to 32 bits, taken as signed); blanks before it and a sign allowed.
std::optional<std::int32_t> parseIniInteger(std::string_view text);

}  // namespace talkpost
