// Reading decimal numbers (see decimal.h).
#include "base/decimal.h"

namespace talkpost {

DecimalRun readDecimalRun(std::string_view text, std::uint64_t cap)
{
    DecimalRun run;
    for (; run.length < text.size() && text[run.length] >= '0' && text[run.length] <= '9'; ++run.length) {
        auto digit = static_cast<std::uint64_t>(text[run.length] - '0');
        // Checked before the arithmetic: value * 10 + digit stays within the cap or is held there.
        if (run.value > cap / 10 || (run.value == cap / 10 && digit > cap % 10)) {
            run.value = cap;
            run.beyondCap = true;
        } else if (!run.beyondCap) {
            run.value = run.value * 10 + digit;
        }
    }
    return run;
}

DecimalRun readDecimalRunLow32(std::string_view text)
{
    constexpr std::uint64_t kLow32 = 0xFFFFFFFFu;
    DecimalRun run = readDecimalRun(text, kLow32);
    // The capped reading tells the length and whether it fits; the low bits
    // come from the digits themselves.
    if (run.beyondCap) {
        std::uint64_t low = 0;
        for (std::size_t i = 0; i < run.length; ++i)
            low = (low * 10 + static_cast<std::uint64_t>(text[i] - '0')) & kLow32;
        run.value = low;
    }
    return run;
}

std::optional<std::uint64_t> parseDecimal(std::string_view text, std::uint64_t limit)
{
    DecimalRun run = readDecimalRun(text, limit);
    if (run.length == 0 || run.length != text.size() || run.beyondCap)
        return std::nullopt;
    return run.value;
}

std::optional<std::int32_t> parseSignedDecimal32(std::string_view text)
{
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    auto value = parseDecimal(text, negative ? kMax + 1 : kMax);
    if (!value)
        return std::nullopt;
    return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(*value) : static_cast<std::int64_t>(*value));
}

}  // namespace talkpost
