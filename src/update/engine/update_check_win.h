// UpdateCheck: whether the update published in the verified control file is
// newer than what is installed (checkUpdateEntry), and which of the listed
// files need fetching (filterFileList). The decisions are portable
// (install_decisions); this reads the control file and answers for the
// platform: the local files, the user's date format and the date remembered
// under the registry key. Each decision is reported as a status message.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "update/engine/control_file.h"
#include "update/engine/engine_settings.h"
#include "update/engine/remembered_values_win.h"
#include "update/engine/status_log.h"
#include "update/install/install_decisions.h"

namespace talkpost::update {

class UpdateCheck {
public:
    UpdateCheck(const EngineSettings& settings, const RememberedValues& remembered, StatusReporter& log)
        : settings_(settings), remembered_(remembered), log_(log)
    {
    }
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // A check code (CheckCode::DateNewer .. CheckCode::Unconditional). An
    // older version than the local one counts as nothing new unless the
    // control file allows the downgrade.
    int checkUpdateEntry(const ControlFile& file);
    // Drops the entries that need not be fetched; -1 when none is left.
    int filterFileList(FileList& files);

    // What the last check found, for the wizard's page.
    const std::string& description() const { return outcome_.updateDescription; }
    DateTime newDate() const { return outcome_.updateNewDate; }
    DateTime localDate() const { return outcome_.updateLocalDate; }
    // Both as the version comparison left them ("2.0.1.3", "2.0.1.2").
    const std::string& newVersion() const { return outcome_.updateNewVersion; }
    const std::string& localVersion() const { return outcome_.updateLocalVersion; }
    // The check compared with a date remembered under the registry key; the
    // update's date is remembered in its place when the update is finished.
    bool lastDateKnown() const { return lastDateKnown_; }

private:
    const EngineSettings& settings_;
    const RememberedValues& remembered_;
    StatusReporter& log_;
    CheckOutcome outcome_;
    bool lastDateKnown_ = false;
};

}  // namespace talkpost::update
