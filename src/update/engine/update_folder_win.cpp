// The update's own download folder and the removal of crashed updates' folders.
#include "update/engine/update_folder_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>

#include "update/install/file_names.h"

namespace talkpost::update {
namespace {

constexpr const char* kLockName = "update.lock";

std::string randomName()
{
    unsigned char bytes[8] = {};
    if (BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
        // No random source: the clock and the process id still make a fresh name.
        ULONGLONG now = GetTickCount64() ^ (static_cast<ULONGLONG>(GetCurrentProcessId()) << 32);
        for (unsigned char& b : bytes) {
            b = static_cast<unsigned char>(now);
            now >>= 8;
        }
    }
    std::string name = kUpdateFolderPrefix;
    char hex[3];
    for (unsigned char b : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", b);
        name += hex;
    }
    return name;
}

}  // namespace

bool removeFolderTree(const std::string& folder)
{
    std::string base = withBackslash(folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesA(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            // A link is removed, never followed.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                removeFolderTree(path);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(path.c_str());
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(folder.c_str()) != FALSE || GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void removeLeftoverUpdateFolders(const std::string& parent)
{
    std::string base = withBackslash(parent);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + kUpdateFolderPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        std::string folder = base + found.cFileName;
        // A running update holds its lock file open and refuses its deletion.
        std::string lock = folder + "\\" + kLockName;
        if (!DeleteFileA(lock.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
            continue;
        removeFolderTree(folder);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool UpdateFolder::create(const std::string& parent)
{
    remove();
    removeLeftoverUpdateFolders(parent);
    std::string folder = withBackslash(parent) + randomName();
    if (!CreateDirectoryA(folder.c_str(), nullptr))
        return false;
    // Deleted by the system when this process ends, however it ends.
    lock_.reset(CreateFileA((folder + "\\" + kLockName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    path_ = folder + "\\";
    return true;
}

void UpdateFolder::remove()
{
    if (path_.empty())
        return;
    lock_.reset();
    removeFolderTree(path_.substr(0, path_.size() - 1));
    path_.clear();
}

void UpdateFolder::keepForHelper()
{
    lock_.reset();
    path_.clear();
}

}  // namespace talkpost::update
