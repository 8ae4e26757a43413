// The echo test's log lines and its load error text.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace talkpost
