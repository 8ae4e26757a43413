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
                    {"C:\\WINDOWS", "Remote01", "60", "*", "D:\\Tools"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:Remote01 /TIME:60 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"EmptyComputer",
                    {"C:\\WINDOWS", "", "60", "*", "D:\\Tools"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER: /TIME:60 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"EmptyUserGivesTwoBlanks",
                    {"C:\\WINDOWS", "pc", "60", "", "D:\\Tools"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60  "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"EmptyWindowsDir",
                    {"", "pc", "60", "*", "D:\\Tools"},
                    "/c  cd /d \\System32 & \\System32\\msg.exe /SERVER:pc /TIME:60 * <D:\\Tools\\msg.txt"},
        CommandCase{"EmptyStartDir",
                    {"C:\\WINDOWS", "pc", "60", "*", ""},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\\msg.txt"},
        CommandCase{"DriveRootKeepsBothBackslashes",
                    {"C:\\WINDOWS", "pc", "60", "*", "D:\\"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<D:\\\\msg.txt"},
        CommandCase{"TimeAsTyped",
                    {"C:\\WINDOWS", "pc", "7", "*", "D:\\Tools"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:7 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"UserWithBlankQuoted",
                    {"C:\\WINDOWS", "pc", "60", "Jane Doe", "D:\\Tools"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 \"Jane "
                    "Doe\" <D:\\Tools\\msg.txt"},
        CommandCase{"ComputerWithBlankQuoted",
                    {"C:\\WINDOWS", "my pc", "60", "*", "D:\\Tools"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:\"my pc\" /TIME:60 * "
                    "<D:\\Tools\\msg.txt"},
        CommandCase{"StartDirWithBlankQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "C:\\Users\\Jane Doe\\Desktop"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"C:\\Users\\Jane Doe\\Desktop\\msg.txt\""},
        CommandCase{"StartDirWithAmpersandQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "D:\\R&D"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"D:\\R&D\\msg.txt\""},
        CommandCase{"StartDirWithParenthesesQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "C:\\Program Files (x86)"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"C:\\Program Files (x86)\\msg.txt\""},
        CommandCase{"StartDirWithCaretQuoted",
                    {"C:\\WINDOWS", "pc", "60", "*", "D:\\a^b"},
                    "/c  cd /d C:\\WINDOWS\\System32 & C:\\WINDOWS\\System32\\msg.exe /SERVER:pc /TIME:60 * "
                    "<\"D:\\a^b\\msg.txt\""}),
    [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace talkpost
