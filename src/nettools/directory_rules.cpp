// The rules of Computers from Directory: fields and their keys, the name rule,
// the texts of the count, the log and the failures.
#include "nettools/directory_rules.h"

#include <cstdio>

#include "base/decimal.h"

namespace talkpost::directory {
namespace {

bool isHostCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

std::string hex(unsigned long code)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", code);
    return text;
}

}  // namespace

std::optional<ServerAddress> parseServerField(const std::string& text, Connection connection)
{
    ServerAddress address;
    address.port = connection == Connection::Ldaps ? 636 : 389;
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return address;  // the logged-on user's domain
    std::string field = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::string port;
    if (field.front() == '[') {
        std::size_t close = field.find(']');
        if (close == std::string::npos || close == 1)
            return std::nullopt;
        address.host = field.substr(1, close - 1);
        std::string rest = field.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return std::nullopt;
            port = rest.substr(1);
            if (port.empty())
                return std::nullopt;
        }
    } else {
        std::size_t colon = field.find(':');
        if (colon != std::string::npos && field.find(':', colon + 1) != std::string::npos) {
            address.host = field;  // a bare IPv6 address: no port
        } else {
            address.host = field.substr(0, colon);
            if (colon != std::string::npos) {
                port = field.substr(colon + 1);
                if (port.empty())
                    return std::nullopt;
            }
        }
    }
    if (address.host.empty())
        return std::nullopt;
    for (char c : address.host)
        if (!isHostCharacter(c) && c != ':' && c != '%')
            return std::nullopt;
    if (!port.empty()) {
        auto value = port.size() > 5 ? std::nullopt : parseDecimal(port, 65535);
        if (!value || *value == 0)
            return std::nullopt;
        address.port = static_cast<std::uint16_t>(*value);
    }
    return address;
}

UserName splitUserName(const std::string& text)
{
    std::size_t slash = text.find('\\');
    if (slash == std::string::npos)
        return {{}, text};
    return {text.substr(0, slash), text.substr(slash + 1)};
}

std::optional<std::string> computerNameOf(const std::string& dnsHostName, const std::string& name)
{
    const std::string& chosen = dnsHostName.empty() ? name : dnsHostName;
    if (chosen.empty() || chosen.size() > kMaxNameLength)
        return std::nullopt;
    for (char c : chosen)
        if (!isHostCharacter(c))
            return std::nullopt;
    return chosen;
}

std::string countText(std::size_t computers) { return std::to_string(computers) + " computers"; }

std::string logLine(std::size_t computers, std::size_t added, std::size_t alreadyListed)
{
    return "Directory: " + std::to_string(computers) + " computers, " + std::to_string(added) + " added, " +
           std::to_string(alreadyListed) + " already listed";
}

std::string removedLine(std::size_t removed)
{
    return "Directory: " + std::to_string(removed) + " removed (no longer listed)";
}

std::optional<std::string> skippedLine(std::size_t skipped)
{
    if (skipped == 0)
        return std::nullopt;
    return "Directory: " + std::to_string(skipped) + " skipped (no host name)";
}

std::string failureText(Step step, unsigned long code, const std::string& platformText, const std::string& server)
{
    // The server as named, mid-sentence and at the start of one.
    const std::string where = server.empty() ? std::string("the domain's directory server") : server;
    const std::string atStart = server.empty() ? std::string("The domain's directory server") : server;
    std::string what;
    {
        switch (code) {
        case 0x51:  // server down
        case 0x5b:  // connect error
            what = step == Step::Tls ? "The TLS connection to " + where +
                                           " could not be set up: its certificate is not trusted, or it does not "
                                           "speak TLS on that port."
                                     : atStart + " cannot be reached.";
            break;
        case 0x55:  // timeout
            what = atStart + " did not answer in time.";
            break;
        case 0x03:  // time limit exceeded (the server's own)
            what = "The search took longer than the time limit.";
            break;
        case 0x31:  // invalid credentials
            what = "The sign-in was refused: the user name or the password is wrong.";
            break;
        case 0x07:  // auth method not supported
        case 0x08:  // stronger authentication required
        case 0x30:  // inappropriate authentication
            what = "The sign-in was refused: " + where + " does not accept this kind of sign-in.";
            break;
        case 0x32:  // insufficient rights
            what = "The signed-in user may not read the directory.";
            break;
        case 0x20:  // no such object
        case 0x22:  // invalid DN syntax
            what = "The base was not found in the directory.";
            break;
        case 0x57:  // filter error
            what = "The filter is not a valid search filter.";
            break;
        case 0x0a:  // referral
            what = "The base is not held by this server (it refers elsewhere).";
            break;
        case 0x58:  // user cancelled
            what = "The search was cancelled.";
            break;
        case 0x5a:  // no memory
        case 0x0b:  // admin limit exceeded
        case 0x04:  // size limit exceeded
            what = "The directory sent more than can be taken.";
            break;
        case 0x34:  // unavailable
        case 0x33:  // busy
        case 0x35:  // unwilling to perform
            what = step == Step::SignIn ? "The sign-in was refused by " + where + "."
                                        : atStart + " refused the search.";
            break;
        default:
            switch (step) {
            case Step::Connect: what = atStart + " cannot be reached."; break;
            case Step::Tls: what = "The TLS connection to " + where + " could not be set up."; break;
            case Step::SignIn: what = "The sign-in was refused."; break;
            case Step::RootEntry: what = "The directory's root entry could not be read."; break;
            case Step::Search: what = "The search failed."; break;
            }
        }
    }
    std::string text = what + " (LDAP " + hex(code);
    if (!platformText.empty())
        text += ": " + platformText;
    return text + ")";
}

