// Runs the LiveUpdate dialog once: texts from the language (or the defaults),
// the progress and Cancel through the wizard's mailbox.
#include "update/wizard/update_wizard_win.h"

#include "base/app_error.h"

namespace talkpost {

void UpdateWizard::runWizard(HWND owner)
{
    if (updateEngine == nullptr)
        throw AppError("No update engine assigned");
    WizardDialogSettings settings;
    settings.caption = caption;
    settings.borderStyle = borderStyle;
    settings.position = position;
    settings.font = font;
    settings.billboard = billBoard;
    settings.autoRun = autoRun;
    settings.autoStart = autoStart;
    // Without a language a temporary one with the default texts serves this run.
    const UpdateWizardLanguage defaults;
    UpdateWizardDialog dialog(prompts_, owner, *updateEngine, mailbox_, language != nullptr ? *language : defaults,
                              settings);
    dialog.showModal();
}

}  // namespace talkpost
