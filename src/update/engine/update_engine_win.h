// UpdateEngine: the live update engine. It carries the settings, events and
// state of one update, opens and closes its Internet connection, brings the
// control file, the documents and the update's files from the server, and
// reports every step as a numbered status message to the update log. It owns
// no window: the login dialog and the message pump are plugged in by its owner.
//
// One update calls, in this order: openConnection, connectFtpHost (FTP only),
// fetchControlFile, the update check, fetchWhatsNew / fetchLicense,
// readFileList, the downloads through transferFile, closeConnection.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/engine/control_file.h"
#include "update/engine/engine_settings.h"
#include "update/engine/signature.h"
#include "win/handles_win.h"

namespace talkpost::update {

struct InternetHandleTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};
using UniqueInternet = UniqueResource<HINTERNET, InternetHandleTraits>;

// Results of the engine's operations.
inline constexpr int kConnected = 0, kOffline = 1, kNoInternetHandle = 2, kDialFailed = 3;
inline constexpr int kControlFileFetched = 0, kControlFileNotFound = 4, kSignatureMismatch = 5;

// The control file, its signature and the two documents are small: a server
// that sends more than this for one of them is not believed.
inline constexpr std::uint64_t kMaxDocumentBytes = 4u << 20;
// A server that sends nothing for this long ends the transfer.
inline constexpr DWORD kNetworkTimeoutMs = 30000;

class UpdateEngine {
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
    std::function<void(UpdateEngine&, const std::string& url, std::string& fileName)> onFileNameFromURL;
    std::function<void(UpdateEngine&, const std::string& statusStr, int statusCode, int errCode)> onStatus;
    std::function<void(UpdateEngine&, std::string& path)> onConvertPrefix;
    std::function<void(UpdateEngine&, std::string& appParams)> onSetAppParams;

    // The login dialog: (prompt, user in/out, password in/out) -> confirmed.
    // Without it every request for credentials counts as cancelled.
    std::function<bool(const std::string& prompt, std::string& user, std::string& password)> showLogin;
    // How long a server may keep the engine waiting (connect, send, each read).
    DWORD networkTimeoutMs = kNetworkTimeoutMs;
    // Lets the user interface process its pending messages after each block;
    // by default the calling thread's messages are dispatched.
    std::function<void()> processMessages;

    // Connection.
    int openConnection();
    int connectFtpHost();
    int closeConnection();

    // Fetches.
    int fetchControlFile();
    std::optional<std::vector<std::string>> fetchWhatsNew();
    std::optional<std::vector<std::string>> fetchLicense();
    bool transferFile(const std::string& address, const std::string& folder);

    // The control file copy.
    std::int32_t readFileList();
    std::string readControlString(const std::string& section, const std::string& key, const std::string& fallback = {}) const;
    std::int32_t readControlInteger(const std::string& section, const std::string& key, std::int32_t fallback) const;
    std::string expandMacros(const std::string& text);
    // The local name of an address, through onFileNameFromURL when assigned.
    std::string fileNameFromURL(const std::string& address);

    // Status messages and the log.
    void reportStatus(int number, const std::string& argument = {}, int statusCode = 3, int errorCode = 0);
    void appendLogLine(const std::string& text);

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
    bool dialed() const { return dialed_; }
    bool ftpDirectorySet() const { return ftpDirectorySet_; }
    const std::string& controlFilePath() const { return controlFilePath_; }
    HINTERNET internetHandle() const { return internet_.get(); }
    HINTERNET connectionHandle() const;
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
    std::function<void(UpdateEngine&, bool& allow)> onAppRestart;
    // When assigned, ends the application itself after the helper was started.
    std::function<void(UpdateEngine&)> onAppDoClose;
    // Raised by the wizard only.
    std::function<void(UpdateEngine&, const std::vector<std::string>& lines)> onDownloadedWhatsNew;
    std::function<void(UpdateEngine&, const std::vector<std::string>& lines)> onDownloadedEULA;
    std::function<void(UpdateEngine&)> onSuccess;
    // The owner of the engine's message boxes (none by default).
    HWND promptOwner = nullptr;

    // Whether the published update is newer: a check code (ucDateNewer .. ucCustomAccepted).
    int checkUpdateEntry();
    // Drops the entries of fileList() that need not be fetched; -1 when none is left.
    int filterFileList();
    // The [action] instructions before the download; -1 when the user declined the query.
    int runControlActions();
    // Fetches, checks and installs every entry; -1 when a file could not be fetched or failed its check.
    int downloadFiles();
    // The instructions after the download; -1 when cancelled or the post's result was refused.
    int finishUpdate();
    // The HTTP POST of settings.postUpdateInfo; its answer lands in postUpdateInfo.postResult.
    void postUpdateResult();
    // A restart through the updater helper is due.
    bool restartRequired() const;
    // Hands the application components to the updater helper and ends the application.
    void restartApplication();

private:
    // The fetched file's bytes against the entry's sha256 value (while a publisher key is set).
    bool fetchedFileIsGenuine(const std::string& path, const FileDescription& entry, const std::string& name);

public:

private:
    bool transfer(const std::string& address, const std::string& folder, std::uint64_t limit);
    bool transferInternet(const std::string& address, const std::string& folder, std::uint64_t limit);
    bool transferLocalFile(const std::string& address, const std::string& folder);
    UniqueInternet openHttpRequest(const std::string& address);
    UniqueInternet openFtpFile(const std::string& address, std::int64_t& size);
    bool askForCredentials(const std::string& address);
    std::string tempFileFolder() const;
    // A fresh "UPDT" file in the temporary folder, opened for writing.
    UniqueFile createTemporary(std::string& path);
    bool putInPlace(const std::string& temporary, const std::string& destination);
    void deleteTemporary(const std::string& temporary);
    void pump();
    bool askCancel();
    bool signatureIsGood(const std::string& address);
    std::optional<std::vector<std::string>> fetchDocument(const std::string& section, int number, int statusCode);

    UniqueInternet internet_;
    UniqueInternet ftpConnection_;
    bool dialed_ = false;
    bool ftpDirectorySet_ = false;
    bool cancelled_ = false;
    std::string controlFilePath_;
    FileList fileList_;
    ApplicationSettings application_;
};

}  // namespace talkpost::update
