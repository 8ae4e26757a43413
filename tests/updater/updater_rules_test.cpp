// The updater helper's rules: its command line, the case each component
// takes, the patch command, the log file and the list files' folder macros.
#include <gtest/gtest.h>

#include "updater/updater_rules.h"

namespace talkpost::updater {
namespace {

using Args = std::vector<std::string>;

TEST(SplitArguments, BlanksSeparateAndQuotesKeepBlanks)
{
    struct Case {
        const char* line;
        Args args;
    } cases[] = {
        {"updsetup.exe 1234 L C:\\App\\talkpost.exe C:\\Temp\\ talkpost.exe_NEW",
         {"updsetup.exe", "1234", "L", "C:\\App\\talkpost.exe", "C:\\Temp\\", "talkpost.exe_NEW"}},
        {"\"C:\\Temp Dir\\updsetup.exe\"  1  X  \"C:\\Program Files\\Talkpost\\talkpost.exe\"   \"C:\\A B\\\" x",
         {"C:\\Temp Dir\\updsetup.exe", "1", "X", "C:\\Program Files\\Talkpost\\talkpost.exe", "C:\\A B\\", "x"}},
        {"a\"b c\"d\te", {"ab cd", "e"}},
        {"a \"\" b", {"a", "", "b"}},
        {"   ", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitArguments(c.line), c.args) << c.line;
}

TEST(ParseHelperArguments, TakesEachPositionAndRefusesABadProcessId)
{
    auto a = parseHelperArguments({"updsetup.exe", "1234", "L", "C:\\Program Files\\T\\talkpost.exe", "C:\\Temp",
                                   "talkpost.exe_NEW", "data.cab"});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->processId, 1234u);
    EXPECT_TRUE(a->detailedLog);
    EXPECT_EQ(a->restartCommand, "C:\\Program Files\\T\\talkpost.exe");
    EXPECT_EQ(a->from, "C:\\Temp\\");
    EXPECT_EQ(a->components, (Args{"talkpost.exe_NEW", "data.cab"}));

    auto quiet = parseHelperArguments({"updsetup.exe", "5", "X", "null", "C:\\Temp\\"});
    ASSERT_TRUE(quiet);
    EXPECT_FALSE(quiet->detailedLog);
    EXPECT_FALSE(quiet->restartCommand);
    EXPECT_EQ(quiet->from, "C:\\Temp\\");
    EXPECT_TRUE(quiet->components.empty());

    // The list's value before the components; a value that is not one is
    // taken as none, and its argument is no component either.
    const std::string value(64, 'A');
    auto listed = parseHelperArguments({"updsetup.exe", "5", "L", "null", "C:\\T\\", "sha256=" + value, "a.exe_NEW"});
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->listSha256, std::string(64, 'a'));
    EXPECT_EQ(listed->components, Args{"a.exe_NEW"});
    auto bad = parseHelperArguments({"updsetup.exe", "5", "L", "null", "C:\\T\\", "sha256=abc", "a.exe_NEW"});
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->listSha256, "");
    EXPECT_EQ(bad->components, Args{"a.exe_NEW"});
    EXPECT_EQ(quiet->listSha256, "");

    EXPECT_FALSE(parseHelperArguments({"updsetup.exe", "1", "l"})->detailedLog);  // only "L" logs in detail
    for (const char* bad : {"", "abc", "12a", "-5", "+5", "99999999999"})
        EXPECT_FALSE(parseHelperArguments({"updsetup.exe", bad, "L"})) << bad;
    EXPECT_FALSE(parseHelperArguments({"updsetup.exe"}));
}

TEST(ComponentCase, IsChosenInTheHelpersOrder)
{
    struct Case {
        const char* name;
        ComponentCase expected;
    } cases[] = {
        {"talkpost.exe_NEW", ComponentCase::Replacement},
        {"talkpost.exe_new", ComponentCase::Replacement},
        {"list.inf_NEW", ComponentCase::Replacement},  // replacement is tested first
        {"a_NEW.exe_NEW", ComponentCase::Compressed},  // the first "_NEW" is not at the end
        {"_NEW", ComponentCase::Replacement},
        {"files.inf", ComponentCase::ListFile},
        {"FILES.INF", ComponentCase::ListFile},
        {"tp.pat", ComponentCase::Patch},
        {"data.cab", ComponentCase::Cabinet},
        {"setup.exe", ComponentCase::Program},
        {"talkpost.ex_", ComponentCase::Compressed},
        {"readme", ComponentCase::Compressed},
        {"dir.cab\\file", ComponentCase::Compressed},  // the extension is the last part's
    };
    for (const auto& c : cases)
        EXPECT_EQ(componentCase(c.name), c.expected) << c.name;
    EXPECT_EQ(replacementBase("talkpost.exe_NEW"), "talkpost.exe");
}

