// Host resolution through the Winsock 1.1 interface and one ICMP echo through
// icmp.dll, which is loaded, used and unloaded again on every call. Nothing
// is kept between calls.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "nettools/ping_text.h"

namespace talkpost {

// Four bytes in network order; 0.0.0.0 stands for a name that did not resolve.
struct IPv4Address {
    std::array<unsigned char, 4> bytes{};
    bool operator==(const IPv4Address&) const = default;
};

// The first address the resolver gives for a host name or dotted address,
// handed over unchanged; 0.0.0.0 when there is none. Never fails outward.
IPv4Address resolveHostAddress(const std::string& host);

// Whether at least one echo reply (of any kind) came back within the time-out.
// The system's ICMP library, which pingHost and the echo sweep load.
inline constexpr const char* kIcmpLibrary = "icmp.dll";

// Throws AppError "icmp.dll library can not be loaded or not found. <system
// text>" when the library cannot be loaded; a missing entry point or ICMP
// handle gives false.
// icmpLibrary: the library the echo is sent with (a test names another).
bool pingHost(const std::string& host, unsigned timeoutMs, const std::string& icmpLibrary = kIcmpLibrary);

// The Ping command: logs "PING <host>", pings with kPingTimeoutMs, logs the
// result line. An unloadable library leaves the first line only and throws.
void pingCommand(const std::string& host, const std::function<void(const std::string&)>& appendLog,
                 const std::string& icmpLibrary = kIcmpLibrary);


}  // namespace talkpost
