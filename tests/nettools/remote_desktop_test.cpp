// The remote desktop command text and the client help text.
#include "nettools/remote_desktop.h"

#include <gtest/gtest.h>

#include <string>

namespace talkpost {
namespace {

TEST(RemoteDesktop, ParameterTextNamesTheSelectedEntry)
{
    struct Case {
        std::string entry, parameters;
    } cases[] = {
        {"Remote01", "/c mstsc /v:Remote01 /f"},
        {"", "/c mstsc /v: /f"},
        {"192.168.0.7", "/c mstsc /v:192.168.0.7 /f"},
        {"*", "/c mstsc /v:* /f"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(remoteDesktopParameters(c.entry), c.parameters);
        EXPECT_FALSE(remoteDesktopRefusal(c.entry)) << c.entry;
    }
}

TEST(RemoteDesktop, EntriesTheInterpreterWouldActOnAreRefusedByName)
{
    for (const char* entry : {"pc&calc", "a|b", "a<b", "a>b", "a^b", "%PATH%", "a\"b", "a\tb", "a\nb"}) {
        auto refusal = remoteDesktopRefusal(entry);
        ASSERT_TRUE(refusal) << entry;
        EXPECT_NE(refusal->find("computer"), std::string::npos) << *refusal;
    }
}

TEST(RemoteDesktop, HelpTextKeepsItsLineBreaksBlankAndTab)
{
    std::string text = kClientHelpText;
    EXPECT_EQ(text,
              "1. Folowing Entrie has to be set in the Registry:\n\r"
              "    HKLM\\ SYSTEM\\CurrentControlSet\\Control\\Terminal Server\\\n\r"
              "    AllowRemoteRPC\tValue  1 (REG_DWORD)\n\r"
              "2. Remotedesktopsessions has to be allowed\n\r"
              "3. Users have to use Passwords on Computerlogin");
    EXPECT_NE(text.find("HKLM\\ SYSTEM"), std::string::npos);
    EXPECT_NE(text.find("AllowRemoteRPC\tValue  1"), std::string::npos);
    EXPECT_EQ(text.find("\r\n"), std::string::npos);  // LF CR, never CR LF
}

}  // namespace
}  // namespace talkpost