std::string timeLimitText(const std::string& server, unsigned seconds)
{
    const std::string where = server.empty() ? std::string("The domain's directory server") : server;
    return where + " did not answer within " + std::to_string(seconds) + " s.";
}

std::string badServerText(const std::string& text)
{
    return "\"" + text + "\" names no server: type a host name or address, with \":port\" if needed, or leave it "
           "empty for the domain you are signed in to.";
}

namespace {

constexpr const char kStartTlsOid[] = "1.3.6.1.4.1.1466.20037";

// One BER element: its tag, where its contents start and how long they are.
struct Element {
    unsigned char tag = 0;
    std::size_t start = 0, length = 0;
};

// Reads the element at `at`; nothing when the bytes end first or the length
// is not one this answer can have (indefinite, or more than four bytes).
std::optional<Element> elementAt(const std::string& bytes, std::size_t at, std::size_t& needed)
{
    if (at + 2 > bytes.size())
        return std::nullopt;
    Element element;
    element.tag = static_cast<unsigned char>(bytes[at]);
    auto first = static_cast<unsigned char>(bytes[at + 1]);
    std::size_t header = 2;
    if (first < 0x80) {
        element.length = first;
    } else {
        std::size_t count = first & 0x7f;
        if (count == 0 || count > 4)
            return std::nullopt;
        if (at + 2 + count > bytes.size())
            return std::nullopt;
        for (std::size_t i = 0; i < count; ++i)
            element.length = (element.length << 8) | static_cast<unsigned char>(bytes[at + 2 + i]);
        header += count;
    }
    element.start = at + header;
    needed = element.start + element.length;
    if (needed > bytes.size())
        return std::nullopt;
    return element;
}

}  // namespace

std::string startTlsRequest(int messageId)
{
    std::string oid = kStartTlsOid;
    std::string name = std::string("\x80", 1) + static_cast<char>(oid.size()) + oid;
    std::string extended = std::string("\x77", 1) + static_cast<char>(name.size()) + name;
    std::string id = std::string("\x02\x01", 2) + static_cast<char>(messageId);
    std::string body = id + extended;
    return std::string("\x30", 1) + static_cast<char>(body.size()) + body;
}

std::optional<unsigned> startTlsResultCode(const std::string& bytes, std::size_t& needed)
{
    needed = 0;
    std::size_t ignored = 0;
    auto message = elementAt(bytes, 0, needed);
    if (!message || message->tag != 0x30)
        return std::nullopt;
    auto id = elementAt(bytes, message->start, ignored);
    if (!id || id->tag != 0x02)
        return std::nullopt;
    auto response = elementAt(bytes, id->start + id->length, ignored);
    if (!response || response->tag != 0x78)  // [APPLICATION 24] extended response
        return std::nullopt;
    auto code = elementAt(bytes, response->start, ignored);
    if (!code || code->tag != 0x0a || code->length < 1 || code->length > 4)
        return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = 0; i < code->length; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[code->start + i]);
    return value;
}

std::string certificateText(const std::string& server, const std::string& reason)
{
    const std::string where = server.empty() ? std::string("the domain's directory server") : server;
    std::string text = "The certificate of " + where + " is not trusted.";
    return reason.empty() ? text : text + " (" + reason + ")";
}

}  // namespace talkpost::directory
