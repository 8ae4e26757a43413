// Reading the control file: macros and folder form, the file entries,
// [application], the publication's serial, expiry and downgrade rules, and
// its texts as the installation takes them (line breaks, sha256 values).
#include "update/engine/control_file.h"

#include <gtest/gtest.h>

#include "update/engine/installation.h"
#include "update/engine/macros.h"

namespace talkpost::update {
namespace {

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
    IniReader file = IniReader::parse(
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
    EXPECT_EQ(readFileList(IniReader::parse("[files]\ncount=0\n"), bracketed, list), 0);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(readFileList(IniReader::parse("[files]\ncount=-3\n"), bracketed, list), -3);
    EXPECT_EQ(list.count(), 0u);
    EXPECT_EQ(readFileList(IniReader::parse(""), bracketed, list), 0);
    EXPECT_EQ(readFileList(IniReader::parse("[files]\ncount=2147483647\n"), bracketed, list), 2147483647);
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
        ApplicationSettings app = readApplicationSection(IniReader::parse("[application]\n" + c.section), same);
        EXPECT_EQ(app.appCommand, c.expectedCommand) << c.section;
        EXPECT_EQ(app.appUpdate, c.expectedUpdate) << c.section;
    }
}

TEST(ReadApplicationSection, NameAndComponentsExpandedParamsAsTheyStand)
{
    IniReader file = IniReader::parse(
        "[application]\nappupdate=1\nappname={APP}\\t.exe\nappparam={APP} more\nappcomps=t.exe_NEW {APP}\nsilentrestart=1\n");
    ApplicationSettings app = readApplicationSection(file, bracketed);
    EXPECT_EQ(app.appCommand, "<{APP}\\t.exe> \"{APP} more\"");
    EXPECT_EQ(app.appComponents, "<t.exe_NEW {APP}>");
    EXPECT_TRUE(app.silentRestart);
}

TEST(Publication, SerialExpiryAndDowngradeComeFromUpdate)
{
    Publication p = readPublication(IniReader::parse(
        "[update]\nserial=20261210140501\nexpires=31.12.2026 23:59\nallowdowngrade=1\n"));
    EXPECT_EQ(p.serial, 20261210140501u);
    EXPECT_TRUE(p.serialReadable);
    EXPECT_EQ(p.expires, "31.12.2026 23:59");
    EXPECT_TRUE(p.allowDowngrade);
    Publication none = readPublication(IniReader::parse("[update]\ndescr=x\n"));
    EXPECT_EQ(none.serial, 0u);
    EXPECT_TRUE(none.serialReadable);
    EXPECT_FALSE(none.allowDowngrade);
    EXPECT_FALSE(readPublication(IniReader::parse("[update]\nserial=12x\n")).serialReadable);
    EXPECT_FALSE(readPublication(IniReader::parse("[update]\nserial=-1\n")).serialReadable);
    EXPECT_FALSE(readPublication(IniReader::parse("[update]\nserial=99999999999999999999\n")).serialReadable);
    // The same rule reads the highest serial remembered in the settings.
    EXPECT_EQ(readDecimal64("9999999999999999999"), 9999999999999999999u);
    EXPECT_EQ(readDecimal64("007"), 7u);
    for (const char* text : {"", " 7", "7 ", "+7", "0x10"})
        EXPECT_EQ(readDecimal64(text), std::nullopt) << text;
}

TEST(Publication, ReplayedAndExpiredFilesAreNotFresh)
{
    const LocalMinute now{2026, 12, 10, 14, 30};
    struct Case {
        std::string serial, expires;
        std::uint64_t highest;
        Freshness expected;
    };
    const Case cases[] = {
        {"", "", 0, Freshness::Fresh},                       // no serial before, none now
        {"", "", 1, Freshness::Replayed},                    // none counts as 0 once 1 was seen
        {"5", "", 5, Freshness::Fresh},                      // the same publication again
        {"4", "", 5, Freshness::Replayed},
        {"6", "", 5, Freshness::Fresh},
        {"x", "", 0, Freshness::Replayed},                   // a serial that does not read
        {"6", "10.12.2026 14:31", 5, Freshness::Fresh},
        {"6", "10.12.2026 14:30", 5, Freshness::Expired},    // the minute it expires
        {"6", "09.12.2026 23:59", 5, Freshness::Expired},
        {"6", "01.01.2027 00:00", 5, Freshness::Fresh},
        {"6", "2026-12-31 10:00", 5, Freshness::Expired},    // another format does not read
        {"6", "31.02.2027 10:00", 5, Freshness::Expired},    // no such day
        {"6", "29.02.2028 10:00", 5, Freshness::Fresh},      // a leap day
        {"6", "10.12.2026 24:00", 5, Freshness::Expired},
        {"4", "01.01.2027 00:00", 5, Freshness::Replayed},
    };
    for (const Case& c : cases) {
        std::string text = "[update]\n";
        if (!c.serial.empty())
            text += "serial=" + c.serial + "\n";
        if (!c.expires.empty())
            text += "expires=" + c.expires + "\n";
        EXPECT_EQ(freshness(readPublication(IniReader::parse(text)), c.highest, now), c.expected)
            << c.serial << " / " << c.expires << " / " << c.highest;
    }
}

TEST(ControlFile, ExpandsOnlyTheKeysMarkedWithMacros)
{
    ControlFile file("[application]\nappname={APP}\\talkpost.exe\nappparam={APP}\nappcomps={APP}\\a.exe\n"
                     "[action]\nrunafter={APP}\\done.exe\nmsg={APP}\n[files]\ncount=1\n[file1]\nurl={APP}/x\ndescr={APP}\n",
                     [](const std::string& text) { return expandMacros(text, [](const std::string& name) {
                                                       return name == "APP" ? std::string("C:\\Talk") : std::string();
                                                   }); });
    ApplicationSettings app = file.application();
    EXPECT_EQ(app.appCommand, "C:\\Talk\\talkpost.exe {APP}");
    EXPECT_EQ(app.appComponents, "C:\\Talk\\a.exe");
    EXPECT_EQ(file.readPath("action", "runafter"), "C:\\Talk\\done.exe");
    EXPECT_EQ(file.readString("action", "msg"), "{APP}");
    FileList list;
    EXPECT_EQ(file.readFileList(list), 1);
    EXPECT_EQ(list.at(0).url, "C:\\Talk/x");
    EXPECT_EQ(list.at(0).description, "{APP}");
    // Without a verified file every key has its default.
    EXPECT_EQ(ControlFile::none().readString("update", "descr", "d"), "d");
    EXPECT_EQ(ControlFile::none().publication().serial, 0u);
}

TEST(ControlFileTexts, LineBreaksAndSha256ValuesAsTheInstallationTakesThem)
{
    struct Case {
        const char* text;
        const char* shown;
    } breaks[] = {
        {"Line 1\\nLine 2", "Line 1\rLine 2"},
        {"\\n\\n", "\r\r"},
        {"\\\\n", "\\\r"},  // the backslash before it stays
        {"C:\\new\\x", "C:\rew\\x"},
        {"no break", "no break"},
    };
    for (const Case& c : breaks)
        EXPECT_EQ(withLineBreaks(c.text), c.shown) << c.text;

    const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    EXPECT_EQ(publishedSha256(" BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\t"), digest);
    EXPECT_EQ(publishedSha256(digest), digest);
    EXPECT_EQ(publishedSha256(" \t "), "");
}

}  // namespace
}  // namespace talkpost::update
