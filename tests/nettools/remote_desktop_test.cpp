// The remote desktop command text and the client help text.
#include "nettools/remote_desktop.h"

#include <gtest/gtest.h>

#include <string>

namespace talkpost {
namespace {

TEST(RemoteDesktop, ParameterTextStartsTheClientByItsFullPathForTheSelectedEntry)
{
    struct Case {
        std::string folder, entry, parameters;
    } cases[] = {
        {"C:\\WINDOWS\\system32", "Remote01", "/c C:\\WINDOWS\\system32\\mstsc.exe /v:Remote01 /f"},
        {"C:\\WINDOWS\\system32", "", "/c C:\\WINDOWS\\system32\\mstsc.exe /v: /f"},
        {"C:\\WINDOWS\\system32\\", "192.168.0.7", "/c C:\\WINDOWS\\system32\\mstsc.exe /v:192.168.0.7 /f"},
        {"D:\\Win Dows\\System32", "*", "/c \"D:\\Win Dows\\System32\\mstsc.exe\" /v:* /f"},
        {"D:\\A&B\\System32", "pc", "/c \"D:\\A&B\\System32\\mstsc.exe\" /v:pc /f"},
        {"C:\\WINDOWS\\system32", "[::1]:3390", "/c C:\\WINDOWS\\system32\\mstsc.exe /v:[::1]:3390 /f"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(remoteDesktopParameters(c.folder, c.entry), c.parameters);
        EXPECT_FALSE(remoteDesktopRefusal(c.entry)) << c.entry;
    }
}

TEST(RemoteDesktop, EntriesThatWouldAddAnArgumentOrACommandAreRefusedByName)
{
    struct Case {
        std::string entry, named;
    } cases[] = {
        {"pc /admin", "a blank"},
        {" pc", "a blank"},
        {"pc ", "a blank"},
        {"a\"b", "'\"'"},
        {"\"pc\" /public", "'\"'"},
        {"pc&calc", "\"&\""},
        {"a|b", "\"|\""},
        {"a<b", "\"<\""},
        {"a>b", "\">\""},
        {"a^b", "\"^\""},
        {"%PATH%", "\"%\""},
        {"a\tb", "control character 9"},
        {"a\nb", "control character 10"},
    };
    for (const Case& c : cases) {
        auto refusal = remoteDesktopRefusal(c.entry);
        ASSERT_TRUE(refusal) << c.entry;
        EXPECT_NE(refusal->find("The computer \"" + c.entry + "\""), std::string::npos) << *refusal;
        EXPECT_NE(refusal->find(c.named), std::string::npos) << *refusal;
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
