// UpdateWizard: the component the main window holds for "LiveUpdate". It
// carries the dialog's settings and the mailbox the engine is made watching,
// and runs the dialog modally over the engine.
#pragma once

#include <windows.h>

#include "update/wizard/update_wizard_dialog_win.h"
#include "update/wizard/wizard_mailbox_win.h"
#include "update/wizard/wizard_texts.h"

namespace talkpost {

class UpdateWizard {
public:
    // prompts: where the dialog asks and tells the operator.
    explicit UpdateWizard(Prompts& prompts) : prompts_(prompts) {}

    bool autoRun = false;
    bool autoStart = false;
    HBITMAP billBoard = nullptr;  // not owned; empty keeps the dialog's own picture
    WizardBorderStyle borderStyle = WizardBorderStyle::Dialog;
    std::string caption;
    WizardFont font;
    const UpdateWizardLanguage* language = nullptr;  // none: the default texts
    WizardPosition position = WizardPosition::ScreenCenter;
    // An engine made watching mailbox().
    WizardEngine* updateEngine = nullptr;

    // Where the engine leaves its progress for the dialog and reads Cancel.
    WizardMailbox& mailbox() { return mailbox_; }

    // Builds the dialog, runs it modally over the owner and frees it; throws
    // "No update engine assigned" when there is no engine.
    void runWizard(HWND owner);

private:
    Prompts& prompts_;
    WizardMailbox mailbox_;
};

}  // namespace talkpost