TEST(ListFile, EntriesInOrderWithinTheHelpersBounds)
{
    std::string longName(200, 'a');
    struct Case {
        const char* label;
        std::string text;
        std::vector<ListEntry> entries;
    } cases[] = {
        {"two entries", "[FILES]\r\nCOUNT=2\r\nFILE1=a.tx_\r\nTARGET1={APP}\\docs\r\nFILE2=b.cab\r\n",
         {{"a.tx_", "{APP}\\docs"}, {"b.cab", ""}}},
        {"any case, blanks and quotes", "[files]\ncount = 1\nfile1 = \"c.dll_NEW\"\ntarget1='C:\\App'\n",
         {{"c.dll_NEW", "C:\\App"}}},
        {"count larger than the entries", "[FILES]\nCOUNT=4\nFILE3=c.exe\n", {{"c.exe", ""}}},
        {"no count", "[FILES]\nFILE1=a.exe\n", {}},
        {"no section", "", {}},
        {"values cut at 128 characters", "[FILES]\nCOUNT=1\nFILE1=" + longName + "\nTARGET1=" + longName + "\n",
         {{longName.substr(0, 128), longName.substr(0, 128)}}},
    };
    for (const auto& c : cases) {
        auto entries = parseListFile(c.text);
        ASSERT_EQ(entries.size(), c.entries.size()) << c.label;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].file, c.entries[i].file) << c.label;
            EXPECT_EQ(entries[i].target, c.entries[i].target) << c.label;
        }
    }
}

TEST(ListFile, AHugeCountMakesNoMoreWorkThanTheEntriesThatFit)
{
    // The last entry a list of the largest size can hold is still read; one far beyond is not.
    std::string text = "[FILES]\nCOUNT=2147483647\nFILE1=a.exe\nFILE" + std::to_string(kMaxListEntries) +
                       "=b.exe\nFILE" + std::to_string(kMaxListEntries + 1) + "=c.exe\n";
    auto entries = parseListFile(text);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].file, "b.exe");
}

TEST(HelperTexts, TheRollbackLineSaysWhy)
{
    EXPECT_EQ(rollbackLogText(StartAnswer::Ended, 3, "C:\\App\\talkpost.exe"),
              "Upd rollback: the updated program ended (exit code 3) before its window was up, the old files are put "
              "back: C:\\App\\talkpost.exe");
    EXPECT_EQ(rollbackLogText(StartAnswer::Silent, 0, "x.exe"),
              "Upd rollback: the updated program did not report its window within 30 s, the old files are put back: "
              "x.exe");
    EXPECT_EQ(rollbackLogText(StartAnswer::NotStarted, 0, "x.exe"),
              "Upd rollback: the updated program could not be started, the old files are put back: x.exe");
}

TEST(HelperTexts, PatchCommandAndLogLine)
{
    EXPECT_EQ(patchCommandLine("C:\\Temp\\", "tp.pat", true), "patcher.exe -v C:\\Temp\\tp.pat tp.EXE >>UPDATELOG");
    EXPECT_EQ(patchCommandLine("C:\\Temp\\", "tp.pat", false), "patcher.exe C:\\Temp\\tp.pat tp.EXE");
    EXPECT_EQ(helperLogLine("24/12/2008 14:30:05", "Upd cur dir : C:\\App"),
              "24/12/2008 14:30:05 : [000] Upd cur dir : C:\\App");
}

TEST(HelperTexts, RestartQuotesAnExistingProgramPathWithBlanks)
{
    auto exists = [](const std::string& p) { return p == "C:\\Program Files\\T\\talkpost.exe"; };
    EXPECT_EQ(restartCommandLine("C:\\Program Files\\T\\talkpost.exe", exists),
              "\"C:\\Program Files\\T\\talkpost.exe\"");
    EXPECT_EQ(restartCommandLine("C:\\T\\talkpost.exe", exists), "C:\\T\\talkpost.exe");
    EXPECT_EQ(restartCommandLine("talkpost.exe -a -b", exists), "talkpost.exe -a -b");
}

}  // namespace
}  // namespace talkpost::updater
