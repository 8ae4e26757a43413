// Date-time values, reading dates and times, and the log's time stamp.
#include "update/install/date_time.h"

#include <cmath>
#include <cstdio>
#include <string_view>
#include <vector>

#include "base/decimal.h"

namespace talkpost::update {
namespace {

constexpr long long kSerialOfEpoch = 25569;  // 1 January 1970 as days since 30 December 1899

// Days since 1 January 1970 of a proleptic Gregorian date.
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    auto yoe = static_cast<unsigned>(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day)
{
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    auto doe = static_cast<unsigned>(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = static_cast<long long>(yoe) + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// The text split at the separator into unsigned decimal numbers of at most
// four digits, blanks around the whole allowed; nullopt when any part is not one.
std::optional<std::vector<int>> numbers(const std::string& text, char separator)
{
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos)
        return std::nullopt;
    std::vector<int> result;
    std::string_view rest = std::string_view(text).substr(begin, end - begin + 1);
    for (;;) {
        constexpr std::size_t kMostDigits = 4;
        DecimalRun part = readDecimalRun(rest, 9999);
        if (part.length == 0 || part.length > kMostDigits)
            return std::nullopt;
        result.push_back(static_cast<int>(part.value));
        rest.remove_prefix(part.length);
        if (rest.empty())
            return result;
        if (rest.front() != separator)
            return std::nullopt;
        rest.remove_prefix(1);
    }
}

}  // namespace

std::optional<DateTime> encodeDateTime(const CalendarTime& t)
{
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > daysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59)
        return std::nullopt;
    double days = static_cast<double>(daysFromCivil(t.year, static_cast<unsigned>(t.month),
                                                     static_cast<unsigned>(t.day)) + kSerialOfEpoch);
    double fraction = (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
    // Before 30 December 1899 the fraction counts away from zero, as the platform's dates do.
    return days >= 0 ? days + fraction : days - fraction;
}

CalendarTime decodeDateTime(DateTime value)
{
    double whole = std::trunc(value);
    long long seconds = std::llround(std::fabs(value - whole) * 86400.0);
    long long day = static_cast<long long>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += value >= 0 ? 1 : -1;
    }
    CalendarTime t;
    civilFromDays(day - kSerialOfEpoch, t.year, t.month, t.day);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

std::optional<DateTime> readDate(const std::string& text, const DateTimeFormat& format)
{
    auto parts = numbers(text, format.dateSeparator);
    if (!parts || parts->size() != 3)
        return std::nullopt;
    // The order of the first d, m and y in the format.
    std::string order;
    for (char c : format.dateFormat) {
        char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if ((lower == 'd' || lower == 'm' || lower == 'y') && order.find(lower) == std::string::npos)
            order += lower;
    }
    if (order.size() != 3)
        return std::nullopt;
    CalendarTime t;
    for (std::size_t i = 0; i < 3; ++i) {
        int n = (*parts)[i];
        if (order[i] == 'd')
            t.day = n;
        else if (order[i] == 'm')
            t.month = n;
        else
            t.year = n < 100 ? 2000 + n : n;
    }
    return encodeDateTime(t);
}

std::optional<DateTime> readTime(const std::string& text, const DateTimeFormat& format)
{
    auto parts = numbers(text, format.timeSeparator);
    if (!parts || parts->size() < 2 || parts->size() > 3)
        return std::nullopt;
    int h = (*parts)[0], n = (*parts)[1], s = parts->size() == 3 ? (*parts)[2] : 0;
    if (h > 23 || n > 59 || s > 59)
        return std::nullopt;
    return (h * 3600 + n * 60 + s) / 86400.0;
}

DateTime parseDateTime(const std::string& date, const std::string& time, const DateTimeFormat& format)
{
    DateTime result = readDate(date, format).value_or(kEarliestDate);
    if (!time.empty())
        result += readTime(time, format).value_or(0.0);
    return result;
}

DateTime localReferenceDate(const std::string& localVersionFile,
                            const std::function<std::optional<DateTime>(const std::string&)>& lastWriteTimeLocal)
{
    if (localVersionFile.empty())
        return kEarliestDate;
    return lastWriteTimeLocal(localVersionFile).value_or(kEarliestDate);
}

DateTime rememberedReferenceDate(const std::string& date, const std::string& time, const DateTimeFormat& userFormat)
{
    std::optional<DateTime> day = date.empty() ? std::nullopt : readDate(date, userFormat);
    if (!day)
        return kEarliestDate;
    return *day + (time.empty() ? 0.0 : readTime(time, userFormat).value_or(0.0));
}

}  // namespace talkpost::update
