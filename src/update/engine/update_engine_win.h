// UpdateEngine: the live update engine that the wizard and the main window
// talk to. It carries the settings and events of one update, opens and closes
// its Internet connection, brings the control file, the documents and the
// update's files from the server, and reports every step as a numbered status
// message to the update log. It owns no window and may work on a thread of its
// own: the login dialog and the hand-over to the window's thread are plugged
// in by its owner. The pieces it is made of are
// types of their own: the verified control file (ControlFile, control_file),
// the connection and its transfers (Connection, connection_win), one HTTP
// fetch off the window's thread (httpFetch, http_fetch_win), the update's
// download folder (UpdateFolder, update_folder_win), the values remembered in
// the registry (RememberedValues), and the steps after the fetch: the update
// check (UpdateCheck, update_check_win), the installation (Installation,
// installation_win) and the restart (Restart, restart_win). The steps'
// results are theirs: engine.installation().appComponentLoaded(). Who shows
// the update (the wizard) watches it through the UpdateWatcher it is made with.
//
// One update calls, in this order: openConnection, connectFtpHost (FTP only),
// fetchControlFile, checkUpdateEntry, runControlActions, fetchWhatsNew /
// fetchLicense, readFileList, filterFileList, downloadFiles, finishUpdate,
// closeConnection, restartRequired / restartApplication.
//
// The control file is fetched into memory, its signature checked over those
// bytes and the parsed form built from the same bytes: nothing of it is ever
// read back from disk. Every file of one update is downloaded into a folder of
// its own, removed when the update ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/engine/connection_win.h"
#include "update/engine/control_file.h"
#include "update/engine/engine_settings.h"
#include "update/engine/http_fetch_win.h"
#include "update/engine/installation_win.h"
#include "update/engine/remembered_values_win.h"
#include "update/engine/restart_win.h"
#include "update/engine/signature.h"
#include "update/engine/status_log.h"
#include "update/engine/update_check_win.h"
#include "update/engine/update_folder_win.h"
#include "update/engine/wizard_engine.h"
#include "win/handles_win.h"

