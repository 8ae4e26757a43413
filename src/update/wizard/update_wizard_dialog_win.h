// UpdateWizardDialog: the LiveUpdate dialog, made anew for every run. Seven
// pages without tabs beside a billboard picture; each page has its action
// button in the lower right corner. The dialog only shows things: what each
// button does is the wizard's page flow, which runs its steps (and with them
// the engine) on a worker thread of this run; the worker hands the dialog
// what it shows and tells it when a step has ended, so the dialog never waits.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/serial_worker.h"
#include "update/wizard/window_thread_view_win.h"
#include "update/wizard/wizard_flow.h"
#include "update/wizard/wizard_mailbox_win.h"
#include "win/folders_win.h"
#include "win/handles_win.h"
#include "win/painted_control_win.h"
#include "win/window_win.h"

namespace talkpost {

enum class WizardControl {
    Billboard = 200,
    WelcomeLabel,
    StartButton,
    VersionInfoLabel,
    ControlButton,
    WhatsNewHeading,
    WhatsNewMemo,
    NewButton,
    LicenseHeading,
    EulaMemo,
    AcceptRadio,
    DeclineRadio,
    EulaButton,
    ComponentsHeading,
    ComponentList,
    FilesButton,
    DownloadHeading,
    FileProgressLabel,
    FileLabel,
    FileProgress,
    TotalProgressLabel,
    TotalProgress,
    CancelButton,
    CompleteHeading,
    RestartHint,
    RestartButton,
};

enum class WizardBorderStyle { None, Single, Sizeable, Dialog, ToolWindow, SizeToolWindow };
enum class WizardPosition {
    Designed,
    Default,
    DefaultPosOnly,
    DefaultSizeOnly,
    ScreenCenter,
    DesktopCenter,
    MainFormCenter,
    OwnerFormCenter
};

struct WizardFont {
    std::string face = "Verdana";
    int points = 9;
    bool bold = true;
};

// What the dialog is made with (the wizard component's settings).
struct WizardDialogSettings {
    std::string caption;
    WizardBorderStyle borderStyle = WizardBorderStyle::Dialog;
    WizardPosition position = WizardPosition::ScreenCenter;
    WizardFont font;
    HBITMAP billboard = nullptr;  // not owned; empty keeps the dialog's own picture
    bool autoRun = false;
    bool autoStart = false;
};

class UpdateWizardDialog : public Window, private WizardView {
public:
    static constexpr int kClientWidth = 474;
    static constexpr int kClientHeight = 284;

    // The engine is one made watching mailbox: the dialog opens the mailbox
    // for its life and reads the progress and tells Cancel through it.
    UpdateWizardDialog(Prompts& prompts, HWND owner, WizardEngine& engine, WizardMailbox& mailbox,
                       const UpdateWizardLanguage& texts, const WizardDialogSettings& settings);
    ~UpdateWizardDialog() override;

    HWND control(WizardControl id) const { return Window::control(static_cast<int>(id)); }
    WizardPage page() const { return page_; }
    WizardFlow& flow() { return flow_; }
    // True from a button's click until its step has ended on the worker.
    bool stepRunning() const { return stepRunning_; }
    // Checks or unchecks a row as a click on its box would; a mandatory row stays checked.
    void toggleRow(int row);
    bool rowChecked(int row) const;
    bool rowMandatory(int row) const;
    // "View in Notepad" of the what's-new or license text.
    void viewInNotepad(WizardMemo memo);
    // The editor "View in Notepad" starts, by its full path in the system
    // folder; a test points it elsewhere.
    std::string notepadProgram = systemProgramPath("notepad.exe");

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override;
    // Lays the wizard out at the scale: font, page controls, side picture, list rows.
    void scaleTo(int dpi) override;

private:
    // The view the flow drives.
    void showPage(WizardPage page) override;
    void setBusy(bool busy) override;
    void setVersionInfo(const std::string& text) override;
    std::string buttonCaption(WizardButton button) const override;
    void setButtonCaption(WizardButton button, const std::string& caption) override;
    void enableButton(WizardButton button, bool enabled) override;
    void focusButton(WizardButton button) override;
    bool canFocusStart() const override;
    void setPopupTexts(const std::string& whatsNew, const std::string& license) override;
    void setMemoLines(WizardMemo memo, const std::vector<std::string>& lines) override;
    void addComponentRow(const std::string& text, bool mandatory) override;
    std::vector<bool> componentRowsChecked() const override;
    bool licenseAccepted() const override;
    bool licenseDeclined() const override;
    void resetProgress() override;
    void clearRestartHint() override;
    void plainMessage(const std::string& text) override;
    void closeDialog() override;
    void pause() override;

    void applyTexts(const UpdateWizardLanguage& texts);
    void fitButton(HWND button);
    void paintProgress();
    void onCommand(int id, int code);
    // Hands one step of the flow to the worker; one step at a time.
    void runStep(std::function<void()> step);
    // The worker's mail that the step has ended: a close asked for meanwhile takes effect now.
    void onStepEnded();
    void onMemoMenu(WizardMemo memo, HWND memoWindow, LPARAM where);
    void onDrawRow(const DRAWITEMSTRUCT& item);
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                         DWORD_PTR self);

    WizardMailbox& mailbox_;
    WindowThreadView threadView_;
    WizardFlow flow_;
    WizardDialogSettings settings_;
    UniqueGdiObject font_;
    std::unique_ptr<PaintedControl> billboard_;
    WizardPage page_ = WizardPage::Welcome;
    bool busy_ = false;
    bool stepRunning_ = false;
    // From a step's hand-over to the worker until its last act (the dialog's own view: stepRunning_).
    std::atomic<bool> workerBusy_{false};
    bool closeAfterStep_ = false;
    // A button pressed while a step ran, heard when it has ended (0: none).
    WPARAM pendingCommand_ = 0;
    std::mutex workerMutex_;  // guards stepFailure_
    // What a step threw, kept by the worker until the dialog reports it.
    std::exception_ptr stepFailure_;
    // Last: it ends (its queue empty) before anything it uses goes.
    std::unique_ptr<SerialWorker> worker_ = std::make_unique<SerialWorker>();
    std::string whatsNewPopup_ = "View in Notepad";
    std::string licensePopup_ = "View in Notepad";
};

}  // namespace talkpost
