// One file from the update server, over HTTP, FTP or as a file copy: into a
// "UPDT" temporary file in the update's own folder, block by block with
// progress and cancellation, and into the destination's place in one step
// only when the whole transfer succeeded. The small files of the update (the
// control file, its signature, the documents) come into memory instead.
#include "update/engine/connection_win.h"

#include <cstdlib>
#include <vector>

#include "update/engine/status_log.h"
#include "update/engine/transfer.h"
#include "update/install/file_names.h"
#include "win/file_bytes_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

constexpr DWORD kFileBlock = 16384;

bool exists(const std::string& path) { return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

void Connection::deleteTemporary(const std::string& temporary)
{
    if (!DeleteFileW(widen(temporary).c_str()) && exists(temporary))
        host_.appendLogLine(unableToDeleteLine(temporary));
}

bool Connection::putInPlace(const std::string& temporary, const std::string& destination)
{
    // A read-only or hidden file is replaced once those attributes are cleared.
    DWORD attributes = GetFileAttributesW(widen(destination).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
        SetFileAttributesW(widen(destination).c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    // One step: the old file stays until the new one takes its place.
    if (!MoveFileExW(widen(temporary).c_str(), widen(destination).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH | MOVEFILE_COPY_ALLOWED)) {
        if (attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesW(widen(destination).c_str(), attributes);
        host_.appendLogLine(unableToRenameLine(temporary, destination));
        deleteTemporary(temporary);
        return false;
    }
    return true;
}

UniqueFile Connection::createTemporary(std::string& path)
{
    std::string folder = host_.downloadFolder();
    wchar_t name[MAX_PATH + 1] = {};
    if (folder.empty() || !GetTempFileNameW(widen(folder).c_str(), L"UPDT", 0, name))
        return {};
    path = narrow(name);
    // The platform made it empty: opened as it is, not truncated, because a
    // file truncated and then written is flushed to disk whole when it is
    // closed on some file systems, and a download would wait for its disk.
    UniqueFile file(CreateFileW(name, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        deleteTemporary(path);
    return file;
}

bool Connection::transferFile(const std::string& address, const std::string& folder, std::uint64_t maxBytes)
{
    status(message::kDownload, address, kStatusInfo, kErrorNone);
    if (settings_.updateType == UpdateType::File)
        return transferLocalFile(address, folder);
    return transferInternet(address, folder, maxBytes);
}

bool Connection::askForCredentials(const std::string& address)
{
    std::string user = settings_.userID;
    std::string password = settings_.password;
    if (!host_.askLogin(loginPrompt(address), user, password)) {
        status(message::kAuthenticationCancelled, {}, kStatusNone, kErrorNone);
        return false;
    }
    settings_.userID = user;
    settings_.password = password;
    return true;
}

FetchEvents Connection::fetchEvents(const std::string& progressName)
{
    FetchEvents events;
    events.onBlock = [this, progressName](std::uint64_t total, std::int64_t size) {
        host_.fileProgress(progressName, static_cast<std::int64_t>(total), size);
    };
    events.cancelRequested = [this] { return host_.cancelRequested(); };
    return events;
}

std::optional<FetchResult> Connection::fetchHttp(const std::string& original, const FetchRules& rules,
                                                   const std::string& progressName, UniqueFile file,
                                                   const std::string& filePath)
{
    const std::string address = withProxyCredentials(original, settings_.proxyUserID, settings_.proxyPassword);
    if (settings_.authenticate == Authenticate::Always && (settings_.userID.empty() || settings_.password.empty()) &&
        !askForCredentials(address))
        return std::nullopt;
    const DWORD flags = httpRequestFlags(settings_.httpKeepAliveAuthentication, settings_.existingConnection);
    for (;;) {
        std::string headers = basicAuthorizationHeader(settings_.userID, settings_.password);
        // The file goes to the fetch only once: a retry after a 401 starts a fresh one.
        UniqueFile target;
        if (file)
            target = std::move(file);
        if (!internet_) {
            status(message::kFileNotFound, address, kStatusFailed, kErrorNotFound);
            return std::nullopt;
        }
        FetchResult result = httpFetch({settings_.agent, settings_.proxy}, address, headers, flags, rules,
                                       fetchEvents(progressName),
                                       std::move(target), filePath);
        cancelled_ = result.end == FetchEnd::Cancelled;
        switch (result.end) {
        case FetchEnd::Complete:
            return result;
        case FetchEnd::Unauthorized:
            if (settings_.authenticate == Authenticate::Auto) {
                if (!askForCredentials(address))
                    return std::nullopt;
                if (!filePath.empty()) {
                    file.reset(CreateFileW(widen(filePath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
                    if (!file)
                        return std::nullopt;
                }
                continue;
            }
            [[fallthrough]];  // refused as any other status
        case FetchEnd::HttpStatus:
            status(message::kHttpStatus, std::to_string(result.status), kStatusHttp, static_cast<int>(result.status));
            return std::nullopt;
        case FetchEnd::RedirectRefused:
            status(message::kRedirectRefused, result.refusedLocation, kStatusFailed, static_cast<int>(result.status));
            return std::nullopt;
        case FetchEnd::TooLarge:
            status(message::kDownloadTooLarge, result.address, kStatusFailed, kErrorNone);
            return std::nullopt;
        case FetchEnd::TimedOut:
            status(message::kServerTimedOut, result.address, kStatusFailed, kErrorNone);
            return std::nullopt;
        case FetchEnd::Cancelled:
            status(message::kUpdateCancelled, {}, kStatusNone, kErrorNone);
            return std::nullopt;
        case FetchEnd::NoRequest:
            status(message::kFileNotFound, address, kStatusFailed, kErrorNotFound);
            return std::nullopt;
        case FetchEnd::Broken:
            return std::nullopt;
        }
        return std::nullopt;
    }
}

std::optional<std::string> Connection::fetchSmall(const std::string& address)
{
    status(message::kDownload, address, kStatusInfo, kErrorNone);
    if (settings_.updateType == UpdateType::File) {
        // A file copy of the update: read whole, with the same cap.
        std::optional<std::string> bytes = readFileBytes(address, kMaxDocumentBytes);
        if (!bytes || bytes->empty()) {
            status(message::kSourceNotFound, address, kStatusFailed, kErrorNotFound);
            return std::nullopt;
        }
        return bytes;
    }
    if (settings_.updateType == UpdateType::Ftp) {
        std::int64_t size = 0;
        UniqueInternet source = openFtpFile(address, size);
        if (!source)
            return std::nullopt;
        std::string bytes;
        std::vector<char> block(kNetworkBlock);
        for (;;) {
            DWORD got = 0;
            if (!InternetReadFile(source.get(), block.data(), kNetworkBlock, &got))
                return std::nullopt;
            if (got == 0)
                break;
            if (bytes.size() + got > kMaxDocumentBytes)
                return std::nullopt;
            bytes.append(block.data(), got);
        }
        return bytes.empty() ? std::nullopt : std::optional<std::string>(std::move(bytes));
    }
    FetchRules rules{kMaxDocumentBytes, host_.documentDeadline(), host_.documentDeadline()};
    auto result = fetchHttp(address, rules, host_.localName(address));
    if (!result)
        return std::nullopt;
    if (result->body.empty()) {
        status(message::kFileNotFound, address, kStatusFailed, kErrorNotFound);
        return std::nullopt;
    }
    return std::move(result->body);
}

UniqueInternet Connection::openFtpFile(const std::string& address, std::int64_t& size)
{
    HINTERNET connection = ftpConnection_.get();
    if (!settings_.ftpDirectory.empty() && !ftpDirectorySet_) {
        FtpSetCurrentDirectoryA(connection, host_.expandMacros(settings_.ftpDirectory).c_str());
        ftpDirectorySet_ = true;
    }
    std::string name = update::fileNameFromURL(address);
    WIN32_FIND_DATAA found{};
    size = 0;
    {
        UniqueInternet search(FtpFindFirstFileA(
            connection, name.c_str(), &found, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
        if (search)
            size = static_cast<std::int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    }
    UniqueInternet file(FtpOpenFileA(connection, name.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0));
    if (!file)
        status(message::kFileNotFound, address, kStatusFailed, kErrorNotFound);
    return file;
}

bool Connection::transferInternet(const std::string& address, const std::string& folder, std::uint64_t limit)
{
    const std::string name = host_.localName(address);
    if (!isPlainFileName(name)) {
        status(message::kFileNotFound, address, kStatusFailed, kErrorNotFound);
        return false;
    }
    const std::string destination = folder + name;

    if (settings_.updateType == UpdateType::Http) {
        std::string temporary;
        UniqueFile target = createTemporary(temporary);
        if (!target)
            return false;
        FetchRules rules{limit, host_.stallTimeout(), 0};
        auto result = fetchHttp(address, rules, destination, std::move(target), temporary);
        // A reply without data replaces nothing.
        if (result && result->received == 0)
            status(message::kFileNotFound, address, kStatusFailed, kErrorNotFound);
        if (!result || result->received == 0) {
            // A fetch given up leaves its part to its worker, which deletes it.
            DeleteFileW(widen(temporary).c_str());
            return false;
        }
        return putInPlace(temporary, destination);
    }

    // FTP, a transport this program does not use, on the window's thread.
    std::int64_t size = 0;
    UniqueInternet source = openFtpFile(address, size);
    if (!source)
        return false;
    std::string temporary;
    UniqueFile target = createTemporary(temporary);
    if (!target)
        return false;
    bool cancel = false, readError = false;
    std::uint64_t total = 0;
    std::vector<char> block(kNetworkBlock);
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(source.get(), block.data(), kNetworkBlock, &got)) {
            readError = true;
            break;
        }
        if (got == 0)
            break;
        DWORD written = 0;
        total += got;
        if (total > limit || !WriteFile(target.get(), block.data(), got, &written, nullptr) || written != got) {
            readError = true;
            break;
        }
        host_.fileProgress(destination, static_cast<std::int64_t>(total), size);
        if (host_.cancelRequested()) {
            status(message::kUpdateCancelled, {}, kStatusNone, kErrorNone);
            cancel = true;
            break;
        }
    }
    source.reset();
    target.reset();
    cancelled_ = cancel;
    if (!cancel && size > 0 && total != static_cast<std::uint64_t>(size))
        readError = true;
    if (cancel || readError || total == 0) {
        if (!cancel && !readError)
            status(message::kFileNotFound, address, kStatusFailed, kErrorNotFound);
        deleteTemporary(temporary);
        return false;
    }
    return putInPlace(temporary, destination);
}

bool Connection::transferLocalFile(const std::string& address, const std::string& folder)
{
    const std::string destination = fileModeDestination(folder, address);
    if (address == destination) {
        status(message::kEqualSourceAndTarget, address, kStatusFileCopy, kErrorSameFile);
        return false;
    }
    UniqueFile source(CreateFileW(widen(address).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source) {
        status(message::kSourceNotFound, address, kStatusFailed, kErrorNotFound);
        return false;
    }
    LARGE_INTEGER sourceSize{};
    // An empty source would only replace the destination with nothing.
    if (!GetFileSizeEx(source.get(), &sourceSize) || sourceSize.QuadPart == 0) {
        status(message::kZeroLengthSource, address, kStatusFileCopy, kErrorZeroLength);
        return false;
    }
    std::string temporary;
    UniqueFile target = createTemporary(temporary);
    if (!target)
        return false;
    bool cancel = false, error = false;
    std::int64_t total = 0;
    std::vector<char> block(kFileBlock);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.get(), block.data(), kFileBlock, &got, nullptr)) {
            error = true;
            break;
        }
        if (got == 0)
            break;
        DWORD written = 0;
        if (!WriteFile(target.get(), block.data(), got, &written, nullptr) || written != got) {
            error = true;
            break;
        }
        total += got;
        host_.fileProgress(address, total, sourceSize.QuadPart);
        if (host_.cancelRequested()) {
            status(message::kUpdateCancelled, {}, kStatusNone, kErrorNone);
            cancel = true;
        }
        if (cancel)
            break;
    }
    source.reset();
    target.reset();
    cancelled_ = cancel;
    if (cancel || error) {
        deleteTemporary(temporary);
        return false;
    }
    return putInPlace(temporary, destination);
}

}  // namespace talkpost::update
