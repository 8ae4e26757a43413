// Opening and closing the engine's Internet connection: the online test, the
// dial rules with the dial functions looked up at the moment of each call,
// the Internet handle and the FTP connection.
#include "update/engine/update_engine_win.h"

namespace talkpost::update {
namespace {

using ConnectedStateFn = BOOL(WINAPI*)(LPDWORD, DWORD);
using AutodialFn = BOOL(WINAPI*)(DWORD, HWND);
using HangupFn = BOOL(WINAPI*)(DWORD);

// A function of wininet.dll, loaded now; the library stays loaded while the
// caller uses the function.
template <typename Fn>
Fn wininetFunction(UniqueLibrary& library, const char* name)
{
    library.reset(LoadLibraryA("wininet.dll"));
    if (!library)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library.get(), name)));
}

bool platformSaysConnected()
{
    UniqueLibrary library;
    auto connectedState = wininetFunction<ConnectedStateFn>(library, "InternetGetConnectedState");
    if (connectedState == nullptr)
        return true;
    DWORD flags = 0;
    return connectedState(&flags, 0) != FALSE;
}

// Only a result of zero is a failed dial; a missing function counts as dialled.
bool autodial(DWORD flags)
{
    UniqueLibrary library;
    auto dial = wininetFunction<AutodialFn>(library, "InternetAutodial");
    if (dial == nullptr)
        return true;
    return dial(flags, nullptr) != FALSE;
}

void hangUp()
{
    UniqueLibrary library;
    if (auto hangup = wininetFunction<HangupFn>(library, "InternetAutodialHangup"))
        hangup(0);
}

}  // namespace

int UpdateEngine::openConnection()
{
    ftpConnection_.reset();
    internet_.reset();
    // A new update starts with a folder of its own.
    folder_.remove();
    if (settings.updateType == UpdateType::File)
        return kConnected;
    reportStatus(message::kCheckingConnection);
    if (settings.updateConnect == UpdateConnect::None)
        return kConnected;

    bool online = countsAsOnline(settings.url, platformSaysConnected());
    switch (dialStep(online, settings.updateConnect)) {
    case DialStep::ReturnOffline:
        return kOffline;
    case DialStep::PromptDial:
    case DialStep::SilentDial: {
        bool prompt = dialStep(online, settings.updateConnect) == DialStep::PromptDial;
        reportStatus(prompt ? message::kPromptForConnection : message::kOpeningConnection);
        if (!autodial(prompt ? INTERNET_AUTODIAL_FORCE_ONLINE : INTERNET_AUTODIAL_FORCE_UNATTENDED)) {
            reportStatus(message::kDialupFailed);
            return kDialFailed;
        }
        dialed_ = true;
        break;
    }
    case DialStep::Online:
        break;
    }
    reportStatus(message::kFoundConnection);

    bool viaProxy = !settings.proxy.empty();
    internet_.reset(InternetOpenA(settings.agent.c_str(), viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                  viaProxy ? settings.proxy.c_str() : nullptr, nullptr, 0));
    if (!internet_) {
        reportStatus(message::kCannotOpenConnection, {}, kStatusNoInternet, kErrorNone);
        return kNoInternetHandle;
    }
    return kConnected;
}

int UpdateEngine::connectFtpHost()
{
    ftpDirectorySet_ = false;
    reportStatus(message::kConnectToHost, settings.host);
    bool credentials = !settings.userID.empty() && !settings.password.empty();
    ftpConnection_.reset(InternetConnectA(internet_.get(), settings.host.c_str(),
                                          static_cast<INTERNET_PORT>(settings.port),
                                          credentials ? settings.userID.c_str() : nullptr,
                                          credentials ? settings.password.c_str() : nullptr, INTERNET_SERVICE_FTP,
                                          settings.ftpPassive ? INTERNET_FLAG_PASSIVE : 0, 0));
    return ftpConnection_ ? 0 : -1;
}

int UpdateEngine::closeConnection()
{
    if (settings.updateType != UpdateType::File) {
        if (settings.updateType == UpdateType::Ftp && ftpConnection_) {
            ftpConnection_.reset();
            reportStatus(message::kClosedFtpConnection);
        }
        if (internet_) {
            internet_.reset();
            reportStatus(message::kClosedConnection);
        }
        if (dialed_ && hangsUpAfterwards(settings.updateConnect)) {
            hangUp();
            reportStatus(message::kDisconnectDialup);
        }
        dialed_ = false;
        reportStatus(message::kClosedConnection);
    }
    control_.reset();
    // The update's files go with it, unless components wait there for the
    // restart through the helper.
    if (!restartRequired())
        folder_.remove();
    return 0;
}

}  // namespace talkpost::update
