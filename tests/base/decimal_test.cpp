// The one reader of decimal digits and its variants, in one table.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "base/decimal.h"

namespace talkpost {
namespace {

constexpr std::uint64_t kU64Max = std::numeric_limits<std::uint64_t>::max();

TEST(Decimal, EveryVariantInOneTable)
{
    enum class Rule { Run, RunLow32, Decimal, Signed32 };
    struct Case {
        Rule rule;
        std::string text;
        std::uint64_t capOrLimit;  // readDecimalRun's cap, parseDecimal's limit
        std::optional<std::int64_t> value;  // the value read; none: refused
        std::size_t length = 0;  // readDecimalRun: the digits at the start
        bool beyondCap = false;  // readDecimalRun
    };
    const Case cases[] = {
        // The run at the start of a text: what follows it is the caller's.
        {Rule::Run, "", 100, 0, 0},
        {Rule::Run, "x1", 100, 0, 0},
        {Rule::Run, "-1", 100, 0, 0},
        {Rule::Run, "42", 100, 42, 2},
        {Rule::Run, "0042 rest", 100, 42, 4},
        {Rule::Run, "100", 100, 100, 3},
        {Rule::Run, "101", 100, 100, 3, true},
        {Rule::Run, "99999999999999999999999999", 257, 257, 26, true},
        {Rule::Run, "2147483648", 2147483648u, 2147483648, 10},
        {Rule::Run, "2147483649", 2147483648u, 2147483648, 10, true},
        {Rule::Run, "18446744073709551615", kU64Max, -1, 20},  // the value is kU64Max, read as -1 below
        {Rule::Run, "18446744073709551616", kU64Max, -1, 20, true},
        {Rule::Run, "5", 0, 0, 1, true},
        {Rule::Run, "0", 0, 0, 1},
        // The run with the low 32 bits of its value (no cap).
        {Rule::RunLow32, "", 0, 0, 0},
        {Rule::RunLow32, "4294967295", 0, 4294967295, 10},
        {Rule::RunLow32, "4294967296", 0, 0, 10, true},
        {Rule::RunLow32, "4294967297.5", 0, 1, 10, true},
        {Rule::RunLow32, "99999999999999999999", 0, 1661992959, 20, true},  // 10^20 - 1 modulo 2^32
        {Rule::RunLow32, "0065537x", 0, 65537, 7},
        // Digits only, at most the limit.
        {Rule::Decimal, "0", kU64Max, 0},
        {Rule::Decimal, "007", kU64Max, 7},
        {Rule::Decimal, "65535", 65535, 65535},
        {Rule::Decimal, "65536", 65535, std::nullopt},
        {Rule::Decimal, "999999", 999999, 999999},
        {Rule::Decimal, "1000000", 999999, std::nullopt},
        {Rule::Decimal, "9223372036854775807", 0x7fffffffffffffffu, 0x7fffffffffffffff},
        {Rule::Decimal, "9223372036854775808", 0x7fffffffffffffffu, std::nullopt},
        {Rule::Decimal, "99999999999999999999999", kU64Max, std::nullopt},
        {Rule::Decimal, "", kU64Max, std::nullopt},
        {Rule::Decimal, "+1", kU64Max, std::nullopt},
        {Rule::Decimal, "-1", kU64Max, std::nullopt},
        {Rule::Decimal, " 1", kU64Max, std::nullopt},
        {Rule::Decimal, "1 ", kU64Max, std::nullopt},
        {Rule::Decimal, "1x", kU64Max, std::nullopt},
        {Rule::Decimal, "\xd9\xa3", kU64Max, std::nullopt},  // a digit of another script is no digit
        // A sign, then digits only, within 32 bits.
        {Rule::Signed32, "0", 0, 0},
        {Rule::Signed32, "-0", 0, 0},
        {Rule::Signed32, "+17", 0, 17},
        {Rule::Signed32, "-17", 0, -17},
        {Rule::Signed32, "2147483647", 0, 2147483647},
        {Rule::Signed32, "2147483648", 0, std::nullopt},
        {Rule::Signed32, "-2147483648", 0, -2147483648LL},
        {Rule::Signed32, "-2147483649", 0, std::nullopt},
        {Rule::Signed32, "-99999999999999999999", 0, std::nullopt},
        {Rule::Signed32, "", 0, std::nullopt},
        {Rule::Signed32, "-", 0, std::nullopt},
        {Rule::Signed32, "+-1", 0, std::nullopt},
        {Rule::Signed32, " 1", 0, std::nullopt},
        {Rule::Signed32, "1.0", 0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\"");
        switch (c.rule) {
        case Rule::Run: {
            DecimalRun run = readDecimalRun(c.text, c.capOrLimit);
            EXPECT_EQ(static_cast<std::int64_t>(run.value), *c.value);
            EXPECT_EQ(run.length, c.length);
            EXPECT_EQ(run.beyondCap, c.beyondCap);
            break;
        }
        case Rule::RunLow32: {
            DecimalRun run = readDecimalRunLow32(c.text);
            EXPECT_EQ(static_cast<std::int64_t>(run.value), *c.value);
            EXPECT_EQ(run.length, c.length);
            EXPECT_EQ(run.beyondCap, c.beyondCap);
            break;
        }
        case Rule::Decimal: {
            std::optional<std::int64_t> read;
            if (auto value = parseDecimal(c.text, c.capOrLimit))
                read = static_cast<std::int64_t>(*value);
            EXPECT_EQ(read, c.value);
            break;
        }
        case Rule::Signed32: {
            std::optional<std::int64_t> read;
            if (auto value = parseSignedDecimal32(c.text))
                read = *value;
            EXPECT_EQ(read, c.value);
            break;
        }
        }
    }
}

}  // namespace
}  // namespace talkpost