namespace talkpost::update {

// An update the updater helper rolled back: the serial of its control file
// and the name it was known by.
struct RolledBackUpdate {
    std::uint64_t serial = 0;
    std::string name;
};

// Results of the engine's operations (those of openConnection: connection_win).
inline constexpr int kControlFileFetched = 0, kControlFileNotFound = 4, kSignatureMismatch = 5;

class UpdateEngine : public WizardEngine,
                     private TransferHost,
                     private Installation::Host,
                     private Restart::Host {
public:
    // prompts: where the update's messages and questions are shown.
    // watcher: who shows this engine's updates (the wizard); without one
    // nothing is shown, nothing cancels, and the prompts run on the calling thread.
    explicit UpdateEngine(Prompts& prompts, UpdateWatcher* watcher = nullptr) : watcher_(watcher), prompts_(prompts)
    {
    }
    ~UpdateEngine();
    UpdateEngine(const UpdateEngine&) = delete;
    UpdateEngine& operator=(const UpdateEngine&) = delete;

    // The published settings (component defaults until the owner sets them).
    EngineSettings settings;
    // The key control files must be signed for; the built-in one by default.
    std::optional<PublicKeyBytes> publicKey = publicKeyFromPem(builtInPublicKeyPem());

    // Where the highest serial of an accepted control file is remembered
    // (the owner wires it to the settings file); without them nothing is
    // remembered and every serial counts.
    std::function<std::uint64_t()> readHighestSerial;
    std::function<void(std::uint64_t)> saveHighestSerial;
    // The update the updater helper rolled back on this computer because its
    // program did not start (the owner wires it to the settings file).
    std::function<std::optional<RolledBackUpdate>()> readRolledBack;

    // The login dialog: (prompt, user in/out, password in/out) -> confirmed.
    // Without it every request for credentials counts as cancelled.
    std::function<bool(const std::string& prompt, std::string& user, std::string& password)> showLogin;
    // How long a file's server may send nothing before the download ends.
    DWORD networkTimeoutMs = kNetworkTimeoutMs;
    // How long the control file, its signature or a document may take in all.
    DWORD documentDeadlineMs = kDocumentDeadlineMs;
    // The window that owns the engine's message boxes (none by default).
    void setPromptOwner(HWND owner) { promptOwner_ = owner; }

    // Connection.
    int openConnection() override;
    bool isFtpUpdate() const override { return settings.updateType == UpdateType::Ftp; }
    int connectFtpHost() override;
    int closeConnection() override;
    void setSilentDownload() override { settings.downloadPrompt = DownloadPrompt::Silent; }

    // Fetches.
    int fetchControlFile() override;
    std::optional<std::vector<std::string>> fetchWhatsNew() override;
    std::optional<std::vector<std::string>> fetchLicense() override;
    // One file into folder; more than maxBytes fails it.
    bool transferFile(const std::string& address, const std::string& folder,
                      std::uint64_t maxBytes = kMaxUnlistedFileBytes) override;

    // The control file as verified.
    std::int32_t readFileList() override;
    std::string readControlString(const std::string& section, const std::string& key, const std::string& fallback = {}) const;
    bool hasControlFile() const { return control_.has_value(); }
    // The last control file's serial, and the name its update is known by:
    // its new version, else its date, else its serial. Kept after the
    // connection is closed, for the restart.
    std::uint64_t publicationSerial() const override { return serial_; }
    std::string updateName() const override { return updateName_; }
    // The update's name when the control file offers the very update that was
    // rolled back here; empty otherwise.
    std::string rolledBackUpdateName() const;
    std::string expandMacros(const std::string& text) override;
    // The local name of an address: its last path segment.
    std::string fileNameFromURL(const std::string& address) override;

    // Status messages and the log.
    void reportStatus(int number, const std::string& argument = {}, int statusCode = kStatusInfo,
                      int errorCode = kErrorNone) override;
    void appendLogLine(const std::string& text) override;

    // The steps after the fetch, over the verified control file.
    int checkUpdateEntry() override { return check_.checkUpdateEntry(controlFile()); }
    // What the last check found, with the dates in the user's formats.
    CheckResultFacts checkResultFacts() const override;
    int filterFileList() override { return check_.filterFileList(fileList_); }
    std::vector<WizardFileEntry> files() const override;
    void keepSelected(const std::vector<bool>& selected) override;
    int runControlActions() override { return installation_.runControlActions(controlFile()); }
    int downloadFiles() override { return installation_.downloadFiles(); }
    int finishUpdate() override { return installation_.finishUpdate(controlFile()); }
    bool restartRequired() const override { return restart_.restartRequired(); }
    void restartApplication() override { restart_.restartApplication(); }
    void cancelUpdate() override { cancelled_ = true; }

    // The steps with their events and results, and the remembered values.
    UpdateCheck& check() { return check_; }
    const UpdateCheck& check() const { return check_; }
    Installation& installation() { return installation_; }
    const Installation& installation() const { return installation_; }
    RememberedValues& remembered() { return remembered_; }

    // State.
    bool cancelled() const override { return cancelled_; }
    bool ftpDirectorySet() const { return connection_.ftpDirectorySet(); }
    // This update's download folder, made at its first use; empty when it
    // cannot be made.
    std::string downloadFolder() override;
    FileList& fileList() { return fileList_; }
    const FileList& fileList() const { return fileList_; }
    const ApplicationSettings& application() const { return application_; }

private:
    // What the connection and the steps ask of the update they serve.
    void fileProgress(const std::string& name, std::int64_t position, std::int64_t size) override;
    bool cancelRequested() override;
    std::string localName(const std::string& address) override { return fileNameFromURL(address); }
    bool askLogin(const std::string& prompt, std::string& user, std::string& password) override;
    DWORD stallTimeout() const override { return networkTimeoutMs; }
    DWORD documentDeadline() const override { return documentDeadlineMs; }
    HWND promptOwner() const override { return promptOwner_; }
    void keepDownloadFolderForHelper() override { folder_.keepForHelper(); }
    void undoUpdate() override { folder_.remove(); }
    void onWindowThread(const std::function<void()>& work) override;
    // The name the user knows for the listed file being downloaded; empty
    // when no listed file is.
    std::string currentFileShownName() const;
    // Where this update's folder is made: the Windows temporary folder, or
    // the settings' temporary folder when told not to use that.
    std::string tempParentFolder() const;
    // A small file of the update (control file, signature, document) into memory.
    std::optional<std::string> fetchSmall(const std::string& address);
    // The publication's serial and expiry against what was accepted before.
    bool publicationIsCurrent();
    std::optional<std::vector<std::string>> fetchDocument(const std::string& section, int number, int statusCode);
    // The verified control file, or none (every key its default).
    const ControlFile& controlFile() const { return control_ ? *control_ : ControlFile::none(); }

    UpdateWatcher* watcher_;
    Prompts& prompts_;
    Connection connection_{settings, *this};
    bool cancelled_ = false;
    HWND promptOwner_ = nullptr;
    std::optional<ControlFile> control_;
    std::uint64_t serial_ = 0;
    std::string updateName_;
    UpdateFolder folder_;
    FileList fileList_;
    ApplicationSettings application_;
    RememberedValues remembered_{settings.lastURLEntry};
    UpdateCheck check_{settings, remembered_, *this};
    Installation installation_{settings, publicKey, fileList_, application_, remembered_, check_, *this, prompts_};
    Restart restart_{settings, application_, installation_, *this, prompts_};
};

}  // namespace talkpost::update
