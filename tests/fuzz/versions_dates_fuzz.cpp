// Fuzz target: any bytes as the control file's version, date and time texts
// (the first line one text, the rest the other), in the program's own format
// and in two others.
#include <cmath>
#include <string>

#include "fuzz/fuzz_check.h"
#include "update/install/date_time.h"
#include "update/install/versions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost::update;
    const std::string text = talkpost::fuzz::textOf(data, size);
    const std::size_t newline = text.find('\n');
    const std::string first = text.substr(0, newline);
    const std::string second = newline == std::string::npos ? std::string() : text.substr(newline + 1);

    const VersionValue a = parseVersion(first);
    const VersionValue b = parseVersion(second);
    // A version that reads is written so that it reads back the same.
    if (!a.unknown())
        FUZZ_CHECK(parseVersion(versionText(a)) == a);
    FUZZ_CHECK(!versionNewer(a, a));
    FUZZ_CHECK(!(versionNewer(a, b) && versionNewer(b, a)));

    const DateTimeFormat formats[] = {{}, {"mm/dd/yyyy", '/', ':'}, {"yyyy-mm-dd", '-', '.'}};
    for (const DateTimeFormat& format : formats) {
        if (const auto date = readDate(first, format)) {
            // A date that reads is a whole day of the years 1 to 9999.
            FUZZ_CHECK(*date == std::trunc(*date));
            const CalendarTime fields = decodeDateTime(*date);
            FUZZ_CHECK(fields.year >= 1 && fields.year <= 9999);
            FUZZ_CHECK(encodeDateTime(fields) == *date);
        }
        if (const auto time = readTime(second, format))
            FUZZ_CHECK(*time >= 0.0 && *time < 1.0);
        FUZZ_CHECK(std::isfinite(parseDateTime(first, second, format)));
    }
    return 0;
}
