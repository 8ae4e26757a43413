// The control file's instructions around the download, the download of every
// listed file with its check and installation, and the post-update report.
#include "update/engine/installation_win.h"

#include <objidl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>

#include "base/app_error.h"
#include "base/web_address.h"
#include "update/engine/connection_win.h"
#include "update/engine/installation.h"
#include "update/engine/signature_win.h"
#include "update/engine/transfer.h"
#include "update/engine/user_dates_win.h"
#include "update/install/file_names.h"
#include "update/install/install_fetched_win.h"
#include "update/install/install_journal_win.h"
#include "update/install/install_files_win.h"
#include "win/replace_file_win.h"
#include "win/handles_win.h"
#include "win/prompts_win.h"
#include "win/text_win.h"

namespace talkpost::update {

namespace {

// The page in a modal HTML dialog, when the platform has one: the functions
// are looked up at the moment of the call, so a system without them shows nothing.
void showHtmlDialog(const std::string& address)
{
    using ShowHtmlDialogFn = HRESULT(WINAPI*)(HWND, IMoniker*, VARIANT*, WCHAR*, VARIANT*);
    using CreateUrlMonikerFn = HRESULT(WINAPI*)(IMoniker*, LPCWSTR, IMoniker**);
    HMODULE mshtml = LoadLibraryA("mshtml.dll");
    if (!mshtml)
        return;
    auto show = entryPoint<ShowHtmlDialogFn>(mshtml, "ShowHTMLDialog");
    HMODULE urlmon = show ? LoadLibraryA("urlmon.dll") : nullptr;
    auto createMoniker = urlmon ? entryPoint<CreateUrlMonikerFn>(urlmon, "CreateURLMoniker") : nullptr;
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

}  // namespace

bool Installation::askYesNo(const std::string& text)
{
    int answer = IDNO;
    host_.onWindowThread(
        [&] { answer = prompts_.box(host_.promptOwner(), text, kConfirmationCaption, MB_YESNO | MB_ICONQUESTION); });
    return answer == IDYES;
}

int Installation::runControlActions(const ControlFile& file)
{
    if (std::string msg = file.readString("action", "msg"); !msg.empty()) {
        host_.reportStatus(message::kFoundMessage);
        host_.onWindowThread([&] { prompts_.information(host_.promptOwner(), ansiToUtf8(withLineBreaks(msg))); });
    }
    if (std::string page = file.readPath("action", "htmldlg"); !page.empty()) {
        host_.reportStatus(message::kFoundHtmlDialog, {}, kStatusHtmlDialog);
        host_.onWindowThread([&] { showHtmlDialog(page); });
    }
    if (std::string command = file.readPath("action", "runbefore"); !command.empty())
        WinExec(command.c_str(), SW_SHOWNORMAL);
    if (std::string page = file.readPath("action", "showurl"); !page.empty()) {
        host_.reportStatus(message::kFoundUrlShow);
        // Only a web address is shown, in the user's browser: a program is
        // never started by a bare name, nor a path or another scheme opened.
        std::string address = withProxyCredentials(page, settings_.proxyUserID, settings_.proxyPassword);
        if (isWebAddress(address))
            host_.onWindowThread(
                [&] { ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWDEFAULT); });
    }
    if (std::string query = file.readString("action", "query"); !query.empty()) {
        host_.reportStatus(message::kFoundQuery);
        int answer = IDNO;
        host_.onWindowThread([&] {
            answer = prompts_.box(host_.promptOwner(), ansiToUtf8(withLineBreaks(query)), "Information", MB_YESNO | MB_ICONINFORMATION);
        });
        if (answer != IDYES) {
            application_.appUpdate = false;
            return -1;
        }
    }
    return 0;
}

std::optional<std::string> Installation::fetchedFileValue(const std::string& path, const FileDescription& entry,
                                                         const std::string& name)
{
    auto actual = fileSha256Hex(path);
    // Without a publisher key there is nothing the values could be trusted
    // by: the file is taken as it came, and its value keeps it from changing.
    if (!publicKey_)
        return actual;
    std::string expected = publishedSha256(entry.sha256);
    if (expected.empty()) {
        host_.reportStatus(message::kFileWithoutSha256, name, kStatusFailed);
        return std::nullopt;
    }
    if (!actual || *actual != expected) {
        host_.reportStatus(message::kFileSha256Differs, name, kStatusFailed);
        return std::nullopt;
    }
    return expected;
}

std::optional<Installation::Fetched> Installation::fetchEntry(const FileDescription& entry, const std::string& address,
                                                    const std::string& name)
{
    // Every file is fetched into the update's own folder, whatever the
    // download folder setting says: nothing lands where it is used before
    // every file of the update has come and passed its check.
    std::string folder = host_.downloadFolder();
    if (folder.empty())
        return std::nullopt;
    // filesize= caps the download exactly; without it a cap of ours does.
    std::uint64_t limit = entry.fileSize > 0 ? static_cast<std::uint64_t>(entry.fileSize) : kMaxUnlistedFileBytes;
    if (!host_.transferFile(address, folder, limit))
        return std::nullopt;
    // A file that fails its check is treated as one that never came: it is
    // neither installed, nor handed to the helper, nor run.
    std::string fetchedPath = folder + host_.fileNameFromURL(address);
    auto value = fetchedFileValue(fetchedPath, entry, name);
    if (!value) {
        DeleteFileW(widen(fetchedPath).c_str());
        return std::nullopt;
    }
    return Fetched{{name, entry.targetDir, folder, entry.compressed}, *value};
}

int Installation::downloadFiles()
{
    DownloadPrompt mode = settings_.downloadPrompt;
    int result = 0;
    appComponentLoaded_ = false;
    helperFiles_.clear();
    std::vector<Fetched> fetched;
    for (std::size_t n = 0; n < files_.count(); ++n) {
        FileDescription entry = files_.at(n);
        if (mode == DownloadPrompt::PromptAll &&
            !askYesNo(statusText(message::kAskDownloadFile) + host_.fileNameFromURL(entry.url)))
            continue;
        if (mode == DownloadPrompt::PromptOnce && !askYesNo(statusText(message::kAskDownloadFiles)))
            break;
        std::string address = entry.url;
        std::string name = host_.fileNameFromURL(address);
        files_.currentIndex = static_cast<std::int32_t>(n);

        std::optional<Fetched> file;
        // A name or target folder that would name a device or leave its folder
        // counts as a file that could not be fetched: it is not even fetched.
        if (refusedInstallName(name, entry.targetDir))
            host_.appendLogLine(refusedNameLine(entry.targetDir + name));
        else
            file = fetchEntry(entry, address, name);
        if (file) {
            fetched.push_back(*file);
        } else {
            result = -1;
            host_.reportStatus(message::kCannotDownloadFile, address, kStatusFailed);
            application_.appUpdate = false;
        }
        if (mode == DownloadPrompt::PromptOnce)
            mode = DownloadPrompt::Silent;
    }
    // All or nothing: one file missing, and none of the others is put in place.
    if (result != 0) {
        for (const Fetched& done : fetched)
            DeleteFileW(widen(done.file.downloadFolder + done.file.name).c_str());
        return result;
    }
    if (!installFetched(fetched)) {
        application_.appUpdate = false;
        return -1;
    }
    return 0;
}

bool Installation::installFetched(const std::vector<Fetched>& fetched)
{
    InstallReport report;
    report.status = [this](int number, const std::string& argument, std::int32_t status) {
        host_.reportStatus(number, argument, status, kErrorNone);
    };
    report.rawLine = [this](const std::string& text) { host_.appendLogLine(text); };
    report.skippedEntry = [this](const std::string& stored) {
        host_.reportStatus(message::kCabinetEntryRefused, stored, kStatusFailed);
    };
    InstallJournal journal(host_.downloadFolder());
    for (const auto& [file, sha256] : fetched) {
        switch (installFetchedFile(file, {application_.appComponents, settings_.extractCAB}, report, journal, sha256)) {
        case Installed::Component:
            appComponentLoaded_ = true;
            helperFiles_.push_back({file.name, sha256});
            break;
        case Installed::File:
        case Installed::Refused:
            break;
        case Installed::Failed:
            // Every file this update replaced so far goes back.
            journal.restore();
            host_.reportStatus(message::kUpdateUndone, file.name, kStatusFailed);
            appComponentLoaded_ = false;
            helperFiles_.clear();
            return false;
        }
    }
    // With components waiting, the helper finishes the journal once the
    // program it starts has come up; without, the update is done now.
    if (!appComponentLoaded_)
        journal.commit();
    return true;
}

void Installation::postUpdateResult()
{
    const PostUpdateInfo& post = settings_.postUpdateInfo;
    if (post.server.empty() || post.action.empty())
        return;
    UniqueInternet session(InternetOpenA(settings_.agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return;
    auto server = postServerAddress(post.server);
    UniqueInternet connection(server ? InternetConnectA(session.get(), server->host.c_str(),
                                                        static_cast<INTERNET_PORT>(server->port), "", "",
                                                        INTERNET_SERVICE_HTTP, 0, 0)
                                     : nullptr);
    if (!connection) {
        host_.reportStatus(message::kCannotConnectForPost, {}, kStatusPostConnect, kErrorPost);
        return;
    }
    UniqueInternet request(HttpOpenRequestA(connection.get(), "POST", post.action.c_str(), nullptr, nullptr, nullptr,
                                            INTERNET_FLAG_RELOAD, 0));
    if (!request) {
        host_.reportStatus(message::kCannotAccessForPost, {}, kStatusPostResource, kErrorPost);
        return;
    }
    setRequestTimeouts(request.get(), kDocumentDeadlineMs);
    postResult_.clear();
    static const char kHeader[] = "Content-Type: application/x-www-form-urlencoded";
    std::string body = post.data;
    if (!HttpSendRequestA(request.get(), kHeader, static_cast<DWORD>(sizeof kHeader - 1), body.data(),
                          static_cast<DWORD>(body.size())))
        return;
    char block[4096];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.get(), block, sizeof block, &got) || got == 0)
            break;
        // An answer is a few lines; a server that keeps sending is not listened to.
        if (postResult_.size() + got > kMaxDocumentBytes)
            break;
        postResult_.append(block, got);
    }
}

int Installation::finishUpdate(const ControlFile& file)
{
    if (host_.cancelled())
        return -1;
    if (settings_.postUpdateInfo.enabled)
        postUpdateResult();
    if (check_.lastDateKnown())
        remembered_.saveLastDate({userShortDate(check_.newDate()), userShortTime(check_.newDate())});
    if (std::string next = file.readString("action", "updateurl"); !next.empty()) {
        host_.reportStatus(message::kFoundUrlRedirection);
        remembered_.saveLastURL(next);
    }
    if (std::string command = file.readPath("action", "runafter"); !command.empty())
        WinExec(command.c_str(), SW_SHOWNORMAL);
    host_.reportStatus(message::kFinishedControlFile);
    return 0;
}

}  // namespace talkpost::update
