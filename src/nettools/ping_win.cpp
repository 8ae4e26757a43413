// Resolution and echo against the platform's libraries.
#include <winsock2.h>
#include <windows.h>

#include "nettools/ping_win.h"

#include <cstring>
#include <mutex>

#include "base/app_error.h"
#include "win/handles_win.h"
#include "win/win32_error_win.h"

namespace talkpost {
namespace {

// The entry points of icmp.dll, declared here because the library is not
// linked at build time.
using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE icmp, ULONG destination, LPVOID requestData, WORD requestSize,
                                      LPVOID requestOptions, LPVOID replyBuffer, DWORD replySize, DWORD timeout);
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE icmp);

constexpr DWORD kReplyBufferSize = 128;

// Closes the ICMP handle on every path out.
class IcmpHandle {
public:
    IcmpHandle(HANDLE handle, IcmpCloseHandleFn close) : handle_(handle), close_(close) {}
    ~IcmpHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            close_(handle_);
    }
    IcmpHandle(const IcmpHandle&) = delete;
    IcmpHandle& operator=(const IcmpHandle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
    IcmpCloseHandleFn close_;
};

// Starts the socket library for one resolution and cleans it up afterwards.
class SocketLibrary {
public:
    SocketLibrary()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);  // its result is of no consequence: a failed start makes the lookup fail
    }
    ~SocketLibrary() { WSACleanup(); }
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;
};

}  // namespace

IPv4Address resolveHostAddress(const std::string& host)
{
    SocketLibrary sockets;
    IPv4Address address;
    const hostent* entry = gethostbyname(host.c_str());
    if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr ||
        entry->h_length < 4)
        return address;
    std::memcpy(address.bytes.data(), entry->h_addr_list[0], address.bytes.size());
    return address;
}

bool pingHost(const std::string& host, unsigned timeoutMs, const std::string& icmpLibrary)
{
    UniqueLibrary library(LoadLibraryA(icmpLibrary.c_str()));
    if (!library)
        throw AppError(icmpLoadErrorText(systemErrorText(GetLastError())));
    auto create = entryPoint<IcmpCreateFileFn>(library.get(), "IcmpCreateFile");
    auto send = entryPoint<IcmpSendEchoFn>(library.get(), "IcmpSendEcho");
    auto close = entryPoint<IcmpCloseHandleFn>(library.get(), "IcmpCloseHandle");
    if (create == nullptr || send == nullptr || close == nullptr)
        return false;
    IcmpHandle icmp(create(), close);
    if (icmp.get() == INVALID_HANDLE_VALUE)
        return false;
    // Resolved only now, so that a missing library or entry point is noticed
    // before any name lookup.
    IPv4Address address = resolveHostAddress(host);
    ULONG destination = 0;
    std::memcpy(&destination, address.bytes.data(), sizeof destination);
    alignas(8) unsigned char reply[kReplyBufferSize] = {};
    DWORD replies = send(icmp.get(), destination, nullptr, 0, nullptr, reply, kReplyBufferSize, timeoutMs);
    return replies != 0;
}

void pingCommand(const std::string& host, const std::function<void(const std::string&)>& appendLog,
                 const std::string& icmpLibrary)
{
    appendLog(pingStartLine(host));
    bool answered = pingHost(host, kPingTimeoutMs, icmpLibrary);
    appendLog(pingResultLine(host, answered));
}

}  // namespace talkpost
