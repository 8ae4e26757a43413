// Installing one fetched file as its plan says: application components are
// left for the updater helper; plain files, the files LZ expansion and
// cabinet extraction make (beside the fetched file first) are put in place
// under the update's journal, so that a failure of any of them can undo all.
#pragma once

#include <functional>
#include <string>

#include "update/install/install_decisions.h"
#include "update/install/install_journal_win.h"
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
    File,       // put in place as its plan says (a cabinet that fails is reported and kept)
    Component,  // an application component, left for the updater helper (AppComponentLoaded)
    Refused,    // its name or target folder is refused: nothing was installed
    Failed,     // a file could not be put in place ("Unable to rename file"): the update must be undone
};

// sha256: the value the fetched file's bytes were checked against (empty: none).
Installed installFetchedFile(const FetchedFile& file, const InstallSettings& settings, const InstallReport& report,
                             InstallJournal& journal, const std::string& sha256 = {});

}  // namespace talkpost::update
