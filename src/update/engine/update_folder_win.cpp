// The update's own download folder and the removal of crashed updates' folders.
#include "update/engine/update_folder_win.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstdio>

#include "update/install/file_names.h"
#include "update/install/install_journal_win.h"
#include "update/install/system_library_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

// The lock files of the update and of the updater helper.
constexpr const char* kLockName = "update.lock";
constexpr const char* kHelperLockName = "helper.lock";

UniqueFile lockFile(const std::string& path)
{
    // Deleted by the system when its holder ends, however it ends.
    return UniqueFile(CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

// A held lock file refuses its deletion; a lock of a holder that ended is gone.
bool lockHeld(const std::string& folder, const char* name)
{
    std::string lock = folder + "\\" + name;
    return !DeleteFileW(widen(lock).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND;
}

std::string randomName()
{
    unsigned char bytes[8] = {};
    // Taken from the system folder: the updater helper links this file too.
    using RandomFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, ULONG);
    static const auto random = systemEntry<RandomFn>("bcrypt.dll", "BCryptGenRandom");
    if (!random || random(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
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
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(widen(base + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = narrow(found.cFileName);
            if (name == "." || name == "..")
                continue;
            std::string path = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesW(widen(path).c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            // A link is removed, never followed.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                removeFolderTree(path);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(widen(path).c_str());
            else
                DeleteFileW(widen(path).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(widen(folder).c_str()) != FALSE ||
           GetFileAttributesW(widen(folder).c_str()) == INVALID_FILE_ATTRIBUTES;
}

void removeLeftoverUpdateFolders(const std::string& parent)
{
    std::string base = withBackslash(parent);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(widen(base + kUpdateFolderPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        std::string folder = base + narrow(found.cFileName);
        if (lockHeld(folder, kLockName) || lockHeld(folder, kHelperLockName))
            continue;
        // Files put in place by an update that was killed go back first; a
        // journal that cannot be finished now keeps its folder for the next try.
        if (!finishJournal(folder + "\\"))
            continue;
        removeFolderTree(folder);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

bool UpdateFolder::create(const std::string& parent)
{
    remove();
    removeLeftoverUpdateFolders(parent);
    std::string folder = withBackslash(parent) + randomName();
    if (!CreateDirectoryW(widen(folder).c_str(), nullptr))
        return false;
    lock_ = lockFile(folder + "\\" + kLockName);
    path_ = folder + "\\";
    return true;
}

void UpdateFolder::remove()
{
    if (path_.empty())
        return;
    // A journal that cannot be finished now (a file is held open) keeps the
    // folder: the next start finishes it.
    bool finished = finishJournal(path_);
    lock_.reset();
    if (finished)
        removeFolderTree(path_.substr(0, path_.size() - 1));
    path_.clear();
}

UniqueFile lockUpdateFolderForHelper(const std::string& folder)
{
    return lockFile(withBackslash(folder) + kHelperLockName);
}

void UpdateFolder::keepForHelper()
{
    lock_.reset();
    path_.clear();
}

}  // namespace talkpost::update
