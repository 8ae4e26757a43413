// The msg.exe parameter text.
#include <gtest/gtest.h>

#include "app/msg_command.h"

namespace talkpost {
namespace {

struct CommandCase {
    const char* name;
    MsgCommandInput input;
    std::string expected;
};

class BuildMsgCommand : public testing::TestWithParam<CommandCase> {};

TEST_P(BuildMsgCommand, ComposesTheParameterText)
{
    EXPECT_EQ(buildMsgCommand(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, BuildMsgCommand,
    testing::Values(
        CommandCase{"TheDocumentedExample",
                    {"C:\\WINDOWS", "Remote01", "60", "*", "D:\\Tools\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:Remote01 /TIME:60 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"EmptyComputer",
                    {"C:\\WINDOWS", "", "60", "*", "D:\\Tools\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER: /TIME:60 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"EmptyUserGivesTwoBlanks",
                    {"C:\\WINDOWS", "pc", "60", "", "D:\\Tools\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60  "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"EmptyWindowsDir",
                    {"", "pc", "60", "*", "D:\\Tools\\msg.txt"},
                    "/c  cd /d \\System32 & \\System32\\msg.exe /SERVER:pc /TIME:60 * <D:\\Tools\\msg.txt"},
        CommandCase{"MessageFileInTheTemporaryFolder",
                    {"C:\\WINDOWS", "pc", "60", "*", "C:\\users\\jane\\Temp\\Talkpost\\msg-12-3.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<C:\\users\\jane\\Temp\\Talkpost\\msg-12-3.txt"},
        CommandCase{"TimeAsTyped",
                    {"C:\\WINDOWS", "pc", "7", "*", "D:\\Tools\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:7 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"UserWithBlankQuoted",
                    {"C:\\WINDOWS", "pc", "60", "Jane Doe", "D:\\Tools\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 \"Jane "
                    "Doe\" <D:\\Tools\\msg.txt"},
        CommandCase{"ComputerWithBlankQuoted",
                    {"C:\\WINDOWS", "my pc", "60", "*", "D:\\Tools\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:\"my pc\" /TIME:60 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"MessageFileWithBlankQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "C:\\Users\\Jane Doe\\Desktop\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"C:\\Users\\Jane Doe\\Desktop\\msg.txt\""},
        CommandCase{"MessageFileWithAmpersandQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "D:\\R&D\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"D:\\R&D\\msg.txt\""},
        CommandCase{"MessageFileWithParenthesesQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "C:\\Program Files (x86)\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"C:\\Program Files (x86)\\msg.txt\""},
        CommandCase{"MessageFileWithCaretQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "D:\\a^b\\msg.txt"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"D:\\a^b\\msg.txt\""}),
    [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST(MessageFileName, NamesItsProcessAndIsReadBack)
{
    EXPECT_EQ(messageFileName(4242, 7), "msg-4242-7.txt");
    const std::pair<std::string, std::optional<unsigned long>> cases[] = {
        {"msg-4242-7.txt", 4242},  {"MSG-1-0.TXT", 1},       {"msg-4242-.txt", std::nullopt},
        {"msg--7.txt", std::nullopt}, {"msg-42x-7.txt", std::nullopt}, {"msg-1-2.txt.bak", std::nullopt},
        {"msg.txt", std::nullopt},   {"notes-1-2.txt", std::nullopt}, {"msg-12345678901-1.txt", std::nullopt},
        // A process identifier is a 32-bit number; the sequence may be longer.
        {"msg-4294967295-18446744073709551616.txt", 4294967295UL}, {"msg-4294967296-1.txt", std::nullopt},
        {"msg-1-2-3.txt", std::nullopt},
    };
    for (const auto& [name, owner] : cases)
        EXPECT_EQ(messageFileOwner(name), owner) << name;
}

}  // namespace
}  // namespace talkpost
