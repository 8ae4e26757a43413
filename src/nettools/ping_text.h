// The texts of the echo test: its log lines and the message for an ICMP
// library that cannot be loaded. Portable.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace talkpost {

// The echo time-out of the Ping command and of Send to all.
inline constexpr unsigned kPingTimeoutMs = 5000;

std::string pingStartLine(const std::string& host);
std::string pingResultLine(const std::string& host, bool answered);

// "icmp.dll library can not be loaded or not found. " and the system's text
// for the error, without its trailing blanks, control characters and periods.
std::string icmpLoadErrorText(const std::string& systemText);

// The address a host text spells out as four decimal numbers of 0 to 255
// without leading zeros ("127.0.0.1"), which needs no name lookup; nothing
// for any other text, which goes to the resolver as it stands.
std::optional<std::array<unsigned char, 4>> dottedQuadAddress(const std::string& host);

}  // namespace talkpost
