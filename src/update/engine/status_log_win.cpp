// Where the update log lies and what time it is, as the platform says.
#include "update/engine/status_log_win.h"

#include <windows.h>

#include "update/engine/status_log.h"
#include "update/install/install_files_win.h"

namespace talkpost::update {
namespace {

std::string localeText(LCTYPE type, const char* fallback)
{
    char buffer[16] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer) <= 1)
        return fallback;
    return buffer;
}

}  // namespace

std::string logTimestampNow()
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    LocalTime local{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
    return logTimestamp(local, localeText(LOCALE_SDATE, "/"), localeText(LOCALE_STIME, ":"));
}

void appendLogLine(const std::string& text)
{
    std::string name = logFileName();
    bool bare = name.find_first_of("\\/:") == std::string::npos;
    appendLineToFile(logFilePath(name, bare ? documentsFolder() : std::string()), text);
}

}  // namespace talkpost::update
