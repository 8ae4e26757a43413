// The message trim rule, the standard error box's full-stop rule and the two rules for lines.
#include <gtest/gtest.h>

#include "base/app_error.h"

namespace talkpost {
namespace {

TEST(TrimControlAndBlank, RemovesCodes32AndBelowAtBothEndsOnly)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {" \t\r\n", ""},
        {"\x01\x1f hi \x7f", "hi \x7f"},
        {"  Hello\r\n\r\n", "Hello"},
        {"a  b", "a  b"},
        {"\xa0x\xa0", "\xa0x\xa0"},  // a no-break space is above 32 and stays
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(trimControlAndBlank(in), out) << "input: " << in;
}

TEST(StandardErrorText, AddsAFullStopAfterACharacterAboveTheFullStop)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Datei C:\\x\\msg.txt kann nicht erstellt werden", "Datei C:\\x\\msg.txt kann nicht erstellt werden."},
        {"Socket Error # 10061", "Socket Error # 10061."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"(see log)", "(see log)"},
        {"trailing blank ", "trailing blank "},
        {"slash/", "slash/."},  // '/' is code 47, above '.' (46)
        {"dash-", "dash-"},     // '-' is code 45
        {"umlaut \xe4", "umlaut \xe4."},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(standardErrorText(in), out) << "input: " << in;
}

// Both rules in one table: a multi-line edit's text (CR LF only) and a
// document from elsewhere (CR LF, LF or CR).
TEST(Lines, SplitByEachRule)
{
    using Lines = std::vector<std::string>;
    struct Case {
        std::string text;
        Lines crLf;
        Lines anyBreak;
    };
    const Case cases[] = {
        {"", {}, {}},
        {"one", {"one"}, {"one"}},
        {"one\r\n", {"one"}, {"one"}},
        {"one\r\n\r\n", {"one", ""}, {"one", ""}},
        {"a\r\n\r\nb", {"a", "", "b"}, {"a", "", "b"}},
        {"\r\nx", {"", "x"}, {"", "x"}},
        {"lone\nfeed", {"lone\nfeed"}, {"lone", "feed"}},
        {"a\r\nb\nc\rd", {"a", "b\nc\rd"}, {"a", "b", "c", "d"}},
        {"a\n\rb", {"a\n\rb"}, {"a", "", "b"}},
        {"end\r", {"end\r"}, {"end"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(splitCrLfLines(c.text), c.crLf) << c.text;
        EXPECT_EQ(splitAnyBreakLines(c.text), c.anyBreak) << c.text;
    }
    EXPECT_EQ(joinLines({"a", "", "b"}), "a\r\n\r\nb");
    EXPECT_EQ(joinLines({}), "");
}

}  // namespace
}  // namespace talkpost
