// UpdateEngine: the live update engine that the wizard and the main window
// talk to. It carries the settings, events and state of one update, opens and
// closes its Internet connection, brings the control file, the documents and
// the update's files from the server, and reports every step as a numbered
// status message to the update log. It owns no window: the login dialog and
// the message pump are plugged in by its owner. The pieces it is made of are
// types of their own: the verified control file (ControlFile, control_file),
// the connection and its transfers (Connection, connection_win), one HTTP
// fetch off the window's thread (httpFetch, http_fetch_win) and the update's
// download folder (UpdateFolder, update_folder_win); the check, the
// installation and the restart are its steps in update_check_win,
// update_install_win and update_restart_win.
//
// One update calls, in this order: openConnection, connectFtpHost (FTP only),
// fetchControlFile, the update check, fetchWhatsNew / fetchLicense,
// readFileList, the downloads through transferFile, closeConnection.
//
// The control file is fetched into memory, its signature checked over those
// bytes and the parsed form built from the same bytes: nothing of it is ever
// read back from disk. Every file of one update is downloaded into a folder of
// its own, removed when the update ends.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/engine/connection_win.h"
#include "update/engine/control_file.h"
#include "update/engine/engine_settings.h"
#include "update/engine/http_fetch_win.h"
#include "update/engine/signature.h"
#include "update/engine/status_log.h"
#include "update/engine/update_folder_win.h"
#include "win/handles_win.h"

namespace talkpost::update {

// Results of the engine's operations (those of openConnection: connection_win).
inline constexpr int kControlFileFetched = 0, kControlFileNotFound = 4, kSignatureMismatch = 5;


class UpdateEngine : private TransferHost {
public:
    UpdateEngine() = default;
    ~UpdateEngine();
    UpdateEngine(const UpdateEngine&) = delete;
    UpdateEngine& operator=(const UpdateEngine&) = delete;

    // The published settings (component defaults until the owner sets them).
    EngineSettings settings;
    // The key control files must be signed for; the built-in one by default.
    std::optional<PublicKeyBytes> publicKey = publicKeyFromPem(builtInPublicKeyPem());

    // Events.
    std::function<void(UpdateEngine&, const std::string& fileName, std::int64_t pos, std::int64_t size)> onFileProgress;
    std::function<void(UpdateEngine&, bool& cancel)> onProgressCancel;
    std::function<void(UpdateEngine&, const std::string& fileName)> onFileDownloaded;
    // Given the address and the name taken from it; may change the name.
    std::function<void(UpdateEngine&, const std::string& url, std::string& fileName)> onFileNameFromURL;
    std::function<void(UpdateEngine&, const std::string& statusStr, int statusCode, int errCode)> onStatus;
    std::function<void(UpdateEngine&, std::string& appParams)> onSetAppParams;

    // Where the highest serial of an accepted control file is remembered
    // (the owner wires it to the settings file); without them nothing is
    // remembered and every serial counts.
    std::function<std::uint64_t()> readHighestSerial;
    std::function<void(std::uint64_t)> saveHighestSerial;

    // The login dialog: (prompt, user in/out, password in/out) -> confirmed.
    // Without it every request for credentials counts as cancelled.
    std::function<bool(const std::string& prompt, std::string& user, std::string& password)> showLogin;
    // How long a file's server may send nothing before the download ends.
    DWORD networkTimeoutMs = kNetworkTimeoutMs;
    // How long the control file, its signature or a document may take in all.
    DWORD documentDeadlineMs = kDocumentDeadlineMs;
    // Lets the user interface process its pending messages while a fetch
    // waits; by default the calling thread's messages are dispatched.
    std::function<void()> processMessages;

    // Connection.
    int openConnection();
    int connectFtpHost();
    int closeConnection();

    // Fetches.
    int fetchControlFile();
    std::optional<std::vector<std::string>> fetchWhatsNew();
    std::optional<std::vector<std::string>> fetchLicense();
    // One file into folder; more than maxBytes fails it.
    bool transferFile(const std::string& address, const std::string& folder,
                      std::uint64_t maxBytes = kMaxUnlistedFileBytes);

    // The control file as verified.
    std::int32_t readFileList();
    std::string readControlString(const std::string& section, const std::string& key, const std::string& fallback = {}) const;
    bool hasControlFile() const { return control_.has_value(); }
    std::string expandMacros(const std::string& text) override;
    // The local name of an address, through onFileNameFromURL when assigned.
    std::string fileNameFromURL(const std::string& address);

    // Status messages and the log.
    void reportStatus(int number, const std::string& argument = {}, int statusCode = kStatusInfo,
                      int errorCode = kErrorNone) override;
    void appendLogLine(const std::string& text) override;

    void cancelUpdate() { cancelled_ = true; }

    // The remembered values under RegRoot\Key\Section, with their conditions:
    // LastURL only with Save; LastDate and LastTime are read whatever Save says.
    std::optional<std::string> lastURL() const;
    bool saveLastURL(const std::string& url);
    struct LastDate {
        std::string date, time;
    };
    std::optional<LastDate> lastDate() const;
    bool saveLastDate(const LastDate& value);

