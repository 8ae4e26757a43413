// MainWindow: the window the operator works in. Computer, user, time and
// message fields, the tool bar with Send and SendToAll, the log pane, the
// banner panel, the status bar and the menus.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/message_dispatch_win.h"
#include "computers/computer_list_win.h"
#include "nettools/netscan_win.h"
#include "settings/placement_store_win.h"
#include "settings/settings_file_win.h"
#include "update/live_update_win.h"
#include "win/controls_win.h"
#include "win/dpi_win.h"
#include "win/handles_win.h"
#include "win/window_win.h"

namespace talkpost {

// Control and command ids. Kept clear of IDOK and IDCANCEL, which the dialog
// manager sends for Enter and Escape.
enum class MainId : int {
    ToolBar = 100,
    SendButton,
    SendToAllButton,
    ComputerLabel,
    ComputerField,
    UserLabel,
    UserField,
    TimeLabel,
    TimeField,
    TimeSpin,
    MessageLabel,
    MessageEditor,
    LogLabel,
    LogPane,
    StatusBar,
    Progress,
    // Menu commands
    AutoSave = 200,
    Exit,
    ScanNetwork,
    EditComputerList,
    ClientHelp,
    LiveUpdate,
    About,
    Ping,
    RemoteDesktop,
    ComputersFromDirectory,
    ImportComputers,
    ExportComputers,
};

inline constexpr int id(MainId value) { return static_cast<int>(value); }

class MainWindow : public Window, public settings::StoredValuesHost, public ScanObserver {
public:
    // What other windows and the banner provide is plugged in here by the
    // application, so the window stays the shell around them.
    struct Features {
        std::function<void(MainWindow&)> editComputerList;
        std::function<void(MainWindow&)> computersFromDirectory;
        std::function<void(MainWindow&)> info;
        std::function<void(MainWindow&)> startBanner;
    };

    // Creates the window hidden, with the designed defaults. The arguments
    // are the program's own (without the program name); the settings are
    // the program's, read at its start (without them the window reads the
    // settings file of its own); Ping and Send to all echo with icmpLibrary.
    // The window, its LiveUpdate and its features ask and tell the operator
    // through prompts.
    explicit MainWindow(Prompts& prompts, std::vector<std::string> arguments = {},
                        settings::SettingsFile* settings = nullptr, std::string icmpLibrary = kIcmpLibrary);
    ~MainWindow() override;

    Features features;

    ComputerList& computers() { return *computers_; }
    std::string userText() const;
    std::string timeText() const;
    std::string messageText() const;
    void setUserText(const std::string& text);
    void setTimeText(const std::string& text);
    void setMessageText(const std::string& text);
    const std::string& startDir() const { return startDir_; }
    bool autoSave() const;

    // Appends one whole line at the end of the log pane.
    void appendLog(const std::string& line) override;
    std::string logText() const;

    // Status bar: panel 0 and 2 texts, panel 1 progress.
    void setStatusText(int panel, const std::string& text) override;
    std::string statusText(int panel) const;
    void setProgressMax(int maximum) override;
    void setProgressPosition(int position) override;
    int progressPosition() const;

    // The stored control values: the computer list, the user, the message's
    // lines and the time-out.
    settings::StoredValues storedValues() const override;
    void restoreStoredValues(const settings::StoredValues& values) override;

    settings::SettingsFile& settings() { return settings_; }

    // The live update engine, one for the window's life.
    update::LiveUpdate& liveUpdate() { return liveUpdate_; }

    // The width inside the time field that its text may take (without the margins).
    int timeFieldTextRoom() const;

    // The time field's value within 60..20000 (the field corrects itself when left).
    void clampTimeField();

    // The Windows folder (GetWindowsDirectoryA), empty when the call fails.
    std::string windowsDir() const;

