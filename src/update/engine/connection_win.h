// Connection: the Internet connection of one update and every transfer over
// it. It opens and closes the connection (online test, dial rules, FTP host),
// brings one file into a folder (HTTP, FTP or a file copy) into a temporary
// file in the update's folder and puts it in place in one step, and brings
// the small files of the update (control file, signature, documents) into
// memory. What it needs of the update it serves (status lines, progress,
// cancel, credentials, the update's folder) it asks through TransferHost.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <optional>
#include <string>

#include "update/engine/engine_settings.h"
#include "update/engine/http_fetch_win.h"
#include "update/engine/status_log.h"
#include "win/handles_win.h"

namespace talkpost::update {

// The control file, its signature and the two documents are a few kilobytes:
// a server that sends more than this for one of them is not believed.
inline constexpr std::uint64_t kMaxDocumentBytes = 1u << 20;
// A file entry without filesize= stops here: far above any file of this
// program, far below what fills a disk.
inline constexpr std::uint64_t kMaxUnlistedFileBytes = std::uint64_t{1} << 30;
// The control file, its signature and each document must have arrived
// within this time, however slowly the server sends.
inline constexpr DWORD kDocumentDeadlineMs = 15000;
// A file download ends when no byte has arrived for this long.
inline constexpr DWORD kNetworkTimeoutMs = 30000;

// Results of opening a connection.
inline constexpr int kConnected = 0, kOffline = 1, kNoInternetHandle = 2, kDialFailed = 3;

// What a transfer needs from the update it belongs to, beside its log.
class TransferHost : public virtual StatusReporter {
public:
    // After every block: the destination (or source in file mode), bytes so far, size (0 when unknown).
    virtual void fileProgress(const std::string& name, std::int64_t position, std::int64_t size) = 0;
    // Polled after every block and while a fetch waits.
    virtual bool cancelRequested() = 0;
    // The local name of an address.
    virtual std::string localName(const std::string& address) = 0;
    // The login dialog: (prompt, user in/out, password in/out) -> confirmed.
    virtual bool askLogin(const std::string& prompt, std::string& user, std::string& password) = 0;
    // The update's own folder, ending in "\"; empty when it cannot be made.
    virtual std::string downloadFolder() = 0;
    virtual std::string expandMacros(const std::string& text) = 0;
    // How long a file's server may send nothing; how long a small file may take in all.
    virtual DWORD stallTimeout() const = 0;
    virtual DWORD documentDeadline() const = 0;

protected:
    ~TransferHost() = default;
};

class Connection {
public:
    Connection(EngineSettings& settings, TransferHost& host) : settings_(settings), host_(host) {}
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int open();
    int connectFtpHost();
    void close();

    // One file into folder; more than maxBytes fails it.
    bool transferFile(const std::string& address, const std::string& folder, std::uint64_t maxBytes);
    // A small file of the update into memory (at most kMaxDocumentBytes).
    std::optional<std::string> fetchSmall(const std::string& address);

    // Whether the latest transfer was cancelled.
    bool cancelled() const { return cancelled_; }
    bool ftpDirectorySet() const { return ftpDirectorySet_; }

private:
    bool transferInternet(const std::string& address, const std::string& folder, std::uint64_t limit);
    bool transferLocalFile(const std::string& address, const std::string& folder);
    // One HTTP GET with the account's credentials, the login dialog when the
    // settings ask for it, and the status lines of its failures.
    std::optional<FetchResult> fetchHttp(const std::string& address, const FetchRules& rules,
                                         const std::string& progressName, UniqueFile file = {},
                                         const std::string& filePath = {});
    UniqueInternet openFtpFile(const std::string& address, std::int64_t& size);
    bool askForCredentials(const std::string& address);
    // A fresh "UPDT" file in the update's folder, opened for writing.
    UniqueFile createTemporary(std::string& path);
    bool putInPlace(const std::string& temporary, const std::string& destination);
    void deleteTemporary(const std::string& temporary);
    FetchEvents fetchEvents(const std::string& progressName);
    void status(int number, const std::string& argument = {}, int statusCode = kStatusInfo, int errorCode = kErrorNone)
    {
        host_.reportStatus(number, argument, statusCode, errorCode);
    }

    EngineSettings& settings_;
    TransferHost& host_;
    UniqueInternet internet_;
    UniqueInternet ftpConnection_;
    bool dialed_ = false;
    bool ftpDirectorySet_ = false;
    bool cancelled_ = false;
};

}  // namespace talkpost::update
