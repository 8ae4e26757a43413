// The settings object: what one parse of the file gives, and what a save of
// each part writes, through the file's text as a save leaves it.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include "settings/ini_document.h"
#include "settings/ini_rules.h"

namespace talkpost::settings {
namespace {


Settings read(const std::string& text) { return readSettings(IniReader::parse(text)); }

// The file's text after one part of the settings was saved over it.
std::string saved(const Settings& settings, SettingsPart part, const std::string& before = {})
{
    IniDocument sink = IniDocument::parse(before);
    writeSettings(sink, settings, part);
    return sink.text();
}

TEST(Settings, AFileWithoutOurKeysGivesTheDefaults)
{
    Settings s = read("[Other]\r\nKey=1\r\n");
    EXPECT_EQ(s.bannerServer, "");
    EXPECT_EQ(s.updateServer, "");
    EXPECT_EQ(s.parallelSends, kDefaultParallelSends);
    EXPECT_EQ(s.updateSerial, 0u);
    EXPECT_FALSE(s.rolledBackSerial);
    EXPECT_FALSE(s.storedValues.computers);
    EXPECT_FALSE(s.storedValues.user);
    EXPECT_FALSE(s.storedValues.time);
    EXPECT_FALSE(s.mainPlacement.formVersion);
    EXPECT_EQ(s.directory.filter, kDefaultFilter);
    EXPECT_FALSE(s.directoryPageSize);
}

TEST(Settings, OurOwnSectionReadsAsTheRulesSay)
{
    struct Case {
        const char* line;
        std::function<bool(const Settings&)> holds;
    };
    const Case cases[] = {
        {"UpdateServer= 'http://127.0.0.1:8766' ", [](const Settings& s) { return s.updateServer == "http://127.0.0.1:8766"; }},
        {"BannerServer=http://127.0.0.1:8765", [](const Settings& s) { return s.bannerServer == "http://127.0.0.1:8765"; }},
        {"ParallelSends=1", [](const Settings& s) { return s.parallelSends == 1; }},
        {"ParallelSends=9999", [](const Settings& s) { return s.parallelSends == kMaxParallelSends; }},
        {"ParallelSends=many", [](const Settings& s) { return s.parallelSends == kDefaultParallelSends; }},
        {"UpdateSerial=12345678901", [](const Settings& s) { return s.updateSerial == 12345678901u; }},
        {"UpdateSerial=-3", [](const Settings& s) { return s.updateSerial == 0; }},
        {"RolledBackSerial=5", [](const Settings& s) { return s.rolledBackSerial == 5u; }},
        {"RolledBackUpdate=9.9.9.9", [](const Settings& s) { return s.rolledBackUpdate == "9.9.9.9"; }},
        {"DirectoryPageSize=5", [](const Settings& s) { return s.directoryPageSize == 5; }},
        {"DirectoryTimeLimit=x", [](const Settings& s) { return !s.directoryTimeLimit; }},
        {"directoryconnection=ldaps", [](const Settings& s) { return s.directory.connection == Connection::Ldaps; }},
        {"DirectoryConnection=carrier pigeon",
         [](const Settings& s) { return s.directory.connection == Connection::Sealed; }},
        {"DirectoryFilter=", [](const Settings& s) { return s.directory.filter == kDefaultFilter; }},
        {"DirectoryRemoveMissing=yes", [](const Settings& s) { return !s.directory.removeMissing; }},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.holds(read(std::string("[talkpost]\r\n") + c.line + "\r\n"))) << c.line;
}

TEST(Settings, TheDirectoryFieldsAreKeptInOurSectionWithoutThePassword)
{
    Settings s;
    s.directory.server = "dc1.corp.example:3268";
    s.directory.base = "OU=Sites,DC=corp,DC=example";
    s.directory.filter = "(&(objectCategory=computer)(operatingSystem=*Server*))";
    s.directory.signIn = SignIn::NameAndPassword;
    s.directory.user = "CORP\\admin";
    s.directory.connection = Connection::StartTls;
    s.directory.removeMissing = true;
    std::string text = saved(s, SettingsPart::Directory, "[Talkpost]\r\nUpdateServer=kept\r\n");
    EXPECT_EQ(text.rfind("[Talkpost]\r\nUpdateServer=kept\r\nDirectoryServer=dc1.corp.example:3268\r\n", 0), 0u)
        << text;
    EXPECT_EQ(text.find("Password="), std::string::npos) << text;
    Settings back = read(text);
    EXPECT_EQ(back.directory.server, s.directory.server);
    EXPECT_EQ(back.directory.base, s.directory.base);
    EXPECT_EQ(back.directory.filter, s.directory.filter);
    EXPECT_EQ(back.directory.signIn, s.directory.signIn);
    EXPECT_EQ(back.directory.user, s.directory.user);
    EXPECT_EQ(back.directory.connection, s.directory.connection);
    EXPECT_TRUE(back.directory.removeMissing);
    EXPECT_EQ(back.updateServer, "kept");
}

TEST(Settings, EachPartWritesItsOwnKeysOnly)
{
    Settings s;
    s.updateSerial = 7;
    s.rolledBackSerial = 5;
    s.rolledBackUpdate = "9.9.9.9";
    s.storedValues.computers = std::vector<std::string>{"a"};
    EXPECT_EQ(saved(s, SettingsPart::UpdateSerial), "[Talkpost]\r\nUpdateSerial=7\r\n");
    EXPECT_EQ(saved(s, SettingsPart::RolledBack), "[Talkpost]\r\nRolledBackSerial=5\r\nRolledBackUpdate=9.9.9.9\r\n");
    EXPECT_EQ(saved(s, SettingsPart::Editor), "");  // nothing of the dialog's place is known yet
}

TEST(Settings, PlacementKeysAreKeptPerScreenWithTheBareOnesAsFallBack)
{
    Settings s = read("[Placement]\r\nFormVersion=0\r\nFlags=2\r\nShowCmd=x\r\nPixelsPerInch=96\r\n"
                      "NormPos(1280X1024)=1,2,3,4\r\nNormPos=5,6,7,8\r\nMinMaxPos(800x600)=\r\nMinMaxPos=-1,-1,-8,-8\r\n");
    const WindowSettings& w = s.mainPlacement;
    EXPECT_EQ(w.formVersion, 0);
    EXPECT_EQ(w.flags, 2);
    EXPECT_FALSE(w.showCmd);  // no number: the reader's default
    EXPECT_EQ(w.pixelsPerInch, 96);
    EXPECT_EQ(w.normPosFor("(1280x1024)"), "1,2,3,4");
    EXPECT_EQ(w.normPosFor("(1024x768)"), "5,6,7,8");
    EXPECT_EQ(w.minMaxPosFor("(800x600)"), "-1,-1,-8,-8");  // an empty text falls back too
    EXPECT_FALSE(s.editor.formVersion);

    Settings changed = s;
    changed.mainPlacement.normPos["(1024x768)"] = "10,20,30,40";
    changed.mainPlacement.visible = false;
    std::string text = saved(changed, SettingsPart::MainPlacement);
    EXPECT_NE(text.find("NormPos(1024x768)=10,20,30,40\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Visible=0\r\n"), std::string::npos) << text;
    EXPECT_EQ(read(text).mainPlacement.normPosFor("(1280x1024)"), "1,2,3,4");
}

TEST(Settings, TheComputerListReadsAsItsKeysDo)
{
    const std::string longItem(2100, 'h');
    struct Case {
        const char* what;
        std::string section;
        std::optional<std::vector<std::string>> computers;
    };
    const Case cases[] = {
        {"count above the items present gives empty entries", "Count=3\r\nItem0=b\r\nItem2=a\r\n",
         std::vector<std::string>{"b", "", "a"}},
        {"quotes and blanks around an item go", "Count=2\r\nItem0=\"'x'\"\r\nItem1=  y  \r\n",
         std::vector<std::string>{"'x'", "y"}},
        {"a long item is cut to 2047 characters", "Count=1\r\nItem0=" + longItem + "\r\n",
         std::vector<std::string>{std::string(2047, 'h')}},
        {"the first of two equal keys wins", "COUNT=1\r\nitem0=first\r\nItem0=second\r\nCount=5\r\n",
         std::vector<std::string>{"first"}},
        {"a key written another way is no item", "Count=2\r\nItem00=zero\r\nItem1=one\r\n",
         std::vector<std::string>{"", "one"}},
        {"a count of 0 leaves the designed list", "Count=0\r\nItem0=x\r\n", std::nullopt},
        {"no count leaves the designed list", "Item0=x\r\n", std::nullopt},
        {"a count far beyond the items is capped", "Count=2000000000\r\nItem0=x\r\n",
         std::vector<std::string>(kMaxEmptyListItems, "")},
    };
    for (const Case& c : cases) {
        Settings s = read("[Storage.IPComboBox_Items]\r\n" + c.section);
        std::optional<std::vector<std::string>> expected = c.computers;
        if (std::string(c.what).find("capped") != std::string::npos)
            (*expected)[0] = "x";
        EXPECT_EQ(s.storedValues.computers, expected) << c.what;
        // The same as the keys read one by one.
        EXPECT_EQ(s.storedValues.computers,
                  readList(SectionValues::read(IniReader::parse("[S]\r\n" + c.section), "S")))
            << c.what;
    }
}

TEST(Settings, NamesOutsideAnyOneCodePageRoundTrip)
{
    Settings s;
    const std::vector<std::string> names = {"\xc5\x81\xc3\xb3" "d\xc5\xba \xe6\x9d\xb1\xe4\xba\xac", "plain",
                                            "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0"};
    s.storedValues.computers = names;
    s.storedValues.user = "\xe7\x94\xa8\xe6\x88\xb7";
    s.storedValues.messageLines = std::vector<std::string>{"\xf0\x9f\x98\x80 \xe4\xbd\xa0\xe5\xa5\xbd"};
    s.storedValues.time = 90;
    Settings back = read(saved(s, SettingsPart::MainStorage));
    EXPECT_EQ(back.storedValues.computers, names);
    EXPECT_EQ(back.storedValues.user, s.storedValues.user);
    EXPECT_EQ(back.storedValues.messageLines, s.storedValues.messageLines);
    EXPECT_EQ(back.storedValues.time, 90);
}

TEST(Settings, AnEmptiedListIsSavedAsNoSection)
{
    Settings s;
    s.storedValues.computers = std::vector<std::string>{};
    s.storedValues.messageLines = std::nullopt;
    std::string text = saved(s, SettingsPart::MainStorage,
                             "[Storage.IPComboBox_Items]\r\nCount=1\r\nItem0=old\r\n[Storage.RichText_Lines]\r\nCount=1\r\n");
    EXPECT_EQ(text.find("Storage."), std::string::npos) << text;
}

}  // namespace
}  // namespace talkpost::settings
