// Installing one fetched file as its plan says: application components are
// left for the updater helper, plain files replace their old copies in one
// step, LZ files are expanded and cabinets extracted (and then removed).
#pragma once

#include <functional>
#include <string>

#include "update/install/install_decisions.h"
#include "update/install/install_plan.h"

namespace talkpost::update {

struct InstallReport {
    StatusSink status;                                // 962 and 947
    // "Unable to rename file <from> to <to>", "Refused file name, not installed : <path>"
    std::function<void(const std::string&)> rawLine;
    // A cabinet entry refused: outside its folder or a device name; the cabinet then fails (947).
    std::function<void(const std::string&)> skippedEntry;
};

enum class Installed {
    File,       // put in place as its plan says (a failure to do so is logged, not returned)
    Component,  // an application component, left for the updater helper (AppComponentLoaded)
    Refused,    // its name or target folder is refused: nothing was installed
};

Installed installFetchedFile(const FetchedFile& file, const InstallSettings& settings, const InstallReport& report);

}  // namespace talkpost::update
