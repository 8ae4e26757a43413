// Installing one fetched file as its plan says: application components are
// left for the updater helper, plain files replace their old copies in one
// step, LZ files are expanded, cabinets extracted and patches run.
#pragma once

#include <functional>
#include <string>

#include "update/install/install_decisions.h"
#include "update/install/install_plan.h"

namespace talkpost::update {

struct InstallReport {
    StatusSink status;                                // 962, 947 and the "Exec: " status 18
    // "Unable to rename file <from> to <to>", "Refused file name, not installed : <path>"
    std::function<void(const std::string&)> rawLine;
    // A cabinet entry refused: outside its folder or a device name; the cabinet then fails (947).
    std::function<void(const std::string&)> skippedEntry;
};

// Returns true when the file is an application component (AppComponentLoaded).
bool installFetchedFile(const FetchedFile& file, const InstallSettings& settings, const InstallReport& report);

}  // namespace talkpost::update
