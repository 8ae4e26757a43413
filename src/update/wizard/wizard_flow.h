// The update wizard's page flow: which engine operation each button runs, in
// which order, and which page, text and button follow from its result. The
// dialog (a view) and the engine are reached through two small interfaces, so
// the flow is the same under test and in the program. Portable.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/wizard/wizard_texts.h"

namespace talkpost {

enum class WizardPage { Welcome = 0, CheckResult, WhatsNew, License, Components, Download, Complete };
enum class WizardButton { Start, Control, New, Eula, Files, Cancel, Restart };
enum class WizardMemo { WhatsNew, License };

// One entry of the engine's file list as the wizard sees it.
struct WizardFileEntry {
    std::string description;
    bool hidden = false;
    bool mandatory = false;
};

// The engine's progress events: after each transferred block (file name,
// bytes so far, file size), and the poll that asks whether to stop; both come
// from the thread the engine works on.
struct WizardProgressHandlers {
    std::function<void(const std::string& name, std::int64_t position, std::int64_t size)> onFileProgress;
    std::function<bool()> onProgressCancel;
    // Runs the engine's message boxes and dialogs on the dialog's thread and waits for them.
    std::function<void(const std::function<void()>& work)> runOnWindowThread;
};

// The engine operations and state the wizard uses, in its own terms.
class WizardEngine {
public:
    virtual ~WizardEngine() = default;
    // The dialog puts its own handlers in for its life; the engine keeps the
    // ones they replace and puts them back when asked.
    virtual void lendProgressHandlers(const WizardProgressHandlers& handlers) = 0;
    virtual void restoreProgressHandlers() = 0;
    // Sizes of the selected files for the total progress.
    virtual std::int64_t totalSize() const = 0;
    virtual std::int64_t completedSize() const = 0;
    virtual int openConnection() = 0;
    virtual bool isFtpUpdate() const = 0;
    virtual int connectFtpHost() = 0;
    virtual void setSilentDownload() = 0;
    virtual int fetchControlFile() = 0;
    virtual int checkUpdateEntry() = 0;
    virtual CheckResultFacts checkResultFacts() const = 0;
    virtual int runControlActions() = 0;
    virtual std::optional<std::vector<std::string>> fetchWhatsNew() = 0;
    virtual std::optional<std::vector<std::string>> fetchLicense() = 0;
    // Raise the engine's "downloaded" events with the fetched lines.
    virtual void raiseDownloadedWhatsNew(const std::vector<std::string>& lines) = 0;
    virtual void raiseDownloadedLicense(const std::vector<std::string>& lines) = 0;
    virtual void readFileList() = 0;
    virtual void filterFileList() = 0;
    virtual std::vector<WizardFileEntry> files() const = 0;
    // Marks each entry selected or not and removes the unselected ones.
    virtual void keepSelected(const std::vector<bool>& selected) = 0;
    virtual int downloadFiles() = 0;
    virtual void cancelUpdate() = 0;
    virtual void finishUpdate() = 0;
    virtual bool cancelled() const = 0;
    virtual void closeConnection() = 0;
    virtual void raiseSuccess() = 0;
    virtual bool restartRequired() = 0;
    virtual void restartApplication() = 0;
    // The name the user knows for the file being downloaded: its description,
    // as the components page listed it, else its name on its target; empty
    // when no file is being downloaded.
    virtual std::string currentFileShownName() const { return {}; }
};

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
    // Asked from the dialog's thread while a step runs on the engine's.
    void onCancel() { cancelRequested_ = true; }
    void onRestart();
    // Whatever closes the dialog: the connection is closed first; closing is never refused.
    void onCloseQuery() { engine_.closeConnection(); }

    // The engine polls this during a transfer.
    bool cancelRequested() const { return cancelRequested_; }

    // The file name a progress report shows: the part after the last "\" or ":".
    static std::string progressFileName(const std::string& name);

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
    std::atomic<bool> cancelRequested_{false};
    std::vector<std::size_t> rowEntries_;
};

}  // namespace talkpost
