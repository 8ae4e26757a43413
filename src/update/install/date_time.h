// Dates and times as the update engine keeps them: days since 30 December 1899
// with the time of day as the fraction. Reads the control file's date and time
// texts with an explicit format and separators (nothing global is changed, so
// the user's own settings stay as they are), and writes the log's time stamp.
// Portable.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace talkpost::update {

using DateTime = double;

struct CalendarTime {
    int year = 1980, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

// The engine's default for anything it cannot read: 1 January 1980, 0:00.
inline constexpr DateTime kEarliestDate = 29221.0;

// Nullopt when the fields are not a valid date (year 1..9999) and time of day.
std::optional<DateTime> encodeDateTime(const CalendarTime& t);
// Back to fields, to the nearest second.
CalendarTime decodeDateTime(DateTime value);

// How the engine's dates are written: the order of d, m and y in format gives
// the order of day, month and year; this program writes "dd.mm.yyyy" and "hh:nn".
struct DateTimeFormat {
    std::string dateFormat = "dd.mm.yyyy";
    char dateSeparator = '.';
    char timeSeparator = ':';
};

// The date alone (time 0:00), or nullopt when it does not read. Two-digit years
// count in the 2000s.
std::optional<DateTime> readDate(const std::string& text, const DateTimeFormat& format);
// The time of day as a fraction (hours, minutes, optional seconds), or nullopt.
std::optional<DateTime> readTime(const std::string& text, const DateTimeFormat& format);

// ParseDateTime: the date, or 1 January 1980 when it does not read; plus the
// time when it is non-empty and reads.
DateTime parseDateTime(const std::string& date, const std::string& time, const DateTimeFormat& format = {});

// LocalReferenceDate without a remembered registry date: the last-write time
// (local) of localVersionFile when that is non-empty and the file exists,
// otherwise 1 January 1980. lastWriteTimeLocal answers nullopt for a missing file.
DateTime localReferenceDate(const std::string& localVersionFile,
                            const std::function<std::optional<DateTime>(const std::string&)>& lastWriteTimeLocal);

// LocalReferenceDate from the date and time remembered under the registry key,
// read with the user's own formats: 1 January 1980 when the date is empty or
// does not read (its time is then not read); a time that does not read adds nothing.
DateTime rememberedReferenceDate(const std::string& date, const std::string& time, const DateTimeFormat& userFormat);

}  // namespace talkpost::update
