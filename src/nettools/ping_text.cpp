// Log lines and error text of the echo test.
#include "nettools/ping_text.h"

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

}  // namespace talkpost
