// Address and request rules of a transfer.
#include "update/engine/transfer.h"

#include <cctype>

#include "base/decimal.h"
#include "update/engine/base64.h"
#include "update/install/file_names.h"

namespace talkpost::update {

std::string fileNameFromURL(const std::string& address)
{
    std::string name = address;
    if (auto slash = name.rfind('/'); slash != std::string::npos)
        name.erase(0, slash + 1);
    if (auto backslash = name.rfind('\\'); backslash != std::string::npos)
        name.erase(0, backslash + 1);
    return name;
}

std::string hostFromURL(const std::string& address)
{
    std::string host = address;
    if (auto scheme = host.find("://"); scheme != std::string::npos)
        host.erase(0, scheme + 3);
    if (auto slash = host.find('/'); slash != std::string::npos)
        host.erase(slash);
    if (auto backslash = host.find('\\'); backslash != std::string::npos)
        host.erase(backslash);
    return host;
}

std::string loginPrompt(const std::string& address) { return "Connect to " + hostFromURL(address); }

std::string withProxyCredentials(const std::string& address, const std::string& proxyUser,
                                 const std::string& proxyPassword)
{
    if (proxyUser.empty() || address.size() < 7)
        return address;
    std::string scheme = address.substr(0, 7);
    for (char& c : scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "http://")
        return address;
    return "http://" + proxyUser + ":" + proxyPassword + "@" + address.substr(7);
}

std::string basicAuthorizationHeader(const std::string& user, const std::string& password)
{
    if (user.empty() && password.empty())
        return {};
    return "Authorization: Basic " + base64Encode(user + ":" + password) + "\r\n\r\n";
}

std::uint32_t httpRequestFlags(bool keepAliveAuthentication, bool existingConnection)
{
    std::uint32_t flags = kRequestFlagsBase;
    if (keepAliveAuthentication)
        flags |= kFlagKeepConnection;
    if (existingConnection)
        flags |= kFlagExistingConnect;
    return flags;
}

std::string fileModeDestination(const std::string& folder, const std::string& address)
{
    if (folder.empty() || folder.back() == '\\' || folder.back() == ':')
        return folder + fileNameFromURL(address);
    return folder;
}

}  // namespace talkpost::update

namespace talkpost::update {

std::optional<AddressParts> splitAddress(const std::string& address)
{
    auto schemeEnd = address.find("://");
    if (schemeEnd == std::string::npos)
        return std::nullopt;
    AddressParts parts;
    parts.scheme = address.substr(0, schemeEnd);
    for (char& c : parts.scheme)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (parts.scheme != "http" && parts.scheme != "https")
        return std::nullopt;
    std::string rest = address.substr(schemeEnd + 3);
    auto slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    parts.path = slash == std::string::npos ? "/" : rest.substr(slash);
    // Credentials in the address are no part of the server's name.
    if (auto at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    parts.port = parts.scheme == "https" ? 443 : 80;
    if (auto colon = authority.rfind(':'); colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        std::string digits = authority.substr(colon + 1);
        auto port = digits.size() > 5 ? std::nullopt : parseDecimal(digits, 65535);
        if (!port || *port < 1)
            return std::nullopt;
        parts.port = static_cast<int>(*port);
        authority.erase(colon);
    }
    if (authority.empty())
        return std::nullopt;
    parts.host = authority;
    return parts;
}

std::optional<AddressParts> postServerAddress(const std::string& server)
{
    if (server.find("://") == std::string::npos)
        return splitAddress("http://" + server);
    return splitAddress(server);
}

std::optional<std::string> sameServerRedirect(const std::string& current, const std::string& location)
{
    auto from = splitAddress(current);
    if (!from || location.empty())
        return std::nullopt;
    if (location.front() == '/') {
        // "//host/..." names a server of its own.
        if (location.size() > 1 && location[1] == '/')
            return sameServerRedirect(current, from->scheme + ":" + location);
        return from->scheme + "://" + from->host + ":" + std::to_string(from->port) + location;
    }
    auto to = splitAddress(location);
    if (!to || to->scheme != from->scheme || to->port != from->port)
        return std::nullopt;
    std::string a = from->host, b = to->host;
    for (char& c : a)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : b)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (a != b)
        return std::nullopt;
    // The host as the first request named it, without credentials from the location.
    return from->scheme + "://" + from->host + ":" + std::to_string(from->port) + to->path;
}

}  // namespace talkpost::update
