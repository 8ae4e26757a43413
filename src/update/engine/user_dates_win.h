// Dates as the user reads them: the short date format and the time separator
// of the user's settings (status 929, the remembered update date).
#pragma once

#include <string>

#include "update/install/date_time.h"

namespace talkpost::update {

std::string userShortDate(DateTime value);
// "hh:nn" with the user's time separator.
std::string userShortTime(DateTime value);
// The time of day of a date value (days since 30 December 1899) in the
// user's long time format; empty at midnight.
std::string userTimeOfDay(double value);

// The user's short date format and separators, as the date reader takes them.
DateTimeFormat userShortDateFormat();

}  // namespace talkpost::update
