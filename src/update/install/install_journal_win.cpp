// The install journal on the platform: appended and flushed before each step,
// old copies made beside their targets, new files moved over their targets
// in one step.
#include "update/install/install_journal_win.h"

#include <windows.h>

#include <vector>

#include "update/install/file_names.h"
#include "update/install/install_files_win.h"
#include "update/install/install_restart.h"
#include "win/replace_file_win.h"
#include "update/install/sha256_win.h"
#include "win/file_bytes_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

// A journal holds a few lines per file of one update; one larger than this
// is not ours and is not acted on.
constexpr std::size_t kMaxJournalBytes = 4 * 1024 * 1024;
// Files are copied in blocks of this size.
constexpr DWORD kCopyBlock = 1u << 16;

std::string parentFolder(const std::string& path)
{
    std::size_t cut = path.find_last_of('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// Copies what is read from source to a new file at destination, hashing it
// on the way, and flushes it to the disk. The hash, or nothing on a failure
// (the partial file is removed).
std::optional<std::string> copyHashed(HANDLE source, const std::string& destination, DWORD& error)
{
    UniqueFile out(CreateFileW(widen(destination).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!out) {
        error = GetLastError();
        return std::nullopt;
    }
    Sha256 hash;
    std::vector<char> block(kCopyBlock);
    bool ok = true;
    for (;;) {
        DWORD got = 0, written = 0;
        if (!ReadFile(source, block.data(), kCopyBlock, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (!hash.add(block.data(), got) || !WriteFile(out.get(), block.data(), got, &written, nullptr) ||
            written != got) {
            ok = false;
            break;
        }
    }
    ok = ok && FlushFileBuffers(out.get());
    if (!ok)
        error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    out.reset();
    auto digest = ok ? hash.finishHex() : std::nullopt;
    if (!digest) {
        if (ok)
            error = ERROR_INVALID_DATA;
        DeleteFileW(widen(destination).c_str());
    }
    return digest;
}

// The old bytes of target under the old copy's name: a whole copy that takes
// the name only once it is complete, so that a kill never leaves a part to
// put back. (A second name for the same data would not do: it shares the
// file's locks, and a move of one name over the other changes nothing.)
bool keepOldCopy(const std::string& target, const std::string& updateId)
{
    std::string old = oldCopyBeside(target, updateId);
    std::string part = partialCopyBeside(target, updateId);
    if (CopyFileW(widen(target).c_str(), widen(part).c_str(), FALSE) && flushToDisk(part) &&
        MoveFileExW(widen(part).c_str(), widen(old).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(widen(part).c_str());
    return false;
}

bool removeFile(const std::string& path)
{
    if (DeleteFileW(widen(path).c_str()))
        return true;
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return true;
    SetFileAttributesW(widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(widen(path).c_str()) != FALSE;
}

bool runPlan(const std::vector<RestoreAction>& plan)
{
    bool all = true;
    for (const RestoreAction& action : plan) {
        switch (action.kind) {
        case RestoreAction::PutBack:
            // No old copy: the step had not reached the target, which is unchanged.
            if (fileExists(action.from) && replaceFile(action.from, action.to) != 0)
                all = false;
            break;
        case RestoreAction::Remove:
            if (!removeFile(action.to))
                all = false;
            break;
        case RestoreAction::RemoveFolder:
            // A folder that holds files of others stays.
            RemoveDirectoryW(widen(action.to).c_str());
            break;
        }
    }
    return all;
}

std::vector<JournalEntry> readJournal(const std::string& path)
{
    auto bytes = readFileBytes(path, kMaxJournalBytes);
    return bytes ? parseJournal(*bytes) : std::vector<JournalEntry>{};
}

}  // namespace

InstallJournal::InstallJournal(const std::string& updateFolder)
    : folder_(withBackslash(updateFolder)), path_(folder_ + kJournalName), updateId_(updateIdOf(updateFolder))
{
    for (const JournalEntry& entry : readJournal(path_)) {
        ++steps_;
        if (entry.step == JournalStep::Replace || entry.step == JournalStep::Create)
            targets_.insert(upperFileName(entry.path));
    }
}

bool InstallJournal::append(JournalStep step, const std::string& path)
{
    std::string line = journalLine({step, path});
    UniqueFile file(CreateFileW(widen(path_).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    bool ok = file && WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
              written == line.size() && FlushFileBuffers(file.get());
    if (ok)
        ++steps_;
    return ok;
}

unsigned long InstallJournal::makeFolders(const std::string& folder)
{
    if (folder.empty() || folderExists(folder))
        return 0;
    if (unsigned long code = makeFolders(parentFolder(folder)))
        return code;
    if (!append(JournalStep::Folder, folder))
        return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    if (!CreateDirectoryW(widen(folder).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return GetLastError();
    return 0;
}

unsigned long InstallJournal::putInPlace(const std::string& source, const std::string& expectedSha256,
                                         const std::string& target)
{
    // Held open against writes and deletion until its bytes are copied.
    UniqueFile from(CreateFileW(widen(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from)
        return GetLastError();
    if (unsigned long code = makeFolders(parentFolder(target)))
        return code;
    bool existed = fileExists(target);
    bool first = targets_.insert(upperFileName(target)).second;
    if (first && !append(existed ? JournalStep::Replace : JournalStep::Create, target))
        return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;

    std::string fresh = newCopyBeside(target, updateId_);
    DWORD error = 0;
    auto digest = copyHashed(from.get(), fresh, error);
    if (!digest)
        return error;
    if (!expectedSha256.empty() && *digest != expectedSha256) {
        DeleteFileW(widen(fresh).c_str());
        return ERROR_INVALID_DATA;
    }
    // The first old copy is the one a restore puts back; a second write of
    // the same target replaces only what this update put there.
    if (first && existed && !keepOldCopy(target, updateId_)) {
        error = GetLastError();
        DeleteFileW(widen(fresh).c_str());
        return error ? error : ERROR_WRITE_FAULT;
    }
    if (unsigned long code = replaceFile(fresh, target)) {
        // The target was not touched: the old copy made for it goes too.
        DeleteFileW(widen(fresh).c_str());
        if (first && existed)
            DeleteFileW(widen(oldCopyBeside(target, updateId_)).c_str());
        return code;
    }
    return 0;
}

void InstallJournal::commit()
{
    if (steps_ == 0)
        return;
    append(JournalStep::Done, {});
    finishJournal(folder_);
}

bool InstallJournal::restore()
{
    bool all = finishJournal(folder_);
    targets_.clear();
    steps_ = 0;
    return all;
}

bool finishJournal(const std::string& updateFolder)
{
    std::string path = withBackslash(updateFolder) + kJournalName;
    std::vector<JournalEntry> entries = readJournal(path);
    if (entries.empty())
        return true;
    // Once all of it is undone (or cleaned up) the journal goes, so that no
    // later run undoes it a second time.
    if (!runPlan(restorePlan(entries, updateIdOf(updateFolder))))
        return false;
    DeleteFileW(widen(path).c_str());
    return true;
}

}  // namespace talkpost::update
