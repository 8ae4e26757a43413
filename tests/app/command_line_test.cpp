// The command-line split: separators, quotes, empty pairs, the length cut.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace talkpost {
namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> expected;
};

class SplitCommandLine : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, GivesTheArguments)
{
    EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitCommandLine,
    testing::Values(
        SplitCase{"Empty", "", {}},
        SplitCase{"OnlyBlanks", "  \t ", {}},
        SplitCase{"ProgramOnly", "talkpost.exe", {"talkpost.exe"}},
        SplitCase{"QuotedProgramPath", "\"C:\\Program Files\\talkpost.exe\" pc1",
                  {"C:\\Program Files\\talkpost.exe", "pc1"}},
        SplitCase{"TwoArguments", "t.exe Remote01 Jane", {"t.exe", "Remote01", "Jane"}},
        SplitCase{"RunsOfBlanksAndControls", "t.exe \t\r\n Remote01\x01\x02Jane", {"t.exe", "Remote01", "Jane"}},
        SplitCase{"QuotedBlankDropsQuotes", "t.exe pc \"Jane Doe\"", {"t.exe", "pc", "Jane Doe"}},
        SplitCase{"QuotedStretchInsideArgument", "t.exe ab\"c d\"ef", {"t.exe", "abc def"}},
        SplitCase{"EmptyPairBeforeNameHoldsNoPosition", "t.exe \"\" Remote01", {"t.exe", "Remote01"}},
        SplitCase{"EmptyPairGluedToName", "t.exe \"\"Remote01 Jane", {"t.exe", "Remote01", "Jane"}},
        SplitCase{"EmptyPairInsideArgumentKept", "t.exe ab\"\"cd", {"t.exe", "abcd"}},
        SplitCase{"UnclosedQuoteRunsToEnd", "t.exe \"Jane Doe", {"t.exe", "Jane Doe"}},
        SplitCase{"AnsiBytesKept", "t.exe J\xe4rvi", {"t.exe", "J\xe4rvi"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(SplitCommandLine, CutsAnArgumentAt4096Characters)
{
    std::string longName(5000, 'x');
    auto args = splitCommandLine("t.exe " + longName + " \"" + std::string(4096, 'y') + "\" z");
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[1], std::string(4096, 'x'));
    EXPECT_EQ(args[2], std::string(4096, 'y'));
    EXPECT_EQ(args[3], "z");
}

TEST(ProgramArguments, DropsTheProgramName)
{
    EXPECT_EQ(programArguments("t.exe a b c"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(programArguments("t.exe").empty());
}

}  // namespace
}  // namespace talkpost
