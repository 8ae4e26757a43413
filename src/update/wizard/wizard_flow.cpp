// The update wizard's page flow: one handler per button, each running its
// engine operations in order and turning their results into the next page.
#include "update/wizard/wizard_flow.h"

namespace talkpost {

WizardFlow::WizardFlow(WizardEngine& engine, WizardView& view, const UpdateWizardLanguage& texts, bool autoRun,
                       bool autoStart)
    : engine_(engine), view_(view), texts_(texts), autoRun_(autoRun), autoStart_(autoStart)
{
}

void WizardFlow::closeWizard()
{
    engine_.closeConnection();
    view_.closeDialog();
}

void WizardFlow::enableAndFocus(WizardButton button)
{
    view_.enableButton(button, true);
    view_.focusButton(button);
}

void WizardFlow::onActivate()
{
    if (!view_.canFocusStart())
        return;
    view_.focusButton(WizardButton::Start);
    if (autoStart_) {
        view_.showPage(WizardPage::CheckResult);
        view_.pause();
        onStart();
    }
}

void WizardFlow::onStart()
{
    view_.setBusy(true);
    view_.enableButton(WizardButton::Start, false);
    view_.enableButton(WizardButton::Control, false);
    view_.setPopupTexts(texts_.whatsNewPopup, texts_.licensePopup);

    if (engine_.openConnection() != 0) {
        view_.setBusy(false);
        closeWizard();
        return;
    }
    view_.setBusy(false);
    if (engine_.isFtpUpdate())
        engine_.connectFtpHost();
    engine_.setSilentDownload();

    bool asked = true;
    if (engine_.fetchControlFile() != 0) {
        view_.showPage(WizardPage::CheckResult);
        view_.setVersionInfo(controlFileFailedText(texts_));
        view_.setButtonCaption(WizardButton::Control, texts_.exitButton);
    } else {
        view_.enableButton(WizardButton::Start, true);
        view_.showPage(WizardPage::CheckResult);
        int code = engine_.checkUpdateEntry();
        CheckResultFacts facts = engine_.checkResultFacts();
        view_.setVersionInfo(checkResultText(code, facts, texts_));
        view_.setButtonCaption(WizardButton::Control,
                               code == update::CheckCode::NoNewVersion ? texts_.exitButton : texts_.getUpdateButton);
        // An update rolled back here is fetched again only when the operator asks.
        asked = facts.rolledBackUpdate.empty();
    }
    enableAndFocus(WizardButton::Control);
    if (autoRun_ && asked) {
        view_.pause();
        onGetUpdate();
    }
}

void WizardFlow::onGetUpdate()
{
    view_.enableButton(WizardButton::Control, false);
    if (view_.buttonCaption(WizardButton::Control) == texts_.exitButton) {
        closeWizard();
        return;
    }
    if (engine_.runControlActions() != 0) {
        closeWizard();
        return;
    }
    if (std::optional<std::vector<std::string>> whatsNew = engine_.fetchWhatsNew()) {
        view_.setMemoLines(WizardMemo::WhatsNew, *whatsNew);
        view_.showPage(WizardPage::WhatsNew);
        enableAndFocus(WizardButton::New);
        if (autoRun_) {
            view_.pause();
            onWhatsNewNext();
        }
        return;
    }
    if (std::optional<std::vector<std::string>> license = engine_.fetchLicense()) {
        showLicense(*license);
        return;
    }
    buildComponentList();
    if (emptyListStops())
        return;
    // Reached directly, a list whose files are all hidden has nothing to choose.
    showComponents(rowEntries_.empty());
}

void WizardFlow::onWhatsNewNext()
{
    if (std::optional<std::vector<std::string>> license = engine_.fetchLicense()) {
        showLicense(*license);
        return;
    }
    buildComponentList();
    if (emptyListStops())
        return;
    showComponents(false);
}

void WizardFlow::showLicense(const std::vector<std::string>& lines)
{
    view_.setMemoLines(WizardMemo::License, lines);
    view_.showPage(WizardPage::License);
    if (autoRun_) {
        view_.setButtonCaption(WizardButton::Eula, texts_.nextButton);
        view_.enableButton(WizardButton::Eula, true);
        view_.pause();
        onLicenseNext();
    }
}

void WizardFlow::showComponents(bool passOverEmpty)
{
    view_.showPage(WizardPage::Components);
    enableAndFocus(WizardButton::Files);
    if (autoRun_ || passOverEmpty) {
        view_.pause();
        onFilesNext();
    }
}

void WizardFlow::onLicenseChoice()
{
    if (view_.licenseAccepted()) {
        view_.setButtonCaption(WizardButton::Eula, texts_.nextButton);
        view_.enableButton(WizardButton::Eula, true);
    } else if (view_.licenseDeclined()) {
        view_.setButtonCaption(WizardButton::Eula, texts_.exitButton);
        view_.enableButton(WizardButton::Eula, true);
    }
}

void WizardFlow::onLicenseNext()
{
    if (view_.licenseAccepted()) {
        // An empty list is caught by the next page's button, not here.
        buildComponentList();
        showComponents(false);
    } else if (view_.licenseDeclined()) {
        closeWizard();
    }
}

void WizardFlow::buildComponentList()
{
    engine_.readFileList();
    engine_.filterFileList();
    rowEntries_.clear();
    std::vector<WizardFileEntry> files = engine_.files();
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (files[i].hidden)
            continue;
        view_.addComponentRow(files[i].description, files[i].mandatory);
        rowEntries_.push_back(i);
    }
}

bool WizardFlow::emptyListStops()
{
    if (!engine_.files().empty())
        return false;
    view_.plainMessage(texts_.noFilesFound);
    closeWizard();
    return true;
}

void WizardFlow::onFilesNext()
{
    // Hidden entries have no row and stay selected.
    std::vector<bool> selected(engine_.files().size(), true);
    std::vector<bool> checked = view_.componentRowsChecked();
    for (std::size_t row = 0; row < checked.size() && row < rowEntries_.size(); ++row) {
        if (!checked[row] && rowEntries_[row] < selected.size())
            selected[rowEntries_[row]] = false;
    }
    engine_.keepSelected(selected);
    rowEntries_.clear();
    if (emptyListStops())
        return;

    view_.resetProgress();
    view_.showPage(WizardPage::Download);
    if (autoRun_)
        view_.enableButton(WizardButton::Cancel, false);
    else
        enableAndFocus(WizardButton::Cancel);

    view_.setBusy(true);
    if (engine_.downloadFiles() == -1) {
        view_.setBusy(false);
        engine_.cancelUpdate();
        view_.plainMessage(texts_.failedDownload);
    }
    engine_.finishUpdate();
    view_.setBusy(false);
    if (engine_.cancelled()) {
        closeWizard();
        return;
    }
    engine_.closeConnection();

    // The page is made ready before it shows: it never shows a caption that changes.
    if (!engine_.restartRequired()) {
        view_.setButtonCaption(WizardButton::Restart, texts_.exitButton);
        view_.clearRestartHint();
    }
    view_.showPage(WizardPage::Complete);
    enableAndFocus(WizardButton::Restart);
    if (autoRun_) {
        view_.pause();
        onRestart();
    }
}

void WizardFlow::onRestart()
{
    if (engine_.restartRequired())
        engine_.restartApplication();
    else
        view_.closeDialog();
}

}  // namespace talkpost