    // The handlers of the tool bar buttons and the computer field.
    void onSend();
    void onSendToAll();
    void onComputerKeyDown(WPARAM key);
    void onPing();
    void onRemoteDesktop();
    void onScanNetwork();
    void onHowToEnableClients();
    void onImportComputers();
    void onExportComputers();
    // Import and export without the dialogs: the file is given.
    void importComputersFrom(const std::wstring& path);
    void exportComputersTo(const std::wstring& path);

    // The scan's network: the system's unless a test gives another.
    void setNetwork(std::shared_ptr<NetworkProvider> network) { network_ = std::move(network); }
    NetworkScan& scan() { return *scan_; }
    // The scan's menu entry reads "Stop scan" while the scan runs.
    void scanRunning(bool running) override;
    void showScanError(const std::string& message) override;

    // The keys that run commands (Ctrl+Enter: Send), for the message loop.
    HACCEL accelerators() const { return accelerators_.get(); }

    // Starts a hidden cmd.exe with the parameters after logging the command.
    void launchCommand(const std::string& parameters);
    // Messages whose interpreter has not reported its end yet; each end gives
    // one line in the log pane that says whether the message was delivered.
    std::size_t sendsRunning() const { return dispatch_->sendsRunning(); }
    // While Send to all runs, its button reads "Stop" and stops it.
    bool sendToAllRunning() const { return dispatch_->sendToAllRunning(); }
    // Pings whose result line has not come yet.
    std::size_t pingsRunning() const { return dispatch_->pingsRunning(); }

    static constexpr int kLeft = 395, kTop = 214, kWidth = 566, kHeight = 401;

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override;
    // Lays the window out at the scale: fonts, tool bar, fields, status bar.
    void scaleTo(int dpi) override;

private:
    struct CommandRow;
    static const std::vector<CommandRow>& commands();
    // Runs the command's handler; false for an id that is no command.
    bool runCommand(int commandId);
    void onAutoSave();
    void onExit();
    void onEditComputerList();
    void onComputersFromDirectory();
    void onLiveUpdate();
    void onAbout();

    void createMenus();
    void createToolBar();
    void createFields();
    void fitTimeField();
    // A child's rectangle in the client area.
    RECT placeOf(HWND child) const;
    void createStatusBar();
    void scaleToolBar(Dpi dpi);
    void scaleStatusBar(Dpi dpi);
    void createTooltips();
    void formShow();
    void showComputerPopup(int x, int y);
    void logTextChange();
    ProgressBar progressBar() const;
    DispatchView dispatchView();
    // Asks before a message longer than the receiver shows; true to send.
    bool longMessageConfirmed();
    // The message as its file carries it (in the ANSI code page); nothing
    // when it holds characters the file cannot carry and the operator says No.
    std::optional<std::string> messageFileText();
    void showMessageLength(bool editing);
    // Shows the refusal, if any, and tells whether there was one.
    bool refuse(const std::optional<std::string>& refusal);
    void runFeature(const std::function<void(MainWindow&)>& feature);

    static LRESULT CALLBACK fieldSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR idSubclass,
                                          DWORD_PTR refData);

    std::vector<std::string> arguments_;
    std::unique_ptr<settings::SettingsFile> ownSettings_;
    settings::SettingsFile& settings_;
    std::string startDir_;
    std::unique_ptr<ComputerList> computers_;
    UniqueGdiObject font_, richFont_, logFont_, background_, blackBrush_, whiteBrush_;
    std::vector<UniqueGdiObject> menuImages_;
    HMENU mainMenu_ = nullptr;
    UniqueAccelerators accelerators_;
    UniqueMenu popup_;
    HWND tooltip_ = nullptr;
    update::LiveUpdate liveUpdate_{settings_, prompts_};
    HWND lastFocus_ = nullptr;
    std::string statusBeforeSendToAll_;
    bool countingCharacters_ = false;
    std::string statusBeforeCounting_;
    std::unique_ptr<MessageDispatch> dispatch_;
    std::shared_ptr<NetworkProvider> network_ = systemNetwork();
    std::unique_ptr<NetworkScan> scan_;
};

}  // namespace talkpost
