// One file from the update server, over HTTP, FTP or as a file copy: into a
// "UPDT" temporary file block by block, with progress and cancellation, and
// into the destination's place only when the whole transfer succeeded.
#include "update/engine/update_engine_win.h"

#include <cstdlib>
#include <vector>

#include "update/engine/status_log.h"
#include "update/engine/transfer.h"

namespace talkpost::update {
namespace {

constexpr DWORD kNetworkBlock = 4096;
constexpr DWORD kFileBlock = 16384;
constexpr std::uint64_t kNoLimit = ~std::uint64_t{0};

struct FindTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};

bool removeFile(const std::string& path)
{
    if (DeleteFileA(path.c_str()))
        return true;
    // A read-only or hidden file is deleted once those attributes are cleared.
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(path.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    return DeleteFileA(path.c_str()) != FALSE;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

void UpdateEngine::pump()
{
    // A window that hears from us fifty times a second answers as promptly as
    // one asked after every block, and a fast download is not slowed by a
    // round of message processing for each 4,096 bytes.
    static thread_local ULONGLONG lastPump = 0;
    ULONGLONG now = GetTickCount64();
    if (now - lastPump < 20)
        return;
    lastPump = now;
    if (processMessages) {
        processMessages();
        return;
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool UpdateEngine::askCancel()
{
    bool cancel = false;
    if (onProgressCancel)
        onProgressCancel(*this, cancel);
    return cancel;
}

std::string UpdateEngine::tempFileFolder() const
{
    return settings.useWinTempDir ? windowsTempFolder() : settings.tempDirectory;
}

void UpdateEngine::deleteTemporary(const std::string& temporary)
{
    if (!DeleteFileA(temporary.c_str()) && exists(temporary))
        appendLogLine(unableToDeleteLine(temporary));
}

bool UpdateEngine::putInPlace(const std::string& temporary, const std::string& destination)
{
    if (exists(destination) && !removeFile(destination)) {
        appendLogLine(unableToDeleteLine(destination));
        deleteTemporary(temporary);
        return false;
    }
    if (!MoveFileA(temporary.c_str(), destination.c_str())) {
        appendLogLine(unableToRenameLine(temporary, destination));
        deleteTemporary(temporary);
        return false;
    }
    if (onFileDownloaded)
        onFileDownloaded(*this, destination);
    return true;
}

UniqueFile UpdateEngine::createTemporary(std::string& path)
{
    char name[MAX_PATH + 1] = {};
    if (!GetTempFileNameA(tempFileFolder().c_str(), "UPDT", 0, name))
        return {};
    path = name;
    UniqueFile file(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        deleteTemporary(path);
    return file;
}

bool UpdateEngine::transferFile(const std::string& address, const std::string& folder)
{
    return transfer(address, folder, kNoLimit);
}

bool UpdateEngine::transfer(const std::string& address, const std::string& folder, std::uint64_t limit)
{
    reportStatus(915, address);
    if (settings.updateType == UpdateType::fileUpdate)
        return transferLocalFile(address, folder);
    return transferInternet(address, folder, limit);
}

bool UpdateEngine::askForCredentials(const std::string& address)
{
    std::string user = settings.userID;
    std::string password = settings.password;
    if (!showLogin || !showLogin(loginPrompt(address), user, password)) {
        reportStatus(956, {}, 0, 0);
        return false;
    }
    settings.userID = user;
    settings.password = password;
    return true;
}

UniqueInternet UpdateEngine::openHttpRequest(const std::string& address)
{
    if (settings.authenticate == Authenticate::auAlways && (settings.userID.empty() || settings.password.empty()) &&
        !askForCredentials(address))
        return {};
    const DWORD flags = httpRequestFlags(settings.httpKeepAliveAuthentication, settings.existingConnection);
    for (;;) {
        std::string headers = basicAuthorizationHeader(settings.userID, settings.password);
        UniqueInternet request(InternetOpenUrlA(internet_.get(), address.c_str(),
                                                headers.empty() ? nullptr : headers.c_str(),
                                                static_cast<DWORD>(headers.size()), flags, 0));
        if (!request) {
            reportStatus(917, address, 2, 1);
            return {};
        }
        DWORD timeout = networkTimeoutMs;  // the reads of this request, not only the connection
        InternetSetOptionA(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
        DWORD status = 0, size = sizeof status;
        HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
        if (status == HTTP_STATUS_DENIED && settings.authenticate == Authenticate::auAuto) {
            request.reset();
            if (!askForCredentials(address))
                return {};
            continue;
        }
        if (status >= 300) {
            reportStatus(916, std::to_string(status), 6, static_cast<int>(status));
            return {};
        }
        return request;
    }
}

UniqueInternet UpdateEngine::openFtpFile(const std::string& address, std::int64_t& size)
{
    HINTERNET connection = ftpConnection_.get();
    if (!settings.ftpDirectory.empty() && !ftpDirectorySet_) {
        FtpSetCurrentDirectoryA(connection, expandMacros(settings.ftpDirectory).c_str());
        ftpDirectorySet_ = true;
    }
    std::string name = update::fileNameFromURL(address);
    WIN32_FIND_DATAA found{};
    size = 0;
    {
        UniqueResource<HINTERNET, FindTraits> search(FtpFindFirstFileA(
            connection, name.c_str(), &found, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
        if (search)
            size = static_cast<std::int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    }
    UniqueInternet file(FtpOpenFileA(connection, name.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0));
    if (!file)
        reportStatus(917, address, 2, 1);
    return file;
}

bool UpdateEngine::transferInternet(const std::string& original, const std::string& folder, std::uint64_t limit)
{
    const std::string address = withProxyCredentials(original, settings.proxyUserID, settings.proxyPassword);
    const std::string name = fileNameFromURL(address);
    if (!isUsableLocalName(name)) {
        reportStatus(917, address, 2, 1);
        return false;
    }

    std::int64_t size = 0;
    UniqueInternet source;
    if (settings.updateType == UpdateType::httpUpdate) {
        source = openHttpRequest(address);
        if (source) {
            // As text: a length beyond 32 bits must still be checked whole.
            char length[32] = {};
            DWORD bytes = sizeof length - 1;
            if (HttpQueryInfoA(source.get(), HTTP_QUERY_CONTENT_LENGTH, length, &bytes, nullptr))
                size = std::strtoll(length, nullptr, 10);
            if (size < 0)
                size = 0;
        }
    } else {
        source = openFtpFile(address, size);
    }
    if (!source)
        return false;

    const std::string destination = folder + name;
    std::string temporary;
    UniqueFile target = createTemporary(temporary);
    if (!target)
        return false;

    bool cancel = false, readError = false, received = false;
    std::uint64_t total = 0;
    std::vector<char> block(kNetworkBlock);
    DWORD got = 1;
    while (got > 0 && !cancel) {
        pump();
        got = 0;
        if (!InternetReadFile(source.get(), block.data(), kNetworkBlock, &got)) {
            readError = true;
            break;
        }
        if (got > 0) {
            DWORD written = 0;
            if (!WriteFile(target.get(), block.data(), got, &written, nullptr) || written != got) {
                readError = true;  // a full disk is no complete file
                break;
            }
            total += got;
            received = true;
            if (total > limit) {
                readError = true;
                break;
            }
        }
        if (onFileProgress)
            onFileProgress(*this, destination, static_cast<std::int64_t>(total), size);
        if (askCancel()) {
            reportStatus(964, {}, 0, 0);
            cancel = true;
        }
    }
    source.reset();
    target.reset();
    cancelled_ = cancel;
    // A connection that ends before the announced length brought a part of a file, not a file.
    if (!cancel && size > 0 && total != static_cast<std::uint64_t>(size))
        readError = true;

    // A reply without data replaces nothing.
    if (cancel || readError || !received) {
        if (!cancel && !readError)
            reportStatus(917, address, 2, 1);
        deleteTemporary(temporary);
        return false;
    }
    return putInPlace(temporary, destination);
}

bool UpdateEngine::transferLocalFile(const std::string& address, const std::string& folder)
{
    const std::string destination = fileModeDestination(folder, address);
    if (address == destination) {
        reportStatus(912, address, 10, 3);
        return false;
    }
    UniqueFile source(CreateFileA(address.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source) {
        reportStatus(913, address, 2, 1);
        return false;
    }
    LARGE_INTEGER sourceSize{};
    // An empty source would only replace the destination with nothing.
    if (!GetFileSizeEx(source.get(), &sourceSize) || sourceSize.QuadPart == 0) {
        reportStatus(914, address, 10, 2);
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
        if (onFileProgress)
            onFileProgress(*this, address, total, sourceSize.QuadPart);
        if (askCancel()) {
            reportStatus(964, {}, 0, 0);
            cancel = true;
        }
        pump();
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
