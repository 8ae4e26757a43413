// Where the update log lies and what time it is, as the platform says.
#include "update/engine/status_log_win.h"

#include <windows.h>
#include <shlobj.h>

#include "update/engine/status_log.h"
#include "win/text_win.h"

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

std::string documentsFolder()
{
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &list)) || list == nullptr)
        return {};
    wchar_t path[MAX_PATH] = {};
    BOOL got = SHGetPathFromIDListW(list, path);
    CoTaskMemFree(list);
    std::string folder = got ? narrow(path) : "";
    while (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

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
