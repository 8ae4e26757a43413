// Reading the control file: the profile reader's value rules, integers and
// flags, macros and folder form, the file entries and [application].
#include "update/engine/control_file.h"

#include <gtest/gtest.h>

#include "update/engine/macros.h"

namespace talkpost::update {
namespace {

TEST(ProfileText, ValueRules)
{
    const std::string text =
        "; a comment line\r\n"
        "[Update]\r\n"
        "descr =   spaced value   \r\n"
        "dq=\"quoted  \"\r\n"
        "sq='single'\r\n"
        "mixed=\"open'\r\n"
        "onequote=\"\r\n"
        "empty=\r\n"
        "emptyquotes=\"\"\r\n"
        "inner=a \"b\" c\r\n"
        "noequals\r\n"
        "DUP=first\r\n"
        "dup=second\r\n"
        ";url=commented\r\n"
        "  indented = yes\t\r\n"
        "tabbed\t=\tx\t\r\n"
        "eq=a=b\n"
        "[update]\n"
        "late=never seen\n"
        "[ spaced ]\n"
        "k=v\n"
        "[a]b]\n"
        "k=brackets\n"
        "[unclosed\n"
        "k2=v2\r"
        "[other]\r"
        "x=1\r";
    ProfileText file = ProfileText::parse(text);
    struct Case {
        std::string section, key, expected;
    };
    const Case cases[] = {
        {"update", "descr", "spaced value"},
        {"UPDATE", "DESCR", "spaced value"},
        {" update ", " descr ", "spaced value"},
        {"update", "dq", "quoted  "},
        {"update", "sq", "single"},
        {"update", "mixed", "\"open'"},
        {"update", "onequote", "\""},
        {"update", "empty", ""},
        {"update", "emptyquotes", ""},
        {"update", "inner", "a \"b\" c"},
        {"update", "noequals", "default"},
        {"update", "dup", "first"},
        {"update", "url", "default"},
        {"update", "indented", "yes"},
        {"update", "tabbed", "x"},
        {"update", "eq", "a=b"},
        {"update", "late", "default"},  // only the first section of a name counts
        {"spaced", "k", "v"},
        {" spaced ", "k", "v"},
        {"a]b", "k", "brackets"},
        {"a]b", "k2", "v2"},  // a header without "]" is no header
        {"other", "x", "1"},
        {"missing", "x", "default"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(file.readString(c.section, c.key, "default"), c.expected) << c.section << "/" << c.key;
}

TEST(ProfileText, SeesAtMost2047CharactersOfAValue)
{
    const std::string longValue(3000, 'v');
    ProfileText file = ProfileText::parse("[s]\nlong=" + longValue + "\nq=\"" + std::string(2046, 'q') +
                                          "\"\nq2=\"" + std::string(2047, 'q') + "\"\n");
    EXPECT_EQ(file.readString("s", "long"), std::string(2047, 'v'));
    EXPECT_EQ(file.readString("s", "q"), std::string(2046, 'q'));
    // One character too long for the buffer: the cut and the quote rule each take one.
    EXPECT_EQ(file.readString("s", "q2"), std::string(2046, 'q'));
}

TEST(ProfileText, AMissingFileHasNoSections)
{
    ProfileText file = ProfileText::load("/no/such/folder/talkpost.inf");
    EXPECT_EQ(file.readString("update", "descr", "d"), "d");
    EXPECT_EQ(file.readInteger("files", "count", 0), 0);
}

TEST(ParseProfileInteger, DecimalAndHexadecimal)
{
    struct Case {
        std::string text;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"-7", -7},
        {"+7", 7},
        {"01", 1},
        {"  12", 12},
        {"$1", 1},
        {"$1F", 31},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"0x80000000", -2147483647 - 1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"abc", std::nullopt},
        {"12abc", std::nullopt},
        {"1.5", std::nullopt},
        {"12 ", std::nullopt},
        {"yes", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseProfileInteger(c.text), c.expected) << "\"" << c.text << "\"";
}

TEST(ProfileText, IntegerAndFlagKeys)
{
    ProfileText file = ProfileText::parse(
        "[k]\nhex=0x1F\nbad=abc\nquoted=\" 5 \"\none=1\nzeroone=01\ndollar=$1\nyes=yes\ntrue=true\ntwo=2\n");
    EXPECT_EQ(file.readInteger("k", "hex", -1), 31);
    EXPECT_EQ(file.readInteger("k", "bad", -1), -1);
    EXPECT_EQ(file.readInteger("k", "missing", -1), -1);
    EXPECT_EQ(file.readInteger("k", "quoted", -1), -1);  // " 5 " keeps a trailing blank after the quotes go
    struct Flag {
        std::string key;
        bool expected;
    };
    const Flag flags[] = {{"one", true},  {"zeroone", true}, {"dollar", true}, {"yes", false},
                          {"true", false}, {"two", false},    {"missing", false}};
    for (const Flag& f : flags)
        EXPECT_EQ(file.readFlag("k", f.key), f.expected) << f.key;
}

TEST(FolderForm, DriveFoldersStayOthersGetADot)
{
    struct Case {
        std::string folder, expected;
    };
    const Case cases[] = {
        {"C:\\Windows", "C:\\Windows"},
        {"C:\\Windows\\", "C:\\Windows"},
        {"C:\\", "C:\\."},
        {"C:", "C:\\."},
        {"\\\\server\\share", "\\\\server\\share\\."},
        {"", "."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(folderForm(c.folder), c.expected) << c.folder;
}

TEST(ExpandMacros, Rules)
{
    auto lookup = [](const std::string& name) -> std::string {
        if (name == "APP")
            return "C:\\Prog";
        if (name == "WIN")
            return "C:\\Windows";
        if (name == "NEST")
            return "{WIN}\\sub";
        if (name == "SELF")
            return "x{SELF}";
        return {};
    };
    struct Case {
        std::string text, expected;
    };
    const Case cases[] = {
        {"{app}\\data", "C:\\Prog\\data"},
        {"{APP}\\data", "C:\\Prog\\data"},
        {"{FOO}\\x", "{FOO}\\x"},
        {"{A{WIN}}", "{A{WIN}}"},
        {"{NEST}\\f", "C:\\Windows\\sub\\f"},
        {"{WIN}{APP}", "C:\\WindowsC:\\Prog"},
        {"}{APP}", "}C:\\Prog"},
        {"{APP", "{APP"},
        {"{}", "{}"},
        {"", ""},
        {"plain", "plain"},
        {"{FOO}{APP}", "{FOO}C:\\Prog"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(expandMacros(c.text, lookup), c.expected) << c.text;
    // A value that brings itself back stops growing instead of running forever.
    std::string endless = expandMacros("{SELF}", lookup);
    EXPECT_EQ(endless, std::string(kMaxMacroReplacements, 'x') + "{SELF}");
}

std::string bracketed(const std::string& text) { return text.empty() ? text : "<" + text + ">"; }

TEST(ReadFileList, MakesAnEntryForEveryNumberEvenWithoutItsSection)
{
    ProfileText file = ProfileText::parse(
        "[files]\ncount=3\n"
        "[file1]\nurl={APP}/a.exe\nlocalversion={APP}\\a.exe\nnewversion=1.2.3.4\nnewsize=100\nnewchecksum=0x1F\n"
        "customversion=c1\ndate=24.12.2008\ntime=14:30\ndescr=First file\ntargetdir=C:\\Prog\ncompressed=1\n"
        "filesize=1000\nmandatory=1\nhidden=01\n"
        "[file3]\nurl=http://h/c.cab\ntargetdir=C:\\Data\\\ncompressed=yes\nnewchecksum=abc\nfilesize=$10\n");
    FileList list;
    EXPECT_EQ(readFileList(file, bracketed, list), 3);
    ASSERT_EQ(list.count(), 3u);
    const FileDescription& a = list.at(0);
    EXPECT_EQ(a.url, "<{APP}/a.exe>");
    EXPECT_EQ(a.localVersion, "<{APP}\\a.exe>");
    EXPECT_EQ(a.newVersion, "1.2.3.4");
    EXPECT_EQ(a.newSize, 100);
    EXPECT_EQ(a.newCheckSum, 31);
    EXPECT_EQ(a.newCustomVer, "c1");
    EXPECT_EQ(a.newDate, "24.12.2008");
    EXPECT_EQ(a.newTime, "14:30");
    EXPECT_EQ(a.description, "First file");
    EXPECT_EQ(a.targetDir, "<C:\\Prog>\\");
    EXPECT_TRUE(a.compressed);
    EXPECT_EQ(a.fileSize, 1000);
    EXPECT_TRUE(a.mandatory);
    EXPECT_TRUE(a.hidden);
    EXPECT_FALSE(a.selected);

    const FileDescription& missing = list.at(1);
    EXPECT_EQ(missing.url, "");
    EXPECT_EQ(missing.targetDir, "");
    EXPECT_EQ(missing.newCheckSum, -1);
    EXPECT_EQ(missing.newSize, 0);
    EXPECT_FALSE(missing.compressed);

    const FileDescription& c = list.at(2);
    EXPECT_EQ(c.targetDir, "<C:\\Data\\>\\");  // the rule looks at the expanded text
    EXPECT_FALSE(c.compressed);
    EXPECT_EQ(c.newCheckSum, -1);
    EXPECT_EQ(c.fileSize, 16);
}

TEST(ReadFileList, NoCountNoEntriesAndAHugeCountIsCapped)
{
    FileList list;
    list.add();
    EXPECT_EQ(readFileList(ProfileText::parse("[files]\ncount=0\n"), bracketed, list), 0);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(readFileList(ProfileText::parse("[files]\ncount=-3\n"), bracketed, list), -3);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(readFileList(ProfileText::parse(""), bracketed, list), 0);
    EXPECT_EQ(readFileList(ProfileText::parse("[files]\ncount=2147483647\n"), bracketed, list), 2147483647);
    EXPECT_EQ(list.count(), static_cast<std::size_t>(kMaxFileEntries));
}

TEST(FileList, SizesInThirtyTwoBitArithmetic)
{
    FileList list;
    list.add().fileSize = 100;
    list.add().fileSize = 2147483647;
    list.add().fileSize = 5;
    EXPECT_EQ(list.totalSize(), static_cast<std::int32_t>(100u + 2147483647u + 5u));
    list.currentIndex = 0;
    EXPECT_EQ(list.completedSize(), 0);
    list.currentIndex = 1;
    EXPECT_EQ(list.completedSize(), 100);
    list.currentIndex = -2;
    EXPECT_EQ(list.completedSize(), 0);
    list.remove(0);
    EXPECT_EQ(list.count(), 2u);
    EXPECT_EQ(list.at(0).fileSize, 2147483647);
}

TEST(ReadApplicationSection, CommandQuotingRules)
{
    struct Case {
        std::string section;
        std::string expectedCommand;
        bool expectedUpdate;
    };
    auto same = [](const std::string& t) { return t; };
    const Case cases[] = {
        {"appupdate=1\nappname=My App.exe\nappparam=-a -b\n", "\"My App.exe\" \"-a -b\"", true},
        {"appupdate=1\nappname=app.exe\n", "app.exe", true},
        {"appupdate=1\nappname=My App.exe\n", "My App.exe", true},
        {"appupdate=1\nappname=app.exe\nappparam=-x\n", "app.exe -x", true},
        {"appupdate=1\nappparam=-x\n", " -x", false},
        {"appupdate=yes\nappname=app.exe\n", "app.exe", false},
    };
    for (const Case& c : cases) {
        ApplicationSettings app = readApplicationSection(ProfileText::parse("[application]\n" + c.section), same);
        EXPECT_EQ(app.appCommand, c.expectedCommand) << c.section;
        EXPECT_EQ(app.appUpdate, c.expectedUpdate) << c.section;
    }
}

TEST(ReadApplicationSection, ComponentsExpandedParamsThroughTheEvent)
{
    ProfileText file = ProfileText::parse(
        "[application]\nappupdate=1\nappname={APP}\\t.exe\nappparam={APP}\nappcomps=t.exe_NEW {APP}\nsilentrestart=1\n");
    ApplicationSettings app = readApplicationSection(file, bracketed, [](std::string& params) { params += " more"; });
    EXPECT_EQ(app.appCommand, "<{APP}\\t.exe> \"{APP} more\"");
    EXPECT_EQ(app.appComponents, "<t.exe_NEW {APP}>");
    EXPECT_TRUE(app.silentRestart);
}

}  // namespace
}  // namespace talkpost::update
