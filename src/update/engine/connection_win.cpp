// Opening and closing the engine's Internet connection: the online test, the
// dial rules with the dial functions looked up at the moment of each call,
// the Internet handle and the FTP connection.
#include "update/engine/connection_win.h"

#include "update/engine/status_log.h"

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
    return entryPoint<Fn>(library.get(), name);
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

int Connection::open()
{
    ftpConnection_.reset();
    internet_.reset();
    if (settings_.updateType == UpdateType::File)
        return kConnected;
    status(message::kCheckingConnection);
    if (settings_.updateConnect == UpdateConnect::None)
        return kConnected;

    // What the platform says, for every address alike.
    bool online = platformSaysConnected();
    switch (dialStep(online, settings_.updateConnect)) {
    case DialStep::ReturnOffline:
        return kOffline;
    case DialStep::PromptDial:
    case DialStep::SilentDial: {
        bool prompt = dialStep(online, settings_.updateConnect) == DialStep::PromptDial;
        status(prompt ? message::kPromptForConnection : message::kOpeningConnection);
        if (!autodial(prompt ? INTERNET_AUTODIAL_FORCE_ONLINE : INTERNET_AUTODIAL_FORCE_UNATTENDED)) {
            status(message::kDialupFailed);
            return kDialFailed;
        }
        dialed_ = true;
        break;
    }
    case DialStep::Online:
        break;
    }
    status(message::kFoundConnection);

    bool viaProxy = !settings_.proxy.empty();
    internet_.reset(InternetOpenA(settings_.agent.c_str(), viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                  viaProxy ? settings_.proxy.c_str() : nullptr, nullptr, 0));
    if (!internet_) {
        status(message::kCannotOpenConnection, {}, kStatusNoInternet, kErrorNone);
        return kNoInternetHandle;
    }
    return kConnected;
}

int Connection::connectFtpHost()
{
    ftpDirectorySet_ = false;
    status(message::kConnectToHost, settings_.host);
    bool credentials = !settings_.userID.empty() && !settings_.password.empty();
    ftpConnection_.reset(InternetConnectA(internet_.get(), settings_.host.c_str(),
                                          static_cast<INTERNET_PORT>(settings_.port),
                                          credentials ? settings_.userID.c_str() : nullptr,
                                          credentials ? settings_.password.c_str() : nullptr, INTERNET_SERVICE_FTP,
                                          settings_.ftpPassive ? INTERNET_FLAG_PASSIVE : 0, 0));
    return ftpConnection_ ? 0 : -1;
}

void Connection::close()
{
    if (settings_.updateType != UpdateType::File) {
        if (settings_.updateType == UpdateType::Ftp && ftpConnection_) {
            ftpConnection_.reset();
            status(message::kClosedFtpConnection);
        }
        if (internet_) {
            internet_.reset();
            status(message::kClosedConnection);
        }
        if (dialed_ && hangsUpAfterwards(settings_.updateConnect)) {
            hangUp();
            status(message::kDisconnectDialup);
        }
        dialed_ = false;
        status(message::kClosedConnection);
    }
}

}  // namespace talkpost::update
