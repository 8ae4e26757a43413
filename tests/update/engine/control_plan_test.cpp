// A control file as a client acts on it: paths resolved as the platform
// resolves them and judged inside or outside the program's folder, the
// instructions in the order the client carries them out, and where every
// file entry ends up.
#include "update/engine/control_plan.h"

#include <gtest/gtest.h>

#include "update/engine/macros.h"

namespace talkpost::update {
namespace {

const std::string kApp = "A:\\Talkpost";

TEST(ResolvedPath, AsThePlatformResolvesIt)
{
    struct Case {
        std::string path;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"A:\\Talkpost\\docs\\", "A:\\Talkpost\\docs"},
        {"A:/Talkpost/docs", "A:\\Talkpost\\docs"},
        {"docs\\readme.txt", "A:\\Talkpost\\docs\\readme.txt"},
        {"", "A:\\Talkpost"},
        {".", "A:\\Talkpost"},
        {"A:\\Talkpost\\docs\\..\\..\\Windows", "A:\\Windows"},
        {"..\\..\\..\\x", "A:\\x"},  // no higher than the root
        {"A:\\Talkpost\\\\docs", "A:\\Talkpost\\docs"},
        {"\\Windows", "A:\\Windows"},              // the current drive's root
        {"A:docs", "A:\\Talkpost\\docs"},          // relative on the current drive
        {"C:docs", "C:\\docs"},                    // another drive's own folder: its root here
        {"c:\\x\\", "c:\\x"},
        {"\\\\server\\share\\x\\..\\..\\y", "\\\\server\\share\\y"},
        {"A:\\Talkpost\\file. . ", "A:\\Talkpost\\file"},  // dots and blanks at the end go
        {"A:\\Talkpost.\\x", "A:\\Talkpost\\x"},           // one dot at the end of a part goes
        {"A:\\Talkpost\\da..\\", "A:\\Talkpost\\da"},        // before a trailing backslash: the last part
        {"A:\\Talkpost\\...\\x", std::nullopt},
        {"A:\\Talkpost\\x:stream", std::nullopt},
        {"\\\\.\\C:\\x", std::nullopt},
        {"\\\\?\\C:\\x", std::nullopt},
        {"\\\\server", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolvedPath(c.path, kApp), c.expected) << c.path;
}

TEST(PathInsideFolder, OnlyTheFolderAndBelowCount)
{
    struct Case {
        std::string path;
        bool inside;
    };
    const Case cases[] = {
        {"A:\\Talkpost", true},
        {"a:\\TALKPOST\\docs\\x.txt", true},
        {"docs\\", true},
        {"A:\\Talkpost\\docs\\..\\data", true},
        {"A:\\Talkpost\\..\\Talkpost2\\x", false},
        {"A:\\TalkpostX", false},
        {"A:\\Talkpost\\..", false},
        {"W:\\Windows\\x.dll", false},
        {"\\x", false},
        {"\\\\server\\share", false},
        {"A:\\Talkpost\\...\\x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pathInsideFolder(c.path, kApp, kApp), c.inside) << c.path;
}

TEST(SampleClient, MacrosExpandToFoldersThatReadBackAsTheirNames)
{
    EXPECT_EQ(expandMacros("{app}\\x", sampleMacroValue), "A:\\Talkpost\\x");
    EXPECT_EQ(withMacroNames(expandMacros("{SYS}\\a.dll {WIN}\\b {APP} {FOO}", sampleMacroValue)),
              "{SYS}\\a.dll {WIN}\\b {APP} {FOO}");
    for (const SampleFolder& sample : kSampleFolders)
        EXPECT_EQ(folderForm(std::string(sample.folder)), sample.folder) << sample.macro;
}

ControlFile sampleFile(const std::string& text)
{
    return ControlFile(text, [](const std::string& value) { return expandMacros(value, sampleMacroValue); });
}

TEST(ControlActions, EveryInstructionInTheClientsOrderWithItsMacrosExpanded)
{
    ControlFile file = sampleFile(
        "[action]\r\nrunafter={WIN}\\after.exe\r\nquery=Go on?\r\nshowURL=http://x/{APP}\r\nupdateURL={APP}\r\n"
        "runbefore=\"{SYS}\\cmd.exe /c x\"\r\nhtmldlg={TMP}\\page.htm\r\nmsg=Hello\\nthere\r\n"
        "[application]\r\nappupdate=1\r\nappname={APP}\\talkpost.exe\r\nappparam=-a -b\r\n");
    std::vector<ControlAction> actions = controlActions(file, file.application());
    struct Expected {
        std::string key, actedOn;
        ActionStage stage;
    };
    const Expected expected[] = {
        {"msg", "Hello\\nthere", ActionStage::BeforeDownload},
        {"htmldlg", "T:\\Temp\\page.htm", ActionStage::BeforeDownload},
        {"runbefore", "W:\\Windows\\System32\\cmd.exe /c x", ActionStage::BeforeDownload},
        {"showurl", "http://x/A:\\Talkpost", ActionStage::BeforeDownload},
        {"query", "Go on?", ActionStage::BeforeDownload},
        {"updateurl", "{APP}", ActionStage::AfterInstall},  // taken as it stands
        {"runafter", "W:\\Windows\\after.exe", ActionStage::AfterInstall},
        {"appname", "A:\\Talkpost\\talkpost.exe \"-a -b\"", ActionStage::AfterRestart},
    };
    ASSERT_EQ(actions.size(), std::size(expected));
    for (std::size_t i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i].key, expected[i].key) << i;
        EXPECT_EQ(actions[i].actedOn, expected[i].actedOn) << expected[i].key;
        EXPECT_EQ(actions[i].stage, expected[i].stage) << expected[i].key;
    }
    // Without a restart the program is not started again; empty keys are no instructions.
    ControlFile quiet = sampleFile("[action]\r\nmsg=\r\n[application]\r\nappname=talkpost.exe\r\n");
    EXPECT_TRUE(controlActions(quiet, quiet.application()).empty());
}

TEST(PlanEntriesOnSampleClients, OnlyWhatTheMacrosPutIntoTheProgramsFolderIsInside)
{
    struct Case {
        std::string targetDir;
        bool inside;
    };
    const Case cases[] = {
        {"{APP}\\docs", true},
        {"docs", true},
        {"A:\\Talkpost\\docs", false},  // the first client's folder written out
        {"B:\\Other\\Talkpost", false},  // the other one's
        {"{WIN}", false},
    };
    for (const Case& c : cases) {
        std::string bytes = "[files]\r\ncount=1\r\n[file1]\r\nurl=http://s/Updates/x.txt\r\ntargetdir=" + c.targetDir;
        std::vector<EntryPlan> plans = planEntriesOnSampleClients(bytes, "T:\\Temp\\TPUPD-0\\");
        ASSERT_EQ(plans.size(), 1u);
        EXPECT_EQ(plans[0].insideApp, c.inside) << c.targetDir;
    }
    struct Restart {
        std::string application;
        bool inApp;
    };
    const Restart restarts[] = {
        {"appupdate=1\r\nappname=talkpost.exe", true},
        {"appupdate=1\r\nappname={APP}\\talkpost.exe", true},
        {"appupdate=0\r\nappname={WIN}\\x.exe", true},  // no restart
        {"appupdate=1\r\nappname=A:\\Talkpost\\talkpost.exe", false},
        {"appupdate=1\r\nappname={SYS}\\cmd.exe", false},
        {"appupdate=1\r\nappname=talkpost.exe\r\nappparam=/c x", false},
    };
    for (const Restart& r : restarts)
        EXPECT_EQ(restartStaysInApp("[application]\r\n" + r.application + "\r\n"), r.inApp) << r.application;
}

TEST(PlanEntries, WhereEveryEntryEndsUp)
{
    // The count reads as the client reads it: "+2", "0x2" and "2" before ^Z are all two.
    for (std::string count : {"+2", "0x2", "2\x1a"}) {
        ControlFile file = sampleFile("[files]\r\ncount=" + count + "\r\n[file1]\r\nurl=http://s/Updates/a.txt\r\n"
                                      "targetdir={APP}\\docs\r\n[file2]\r\nurl=http://s/Updates/evil.dll\r\n"
                                      "targetdir={WIN}\r\n");
        std::vector<EntryPlan> plans = planEntries(file, file.application(), kApp, "T:\\Temp\\TPUPD-0\\");
        ASSERT_EQ(plans.size(), 2u) << count;
        EXPECT_EQ(plans[0].landsAt, "A:\\Talkpost\\docs\\a.txt");
        EXPECT_TRUE(plans[0].insideApp);
        EXPECT_EQ(plans[1].landsAt, "W:\\Windows\\evil.dll");
        EXPECT_FALSE(plans[1].insideApp);
    }

    struct Case {
        std::string entry;
        std::string landsAt;
        bool inside;
        bool refused;
    };
    const Case cases[] = {
        {"url=http://s/Updates/talkpost.exe_NEW\r\n", "A:\\Talkpost\\talkpost.exe_NEW", true, false},  // component
        {"url=http://s/Updates/notes.tx_\r\ncompressed=1\r\n", "A:\\Talkpost\\notes.tx_", true, false},
        {"url=http://s/Updates/lists.cab\r\ncompressed=1\r\ntargetdir={APP}\\data\r\n", "A:\\Talkpost\\data\\", true,
         false},
        {"url=http://s/Updates/lists.cab\r\ncompressed=1\r\ntargetdir={APP}\\..\\x\r\n", "A:\\Talkpost\\..\\x\\",
         false, false},
        {"url=http://s/Updates/lists.cab\r\ncompressed=1\r\n", "A:\\Talkpost", true, false},
        {"url=http://s/Updates/lists.cab\r\n", "", true, false},  // not compressed: stays where it was fetched
        {"url=http://s/Updates/readme.txt\r\n", "", true, false},
        {"url=http://s/Updates/x.txt\r\ntargetdir=C:\\Windows\r\n", "C:\\Windows\\x.txt", false, false},
        {"url=http://s/Updates/x.txt\r\ntargetdir=docs\r\n", "docs\\x.txt", true, false},
        // The folder is made even for a file that stays in the update's folder.
        {"url=http://s/Updates/x.pat\r\ntargetdir={SYS}\\sub\r\n", "", false, false},
        {"url=http://s/Updates/nul.txt\r\ntargetdir={WIN}\r\n", "", true, true},
    };
    for (const Case& c : cases) {
        ControlFile file = sampleFile("[application]\r\nappupdate=1\r\nappname=talkpost.exe\r\n"
                                      "appcomps=talkpost.exe_NEW\r\n[files]\r\ncount=1\r\n[file1]\r\n" + c.entry);
        std::vector<EntryPlan> plans = planEntries(file, file.application(), kApp, "T:\\Temp\\TPUPD-0\\");
        ASSERT_EQ(plans.size(), 1u);
        EXPECT_EQ(plans[0].landsAt, c.landsAt) << c.entry;
        EXPECT_EQ(plans[0].insideApp, c.inside) << c.entry;
        EXPECT_EQ(plans[0].install.refused, c.refused) << c.entry;
    }
}

}  // namespace
}  // namespace talkpost::update
