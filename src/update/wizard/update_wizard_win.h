// UpdateWizard: the component the main window holds for "LiveUpdate". It
// carries the dialog's settings and runs the dialog modally over the engine.
#pragma once

#include <windows.h>

#include "update/wizard/update_wizard_dialog_win.h"
#include "update/wizard/wizard_texts.h"

namespace talkpost {

class UpdateWizard {
public:
    bool autoRun = false;
    bool autoStart = false;
    HBITMAP billBoard = nullptr;  // not owned; empty keeps the dialog's own picture
    WizardBorderStyle borderStyle = WizardBorderStyle::Dialog;
    std::string caption;
    WizardFont font;
    const UpdateWizardLanguage* language = nullptr;  // none: the default texts
    WizardPosition position = WizardPosition::ScreenCenter;
    WizardEngine* updateEngine = nullptr;

    // Builds the dialog, runs it modally over the owner and frees it; throws
    // "No update engine assigned" when there is no engine. A test may look at
    // the dialog while it runs through onShown.
    void runWizard(HWND owner);
    std::function<void(UpdateWizardDialog&)> onShown;
};

}  // namespace talkpost
