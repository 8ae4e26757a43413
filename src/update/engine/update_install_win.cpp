// The control file's instructions around the download, the download of every
// listed file with its check and installation, and the post-update report.
#include <windows.h>
#include <objidl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>
#include <cctype>

#include "base/app_error.h"
#include "update/engine/signature_win.h"
#include "update/engine/status_log.h"
#include "update/engine/transfer.h"
#include "update/engine/update_engine_win.h"
#include "update/engine/user_dates_win.h"
#include "update/install/install_fetched_win.h"
#include "update/install/install_files_win.h"
#include "update/install/lz_expand_win.h"
#include "update/install/replace_file_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {

namespace {



// "\n" written as two characters in the control file starts a new line.
std::string withLineBreaks(std::string text)
{
    for (std::size_t at = 0; (at = text.find("\\n", at)) != std::string::npos;)
        text.replace(at, 2, "\r"), ++at;
    return text;
}

bool askYesNo(HWND owner, const std::string& text)
{
    return prompts().box(owner, text, "Best\xe4tigung", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The page in a modal HTML dialog, when the platform has one: the functions
// are looked up at the moment of the call, so a system without them shows nothing.
void showHtmlDialog(const std::string& address)
{
    using ShowHtmlDialogFn = HRESULT(WINAPI*)(HWND, IMoniker*, VARIANT*, WCHAR*, VARIANT*);
    using CreateUrlMonikerFn = HRESULT(WINAPI*)(IMoniker*, LPCWSTR, IMoniker**);
    HMODULE mshtml = LoadLibraryA("mshtml.dll");
    if (!mshtml)
        return;
    auto show = reinterpret_cast<ShowHtmlDialogFn>(reinterpret_cast<void*>(GetProcAddress(mshtml, "ShowHTMLDialog")));
    HMODULE urlmon = show ? LoadLibraryA("urlmon.dll") : nullptr;
    auto createMoniker = urlmon ? reinterpret_cast<CreateUrlMonikerFn>(
                                      reinterpret_cast<void*>(GetProcAddress(urlmon, "CreateURLMoniker")))
                                : nullptr;
    HRESULT failure = S_OK;
    if (show && createMoniker) {
        int length = MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(std::max(length, 1)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, wide.data(), length);
        IMoniker* moniker = nullptr;
        failure = createMoniker(nullptr, wide.c_str(), &moniker);
        if (SUCCEEDED(failure)) {
            VARIANT argument;
            VariantInit(&argument);
            argument.vt = VT_BSTR;
            argument.bstrVal = SysAllocString(L"");
            failure = show(nullptr, moniker, &argument, nullptr, nullptr);
            VariantClear(&argument);
            moniker->Release();
        }
    }
    if (urlmon)
        FreeLibrary(urlmon);
    FreeLibrary(mshtml);
    if (FAILED(failure))
        throw AppError("The HTML dialog could not be shown (error " + std::to_string(static_cast<long>(failure)) + ").");
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text)
{
    auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

int UpdateEngine::runControlActions()
{
    const ControlFile& file = controlFile();
    if (std::string msg = file.readString("action", "msg"); !msg.empty()) {
        reportStatus(message::kFoundMessage);
        prompts().information(promptOwner, withLineBreaks(msg));
    }
    if (std::string page = file.readPath("action", "htmldlg"); !page.empty()) {
        reportStatus(message::kFoundHtmlDialog, {}, kStatusHtmlDialog);
        showHtmlDialog(page);
    }
    if (std::string command = file.readPath("action", "runbefore"); !command.empty())
        WinExec(command.c_str(), SW_SHOWNORMAL);
    if (onCustomProcess)
        onCustomProcess(*this, file.readString("custom", "processmsg"), file.readString("custom", "processparam"));
    if (std::string page = file.readPath("action", "showurl"); !page.empty()) {
        reportStatus(message::kFoundUrlShow);
        std::string address = withProxyCredentials(page, settings.proxyUserID, settings.proxyPassword);
        std::string parameters = "-new " + address;
        auto browser = ShellExecuteA(nullptr, nullptr, "iexplore.exe", parameters.c_str(), nullptr, SW_SHOWDEFAULT);
        if (reinterpret_cast<INT_PTR>(browser) <= 32)
            ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
    }
    if (std::string query = file.readString("action", "query"); !query.empty()) {
        reportStatus(message::kFoundQuery);
        if (prompts().box(promptOwner, withLineBreaks(query), "Information", MB_YESNO | MB_ICONINFORMATION) != IDYES) {
            application_.appUpdate = false;
            return -1;
        }
    }
    return 0;
}

bool UpdateEngine::fetchedFileIsGenuine(const std::string& path, const FileDescription& entry, const std::string& name)
{
    // Without a publisher key there is nothing the values could be trusted by.
    if (!publicKey)
        return true;
    std::string expected = lowerCase(trimmed(entry.sha256));
    if (expected.empty()) {
        reportStatus(message::kFileWithoutSha256, name, kStatusFailed);
        return false;
    }
    auto actual = fileSha256Hex(path);
    if (!actual || *actual != expected) {
        reportStatus(message::kFileSha256Differs, name, kStatusFailed);
        return false;
    }
    return true;
}

int UpdateEngine::downloadFiles()
{
    DownloadPrompt mode = settings.downloadPrompt;
    int result = 0;
    for (std::size_t n = 0; n < fileList_.count(); ++n) {
        FileDescription entry = fileList_.at(n);
        if (mode == DownloadPrompt::PromptAll &&
            !askYesNo(promptOwner, statusText(message::kAskDownloadFile) + fileNameFromURL(entry.url)))
            continue;
        if (mode == DownloadPrompt::PromptOnce && !askYesNo(promptOwner, statusText(message::kAskDownloadFiles)))
            break;
        std::string address = entry.url;
        std::string name = fileNameFromURL(address);
        fileList_.currentIndex = static_cast<std::int32_t>(n);
        if (onBeforeFileDownload)
            onBeforeFileDownload(*this, static_cast<int>(n + 1), entry.description, address);
        if (!entry.targetDir.empty() && !folderExists(entry.targetDir))
            createFolders(entry.targetDir);
        std::string folder = settings.useWinTempDir ? downloadFolder() : entry.targetDir;
        // A file to be checked never lands where it would be used before its
        // check: when its download folder is its target folder, it is fetched
        // into the update's folder first and moved there afterwards.
        std::string fetchFolder = publicKey && !folder.empty() ? downloadFolder() : folder;

        // filesize= caps the download exactly; without it a cap of ours does.
        std::uint64_t limit = entry.fileSize > 0 ? static_cast<std::uint64_t>(entry.fileSize) : kMaxUnlistedFileBytes;
        bool fetched = transferFile(address, fetchFolder, limit);
        // A file that fails its check is treated as one that never came: it is
        // neither installed, nor handed to the helper, nor run.
        std::string fetchedPath = fetchFolder + fileNameFromURL(address);
        if (fetched && !fetchedFileIsGenuine(fetchedPath, entry, name)) {
            DeleteFileA(fetchedPath.c_str());
            fetched = false;
        }
        if (fetched && !sameFileName(fetchFolder, folder) && replaceFile(fetchedPath, folder + name) != 0) {
            appendLogLine(unableToRenameLine(fetchedPath, folder + name));
            DeleteFileA(fetchedPath.c_str());
            fetched = false;
        }
        if (!fetched) {
            result = -1;
            reportStatus(message::kCannotDownloadFile, address, kStatusFailed);
            application_.appUpdate = false;
        } else {
            FetchedFile file{name, entry.targetDir, folder, entry.localVersion, entry.compressed};
            InstallSettings install{application_.appComponents, settings.extractCAB, settings.applyPatch,
                                    settings.keepIntermediateFiles, settings.logging};
            InstallReport report;
            report.status = [this](int number, const std::string& argument, std::int32_t status) {
                reportStatus(number, argument, status, kErrorNone);
            };
            report.rawLine = [this](const std::string& text) { appendLogLine(text); };
            report.skippedEntry = [this](const std::string& stored) { reportStatus(message::kCabinetEntryOutside, stored, kStatusFailed); };
            if (installFetchedFile(file, install, report))
                appComponentLoaded = true;
        }
        if (mode == DownloadPrompt::PromptOnce)
            mode = DownloadPrompt::Silent;
    }
    return result;
}

void UpdateEngine::postUpdateResult()
{
    PostUpdateInfo& post = settings.postUpdateInfo;
    if (post.server.empty() || post.action.empty())
        return;
    UniqueInternet session(InternetOpenA(settings.agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return;
    // "host" or "host:port", with or without "http://" before it.
    std::string server = post.server;
    if (server.find("://") == std::string::npos)
        server = "http://" + server;
    auto parts = splitAddress(server);
    UniqueInternet connection(parts ? InternetConnectA(session.get(), parts->host.c_str(),
                                                       static_cast<INTERNET_PORT>(parts->port), "", "",
                                                       INTERNET_SERVICE_HTTP, 0, 0)
                                    : nullptr);
    if (!connection) {
        reportStatus(message::kCannotConnectForPost, {}, kStatusPostConnect, kErrorPost);
        return;
    }
    UniqueInternet request(HttpOpenRequestA(connection.get(), "POST", post.action.c_str(), nullptr, nullptr, nullptr,
                                            INTERNET_FLAG_RELOAD, 0));
    if (!request) {
        reportStatus(message::kCannotAccessForPost, {}, kStatusPostResource, kErrorPost);
        return;
    }
    DWORD timeout = kDocumentDeadlineMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(request.get(), option, &timeout, sizeof timeout);
    post.postResult.clear();
    static const char kHeader[] = "Content-Type: application/x-www-form-urlencoded";
    std::string body = post.data;
    if (!HttpSendRequestA(request.get(), kHeader, static_cast<DWORD>(sizeof kHeader - 1), body.data(),
                          static_cast<DWORD>(body.size())))
        return;
    char block[4096];
    for (;;) {
        pump();
        DWORD got = 0;
        if (!InternetReadFile(request.get(), block, sizeof block, &got) || got == 0)
            break;
        // An answer is a few lines; a server that keeps sending is not listened to.
        if (post.postResult.size() + got > kMaxDocumentBytes)
            break;
        post.postResult.append(block, got);
    }
}

int UpdateEngine::finishUpdate()
{
    if (cancelled_)
        return -1;
    if (settings.postUpdateInfo.enabled) {
        bool allowPost = true;
        if (onBeforePost)
            onBeforePost(*this, allowPost);
        if (allowPost) {
            postUpdateResult();
            bool allowPostResult = true;
            if (onProcessPostResult)
                onProcessPostResult(*this, allowPostResult);
            if (!allowPostResult)
                return -1;
        }
    }
    if (lastDateKnown)
        saveLastDate({userShortDate(updateNewDate), userShortTime(updateNewDate)});
    const ControlFile& file = controlFile();
    if (std::string next = file.readString("action", "updateurl"); !next.empty()) {
        reportStatus(message::kFoundUrlRedirection);
        saveLastURL(next);
    }
    if (std::string command = file.readPath("action", "runafter"); !command.empty())
        WinExec(command.c_str(), SW_SHOWNORMAL);
    reportStatus(message::kFinishedControlFile);
    return 0;
}

}  // namespace talkpost::update
