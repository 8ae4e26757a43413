// The user's date and time formats from the locale settings.
#include "update/engine/user_dates_win.h"

#include <windows.h>
#include <oleauto.h>

#include <cmath>

#include "update/install/install_files_win.h"

namespace talkpost::update {

DateTimeFormat userShortDateFormat()
{
    char buffer[80] = {};
    DateTimeFormat format;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, sizeof buffer) > 0)
        format.dateFormat = buffer;
    format.dateSeparator = userDateSeparator();
    format.timeSeparator = userTimeSeparator();
    return format;
}

std::string userShortDate(DateTime value)
{
    CalendarTime t = decodeDateTime(value);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    char buffer[80] = {};
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, sizeof buffer) <= 0)
        return {};
    return buffer;
}

std::string userShortTime(DateTime value)
{
    CalendarTime t = decodeDateTime(value);
    char buffer[16] = {};
    wsprintfA(buffer, "%02d%c%02d", t.hour, userTimeSeparator(), t.minute);
    return buffer;
}

std::string userTimeOfDay(double value)
{
    // Whole seconds decide: a fraction that rounds to midnight has no time of day.
    double fraction = std::fabs(value - std::trunc(value));
    if (std::lround(fraction * 86400.0) % 86400 == 0)
        return {};
    SYSTEMTIME time{};
    char text[128] = {};
    if (VariantTimeToSystemTime(value, &time) == 0 ||
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, sizeof text) == 0)
        return {};
    return text;
}

}  // namespace talkpost::update
