// File-system answers for the update check and the installation.
#include "update/install/install_files_win.h"

#include <windows.h>
#include <shlobj.h>

#include "update/install/checksums.h"
#include "update/install/file_version_win.h"
#include "win/folders_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

char localeSeparator(LCTYPE type, char fallback)
{
    char text[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text) > 0 && text[0] != 0)
        return text[0];
    return fallback;
}

}  // namespace

std::vector<std::string> filesBelow(const std::string& folder)
{
    std::vector<std::string> found;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        std::string relative = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAW entry;
        HANDLE search = FindFirstFileW(widen(folder + relative + "*").c_str(), &entry);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            std::string part = narrow(entry.cFileName);
            if (part == "." || part == ".." || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                pending.push_back(relative + part + "\\");
            else
                found.push_back(relative + part);
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    return found;
}

bool fileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool createFolders(const std::string& path)
{
    std::string folder = path;
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    if (folder.empty() || folderExists(folder))
        return true;
    std::size_t cut = folder.find_last_of("\\/");
    if (cut != std::string::npos && cut > 0 && folder[cut - 1] != ':' && !createFolders(folder.substr(0, cut)))
        return false;
    return CreateDirectoryW(widen(folder).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

std::optional<DateTime> lastWriteTimeLocal(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &st))
        return std::nullopt;
    return encodeDateTime({st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond});
}

LocalFileProbe localFileProbe()
{
    return {fileExists, fileChecksum, byteSum, fileSize, fileVersionOf};
}

char userDateSeparator() { return localeSeparator(LOCALE_SDATE, '/'); }
char userTimeSeparator() { return localeSeparator(LOCALE_STIME, ':'); }

std::string windowsTempFolder()
{
    std::string folder = tempFolder();
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

}  // namespace talkpost::update
