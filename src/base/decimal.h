// Reading decimal numbers: the one reader of digits behind every integer rule
// of the program (settings, fields, control files, HTTP replies and
// addresses), and beside it the variants named for the rules that differ.
// Portable.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace talkpost {

// The run of digits 0-9 at the start of a text: how many digits it has and
// their value, held at a cap once it passes it (a long run never wraps).
struct DecimalRun {
    std::size_t length = 0;  // 0: the text does not start with a digit
    std::uint64_t value = 0;  // at most the cap
    bool beyondCap = false;  // the digits' value is larger than the cap
};
DecimalRun readDecimalRun(std::string_view text, std::uint64_t cap);

// The same run with its value taken modulo 2^32 instead of held at a cap:
// the low 32 bits, as a 32-bit integer reading keeps them (a version's
// numbers, of which only the low bits count). beyondCap: the value did not
// fit in 32 bits.
DecimalRun readDecimalRunLow32(std::string_view text);

// A text of digits only (at least one; no sign, no blank) whose value is at
// most limit: that value. Anything else: none.
std::optional<std::uint64_t> parseDecimal(std::string_view text,
                                          std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());

// The same after an optional "+" or "-": a signed 32-bit number (the settings
// file's integers).
std::optional<std::int32_t> parseSignedDecimal32(std::string_view text);

}  // namespace talkpost
