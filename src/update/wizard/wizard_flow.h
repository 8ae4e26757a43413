// The update wizard's page flow: which engine operation each button runs, in
// which order, and which page, text and button follow from its result. The
// dialog (a view) and the engine are reached through two interfaces, so the
// flow is the same under test and in the program. Cancel is not the flow's:
// the dialog tells the engine's watcher. Portable.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "update/wizard/wizard_texts.h"

namespace talkpost {

enum class WizardPage { Welcome = 0, CheckResult, WhatsNew, License, Components, Download, Complete };
enum class WizardButton { Start, Control, New, Eula, Files, Cancel, Restart };
enum class WizardMemo { WhatsNew, License };

// The engine as the flow drives it (the engine itself in the program).
using update::WizardEngine;
using update::WizardFileEntry;

// The dialog as the flow drives it.
class WizardView {
public:
    virtual ~WizardView() = default;
    virtual void showPage(WizardPage page) = 0;
    virtual void setBusy(bool busy) = 0;
    virtual void setVersionInfo(const std::string& text) = 0;
    virtual std::string buttonCaption(WizardButton button) const = 0;
    // Sets the caption and widens the button to fit it, keeping its right edge.
    virtual void setButtonCaption(WizardButton button, const std::string& caption) = 0;
    virtual void enableButton(WizardButton button, bool enabled) = 0;
    virtual void focusButton(WizardButton button) = 0;
    virtual bool canFocusStart() const = 0;
    virtual void setPopupTexts(const std::string& whatsNew, const std::string& license) = 0;
    virtual void setMemoLines(WizardMemo memo, const std::vector<std::string>& lines) = 0;
    // A checked row; a mandatory row cannot be unchecked.
    virtual void addComponentRow(const std::string& text, bool mandatory) = 0;
    virtual std::vector<bool> componentRowsChecked() const = 0;
    virtual bool licenseAccepted() const = 0;
    virtual bool licenseDeclined() const = 0;
    virtual void resetProgress() = 0;
    virtual void clearRestartHint() = 0;
    virtual void plainMessage(const std::string& text) = 0;
    virtual void closeDialog() = 0;
    // Lets the operator see a page for a moment before it moves on by itself.
    virtual void pause() = 0;
};

class WizardFlow {
public:
    WizardFlow(WizardEngine& engine, WizardView& view, const UpdateWizardLanguage& texts, bool autoRun,
               bool autoStart);

    void onActivate();
    void onStart();
    void onGetUpdate();
    void onWhatsNewNext();
    void onLicenseChoice();
    void onLicenseNext();
    void onFilesNext();
    void onRestart();
    // Whatever closes the dialog: the connection is closed first; closing is never refused.
    void onCloseQuery() { engine_.closeConnection(); }

private:
    void closeWizard();
    void buildComponentList();
    // Shows NoFilesFound and closes when the list is empty; true then.
    bool emptyListStops();
    void showComponents(bool passOverEmpty);
    void showLicense(const std::vector<std::string>& lines);
    void enableAndFocus(WizardButton button);

    WizardEngine& engine_;
    WizardView& view_;
    UpdateWizardLanguage texts_;
    bool autoRun_;
    bool autoStart_;
    std::vector<std::size_t> rowEntries_;
};

}  // namespace talkpost
