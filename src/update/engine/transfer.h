// The rules of a transfer that need no platform: local names from addresses,
// the host for the login prompt, proxy credentials in an address, the Basic
// header and the request flags. Portable; the transfer itself is transfer_win.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talkpost::update {

// The part of the address after its last "/" and then its last "\"; a query
// string stays part of it ("setup.exe?x=1").
std::string fileNameFromURL(const std::string& address);

// The address without "scheme://", cut at its first "/" and its first "\";
// the port stays ("host:8080").
std::string hostFromURL(const std::string& address);

// The login dialog's prompt for an address: "Connect to " + host with port.
std::string loginPrompt(const std::string& address);

// "http://" addresses (any case) get "user:password@" after the scheme when
// a proxy user is set; every other address stays as it is.
std::string withProxyCredentials(const std::string& address, const std::string& proxyUser,
                                 const std::string& proxyPassword);

// "Authorization: Basic <Base64 of user:password>\r\n\r\n", or empty when
// both are empty.
std::string basicAuthorizationHeader(const std::string& user, const std::string& password);

// Reload, no cache write and the no-cache pragma, plus keep-connection and
// existing-connect when asked.
inline constexpr std::uint32_t kRequestFlagsBase = 0x84000100;
inline constexpr std::uint32_t kFlagKeepConnection = 0x00400000;
inline constexpr std::uint32_t kFlagExistingConnect = 0x20000000;
std::uint32_t httpRequestFlags(bool keepAliveAuthentication, bool existingConnection);

// The destination of a file-mode copy: folder + local name when the folder
// text names no file (empty, or ending in "\" or ":"), else the folder text.
std::string fileModeDestination(const std::string& folder, const std::string& address);

}  // namespace talkpost::update

namespace talkpost::update {

// An HTTP or HTTPS address taken apart: scheme in lower case, host as written,
// the port (80 or 443 when none is named) and the rest from its first "/".
struct AddressParts {
    std::string scheme;
    std::string host;
    int port = 0;
    std::string path;
};
std::optional<AddressParts> splitAddress(const std::string& address);

// The post-update report's server, "host" or "host:port" with or without
// "http://" before it, taken apart (port 80 when none is named).
std::optional<AddressParts> postServerAddress(const std::string& server);

// Where a redirect of a request for `current` to `location` leads: the
// absolute address when it stays on the same scheme, host and port (a
// location beginning with "/" does); nothing for any other place, so that the
// account's credentials never reach another server.
std::optional<std::string> sameServerRedirect(const std::string& current, const std::string& location);

}  // namespace talkpost::update
