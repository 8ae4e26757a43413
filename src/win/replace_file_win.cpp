// One-step replacement with MoveFileExW.
#include "win/replace_file_win.h"

#include <windows.h>

#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost {
namespace {

constexpr const char* kStagedSuffix = ".upd~";

bool lockedError(DWORD code)
{
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_USER_MAPPED_FILE;
}

DWORD moveOver(const std::string& from, const std::string& target, const ReplaceRetry& retry)
{
    DWORD code = 0;
    for (int attempt = 0; attempt < retry.attempts; ++attempt) {
        if (attempt > 0)
            Sleep(retry.pauseMs);
        if (MoveFileExW(widen(from).c_str(), widen(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        code = GetLastError();
        if (!lockedError(code))
            break;
        if (retry.locked && attempt + 1 < retry.attempts)
            retry.locked(code);
    }
    return code;
}

}  // namespace

std::string stagedBeside(const std::string& target) { return target + kStagedSuffix; }

bool flushToDisk(const std::string& path)
{
    // A reading handle of the writer's own (one that keeps the file from
    // being taken meanwhile) may stay open.
    UniqueFile file(
        CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

unsigned long replaceFile(const std::string& newFile, const std::string& target, const ReplaceRetry& retry)
{
    DWORD code = moveOver(newFile, target, retry);
    if (code != ERROR_NOT_SAME_DEVICE)
        return code;
    // The new file lies on another volume: stage a copy beside the target, so
    // that the last step is again a rename within one folder.
    std::string staged = stagedBeside(target);
    if (!CopyFileW(widen(newFile).c_str(), widen(staged).c_str(), FALSE))
        return GetLastError();
    if (!flushToDisk(staged)) {
        code = GetLastError();
        DeleteFileW(widen(staged).c_str());
        return code;
    }
    code = moveOver(staged, target, retry);
    if (code != 0) {
        DeleteFileW(widen(staged).c_str());
        return code;
    }
    DeleteFileW(widen(newFile).c_str());
    return 0;
}

}  // namespace talkpost
