// The echo test's log lines and its load error text.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "nettools/ping_text.h"

namespace talkpost {
namespace {

TEST(PingText, LogLinesNameTheHostTextUnchanged)
{
    EXPECT_EQ(pingStartLine("127.0.0.1"), "PING 127.0.0.1");
    EXPECT_EQ(pingStartLine(""), "PING ");
    EXPECT_EQ(pingResultLine("127.0.0.1", true), "127.0.0.1 has answered on Ping");
    EXPECT_EQ(pingResultLine("*", false), "* is not reachable");
    EXPECT_EQ(pingResultLine("", false), " is not reachable");
    EXPECT_EQ(pingResultLine(" Remote01", true), " Remote01 has answered on Ping");
}

TEST(PingText, LoadErrorEndsWithTheSystemTextWithoutTrailingDotsAndBreaks)
{
    const std::pair<std::string, std::string> cases[] = {
        {"The specified module could not be found.\r\n", "The specified module could not be found"},
        {"Access is denied. . \r\n", "Access is denied"},
        {"Plain", "Plain"},
        {"", ""},
    };
    for (const auto& [system, tail] : cases)
        EXPECT_EQ(icmpLoadErrorText(system), "icmp.dll library can not be loaded or not found. " + tail);
}

TEST(PingText, OnlyPlainDottedQuadsSkipTheResolver)
{
    using Bytes = std::array<unsigned char, 4>;
    const std::vector<std::pair<std::string, std::optional<Bytes>>> cases = {
        {"127.0.0.1", Bytes{127, 0, 0, 1}},
        {"0.0.0.0", Bytes{0, 0, 0, 0}},
        {"255.255.255.255", Bytes{255, 255, 255, 255}},
        {"127.0.1.250", Bytes{127, 0, 1, 250}},
        {"256.0.0.1", std::nullopt},
        {"127.0.0.010", std::nullopt},  // octal to the resolver
        {"127.0.0.0001", std::nullopt},
        {"127.1", std::nullopt},
        {"127.0.0.1.", std::nullopt},
        {" 127.0.0.1", std::nullopt},
        {"127.0.0.1 ", std::nullopt},
        {"127..0.1", std::nullopt},
        {"0x7f.0.0.1", std::nullopt},
        {"pc01", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [host, expected] : cases)
        EXPECT_EQ(dottedQuadAddress(host), expected) << host;
}

}  // namespace
}  // namespace talkpost
