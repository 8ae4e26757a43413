// The installation steps of one fetched file on the platform.
#include "update/install/install_fetched_win.h"

#include <windows.h>

#include "update/install/cabinet_win.h"
#include "update/install/file_names.h"
#include "update/install/install_files_win.h"
#include "update/install/lz_expand_win.h"
#include "win/replace_file_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

// The status numbers and status codes of what the installation reports.
constexpr int kComponentFound = 962, kCabinetFailed = 947;
constexpr std::int32_t kStatusNone = 0, kStatusCabinetFailed = 8;
// Room for a full path of the longest the classic functions take, twice over.
constexpr DWORD kPathBuffer = MAX_PATH * 2;

std::string fullPath(const std::string& path)
{
    wchar_t buffer[kPathBuffer] = {};
    DWORD n = GetFullPathNameW(widen(path).c_str(), kPathBuffer, buffer, nullptr);
    return n > 0 && n < kPathBuffer ? narrow(std::wstring_view(buffer, n)) : path;
}

}  // namespace

Installed installFetchedFile(const FetchedFile& file, const InstallSettings& settings, const InstallReport& report,
                             InstallJournal& journal, const std::string& sha256)
{
    InstallPlan plan = planInstall(file, settings);
    std::string fetched = file.downloadFolder + file.name;
    if (plan.refused) {
        if (report.rawLine)
            report.rawLine(refusedNameLine(file.targetDir + file.name));
        return Installed::Refused;
    }
    if (plan.component) {
        if (report.status)
            report.status(kComponentFound, file.name, kStatusNone);
        return Installed::Component;
    }
    // One file into place under the journal; its failure undoes the update.
    auto place = [&](const std::string& source, const std::string& sha256, const std::string& target) {
        if (journal.putInPlace(source, sha256, target) == 0)
            return true;
        if (report.rawLine)
            report.rawLine("Unable to rename file " + source + " to " + target);
        return false;
    };
    if (plan.moveToTarget) {
        if (!place(fetched, sha256, file.targetDir + file.name))
            return Installed::Failed;
        DeleteFileW(widen(fetched).c_str());
    }
    if (plan.lzExpand) {
        // Expanded beside the fetched file under the name its header gives,
        // then put in the current directory.
        auto name = expandedNameOf(fetched);
        std::string expanded = name ? lastPathPart(*name) : file.name;
        std::string staged = file.downloadFolder + "expanded-" + expanded;
        bool same = !name || sameFileName(*name, fetched);
        if (!same && !lzExpandFile(fetched, staged))
            return Installed::File;  // not an LZ file after all: nothing to put anywhere
        bool placed = place(same ? fetched : staged, same ? sha256 : std::string(), fullPath(expanded));
        DeleteFileW(widen(staged).c_str());
        if (!placed)
            return Installed::Failed;
        DeleteFileW(widen(fetched).c_str());
    }
    if (plan.extractCabinet) {
        // Extracted beside the cabinet first; only a cabinet extracted whole
        // is put in place. One that failed stays for the log's reader.
        std::string staged = file.downloadFolder + "cabinet-" + file.name + "\\";
        std::string target = file.targetDir.empty() ? withBackslash(fullPath(".")) : file.targetDir;
        if (!createFolders(staged) || extractCabinet(fetched, staged, report.skippedEntry) != 0) {
            if (report.status)
                report.status(kCabinetFailed, fetched, kStatusCabinetFailed);
            return Installed::File;
        }
        for (const std::string& relative : filesBelow(staged))
            if (!place(staged + relative, {}, target + relative))
                return Installed::Failed;
        DeleteFileW(widen(fetched).c_str());
    }
    return Installed::File;
}

}  // namespace talkpost::update
