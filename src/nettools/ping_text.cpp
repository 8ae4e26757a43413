// Log lines and error text of the echo test.
#include "nettools/ping_text.h"

#include "base/decimal.h"

namespace talkpost {

std::string pingStartLine(const std::string& host) { return "PING " + host; }

std::string pingResultLine(const std::string& host, bool answered)
{
    return host + (answered ? " has answered on Ping" : " is not reachable");
}

std::string icmpLoadErrorText(const std::string& systemText)
{
    std::string text = systemText;
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.'))
        text.pop_back();
    return "icmp.dll library can not be loaded or not found. " + text;
}

std::optional<std::array<unsigned char, 4>> dottedQuadAddress(const std::string& host)
{
    std::array<unsigned char, 4> address{};
    std::size_t at = 0;
    for (std::size_t part = 0; part < address.size(); ++part) {
        if (part > 0 && (at >= host.size() || host[at++] != '.'))
            return std::nullopt;
        // A leading zero is left to the resolver, which reads "010" as octal.
        if (at + 1 < host.size() && host[at] == '0' && host[at + 1] >= '0' && host[at + 1] <= '9')
            return std::nullopt;
        DecimalRun number = readDecimalRun(std::string_view(host).substr(at), 255);
        if (number.length == 0 || number.beyondCap)
            return std::nullopt;
        at += number.length;
        address[part] = static_cast<unsigned char>(number.value);
    }
    if (at != host.size())
        return std::nullopt;
    return address;
}

}  // namespace talkpost
