// The texts of the update wizard: one language holds every text the dialog
// shows, each with its English default, so the dialog can speak another
// language without a change to its code. Portable.
#pragma once

#include <string>

#include "update/engine/wizard_engine.h"
#include "update/install/check_codes.h"

namespace talkpost {

struct UpdateWizardLanguage {
    std::string welcome = "Press start to start checking for available application updates ...";
    std::string startButton = "Start";
    std::string nextButton = "Next";
    std::string exitButton = "Exit";
    std::string restartButton = "Restart";
    std::string cancelButton = "Cancel";
    std::string failedDownload = "Failed to download updates";
    std::string getUpdateButton = "Get update";
    std::string newVersionFound = "New version found";
    std::string newVersion = "New version";
    std::string noNewVersionAvail = "No new version available.";
    std::string newVersionAvail = "New version available.";
    std::string currentVersion = "Current version";
    std::string noFilesFound = "No files found for update";
    std::string noUpdateOnServer = "no update found on server ...";
    std::string cannotConnect = "Could not connect to update server or";
    std::string whatsNew = "What's new";
    std::string license = "License agreement";
    std::string acceptLicense = "I accept";
    std::string notAcceptLicense = "I do not accept";
    std::string componentsAvail = "Available application components";
    std::string downloadingFiles = "Downloading files";
    std::string currentProgress = "Current file progress";
    std::string totalProgress = "Total file progress";
    std::string updateComplete = "Update completed ...";
    std::string restartInfo = "Press restart to start the updated application.";
    std::string whatsNewPopup = "View in Notepad";
    std::string licensePopup = "View in Notepad";

    // Copies every text of another language.
    void assign(const UpdateWizardLanguage& source) { *this = source; }
};

// The English texts the main window's wizard uses: the defaults, every one.
struct UpdateWizardEnglish : UpdateWizardLanguage {};

using update::CheckResultFacts;

// The check page's text for an update that was rolled back here: it is
// fetched again only when the operator asks for it with Get update.
std::string rolledBackText(const std::string& update);

// The check page's text for a check code; empty for a code that names no result.
std::string checkResultText(int code, const CheckResultFacts& facts, const UpdateWizardLanguage& texts);

// The check page's text when the control file could not be fetched.
std::string controlFileFailedText(const UpdateWizardLanguage& texts);

}  // namespace talkpost
