// Address and request rules of a transfer.
#include "update/engine/transfer.h"

#include <cctype>

#include "update/engine/base64.h"

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

bool isUsableLocalName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find(':') == std::string::npos;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

}  // namespace talkpost::update
