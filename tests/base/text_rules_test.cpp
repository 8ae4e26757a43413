// The message trim rule and the standard error box's full-stop rule.
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

}  // namespace
}  // namespace talkpost
