// The installation steps of one fetched file on the platform.
#include "update/install/install_fetched_win.h"

#include <windows.h>

#include "update/install/cabinet_win.h"
#include "update/install/lz_expand_win.h"
#include "update/install/replace_file_win.h"

namespace talkpost::update {
namespace {

// The status numbers and status codes of what the installation reports.
constexpr int kComponentFound = 962, kCabinetFailed = 947;
constexpr std::int32_t kStatusNone = 0, kStatusCabinetFailed = 8;
// Room for a full path of the longest the A-functions take, twice over.
constexpr DWORD kPathBuffer = MAX_PATH * 2;

std::string fullPath(const std::string& path)
{
    char buffer[kPathBuffer] = {};
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

}  // namespace

Installed installFetchedFile(const FetchedFile& file, const InstallSettings& settings, const InstallReport& report)
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
    if (plan.moveToTarget) {
        // The old copy is only ever replaced, never deleted first: when the
        // replacement cannot be done both stay where they are.
        std::string target = file.targetDir + file.name;
        if (replaceFile(fetched, target) != 0 && report.rawLine)
            report.rawLine("Unable to rename file " + fetched + " to " + target);
    }
    if (plan.lzExpand) {
        // Expanded in the current directory, under the name its header gives.
        std::string here = fullPath(file.name);
        if (sameFileName(here, fullPath(fetched)) || replaceFile(fetched, here) == 0)
            expandCompressedFile(here);
    }
    if (plan.extractCabinet) {
        // An extracted cabinet has done its work; one that failed stays for the log's reader.
        if (extractCabinet(fetched, file.targetDir, report.skippedEntry) != 0) {
            if (report.status)
                report.status(kCabinetFailed, fetched, kStatusCabinetFailed);
        } else {
            DeleteFileA(fetched.c_str());
        }
    }
    return Installed::File;
}

}  // namespace talkpost::update