    // State.
    bool cancelled() const { return cancelled_; }
    bool dialed() const { return connection_.dialed(); }
    bool ftpDirectorySet() const { return connection_.ftpDirectorySet(); }
    HINTERNET internetHandle() const { return connection_.internetHandle(); }
    // This update's download folder, made at its first use; empty when it
    // cannot be made.
    std::string downloadFolder() override;
    FileList& fileList() { return fileList_; }
    const ApplicationSettings& application() const { return application_; }
    ApplicationSettings& application() { return application_; }

    // Values the update check and the installation keep (used by the steps after the fetch).
    bool appComponentLoaded = false;
    std::string updateDescription;
    double updateNewDate = 0, updateLocalDate = 0;
    std::string updateNewVersion, updateLocalVersion, localVersionFile;
    bool lastDateKnown = false;

    // The Windows temporary folder, ending in "\".
    static std::string windowsTempFolder();
    // Where this update's folder is made: the Windows temporary folder, or
    // the settings' temporary folder when told not to use that.
    std::string tempParentFolder() const;

    // ---- The update check, the installation and the restart ----
    // (update_check_win.cpp, update_install_win.cpp, update_restart_win.cpp)

    // Events of these steps; each is raised only when assigned.
    std::function<void(UpdateEngine&, const std::string& msg, const std::string& param, bool& allow)> onCustomValidate;
    std::function<void(UpdateEngine&, const std::string& msg, const std::string& param)> onCustomProcess;
    std::function<void(UpdateEngine&, const std::string& newVersion, const std::string& localVersion, bool& isNew)>
        onFileVersionCheck;
    // The remaining entries' descriptions; the handler empties the lines of the entries to drop.
    std::function<void(UpdateEngine&, std::vector<std::string>& lines)> onGetFileList;
    // fileIdx counts from 1; the handler may change the address.
    std::function<void(UpdateEngine&, int fileIdx, const std::string& description, std::string& url)>
        onBeforeFileDownload;
    std::function<void(UpdateEngine&, bool& allowPost)> onBeforePost;
    std::function<void(UpdateEngine&, bool& allowPostResult)> onProcessPostResult;
    // Raised by the wizard only.
    std::function<void(UpdateEngine&, const std::vector<std::string>& lines)> onDownloadedWhatsNew;
    std::function<void(UpdateEngine&, const std::vector<std::string>& lines)> onDownloadedEULA;
    std::function<void(UpdateEngine&)> onSuccess;
    // The owner of the engine's message boxes (none by default).
    HWND promptOwner = nullptr;

    // Whether the published update is newer: a check code (CheckCode::DateNewer .. CheckCode::CustomAccepted).
    // An older version than the local one counts as nothing new unless the
    // control file allows the downgrade.
    int checkUpdateEntry();
    // Drops the entries of fileList() that need not be fetched; -1 when none is left.
    int filterFileList();
    // The [action] instructions before the download; -1 when the user declined the query.
    int runControlActions();
    // Fetches, checks and installs every entry; -1 when a file could not be fetched or failed its check.
    int downloadFiles();
    // The instructions after the download; -1 when cancelled or the post's result was refused.
    int finishUpdate();
    // The HTTP POST of settings.postUpdateInfo to its server ("host" or
    // "host:port", port 80 by default); its answer lands in postUpdateInfo.postResult.
    void postUpdateResult();
    // A restart through the updater helper is due.
    bool restartRequired() const;
    // Hands the application components to the updater helper and ends the application.
    void restartApplication();

private:
    // The fetched file's bytes against the entry's sha256 value (while a publisher key is set).
    bool fetchedFileIsGenuine(const std::string& path, const FileDescription& entry, const std::string& name);

    // What the connection asks of the update it serves.
    void fileProgress(const std::string& name, std::int64_t position, std::int64_t size) override;
    bool cancelRequested() override;
    void processPendingMessages() override { pump(); }
    void fileDownloaded(const std::string& destination) override;
    std::string localName(const std::string& address) override { return fileNameFromURL(address); }
    bool askLogin(const std::string& prompt, std::string& user, std::string& password) override;
    DWORD stallTimeout() const override { return networkTimeoutMs; }
    DWORD documentDeadline() const override { return documentDeadlineMs; }
    void pump();
    // A small file of the update (control file, signature, document) into memory.
    std::optional<std::string> fetchSmall(const std::string& address);
    // The publication's serial and expiry against what was accepted before.
    bool publicationIsCurrent();
    std::optional<std::vector<std::string>> fetchDocument(const std::string& section, int number, int statusCode);

    Connection connection_{settings, *this};
    bool cancelled_ = false;
    std::optional<ControlFile> control_;
    // The verified control file, or none (every key its default).
    const ControlFile& controlFile() const { return control_ ? *control_ : ControlFile::none(); }
    UpdateFolder folder_;
    FileList fileList_;
    ApplicationSettings application_;
};

}  // namespace talkpost::update
