// The user's date and time formats from the locale settings.
#include "update/engine/user_dates_win.h"

#include <windows.h>

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

}  // namespace talkpost::update
