// The main window's stored values, under Wine: what the real window hands
// over for a save, what it shows after a load, and a round trip through the
// settings file's text.
#include <gtest/gtest.h>

#include "app/main_rules.h"
#include "app/main_window_win.h"
#include "settings/ini_document.h"
#include "settings/settings.h"
#include "support/test_support_win.h"

namespace talkpost::settings {
namespace {


// The real main window; its values are read and set as the user would see them.
struct Form {
    std::vector<std::string> computers() { return w.computers().entries(); }
    std::vector<std::string> lines() { return splitCrLfLines(w.messageText()); }
    int time() { return std::stoi(w.timeText()); }
    test::RecordingPrompts prompts;
    MainWindow w{prompts};
};

// The values of one window saved and read back as the next start reads them.
StoredValues throughTheFile(const MainWindow& saved, std::string* text = nullptr)
{
    Settings settings;
    settings.storedValues = saved.storedValues();
    IniDocument sink;
    writeSettings(sink, settings, SettingsPart::MainStorage);
    if (text)
        *text = sink.text();
    return readSettings(IniReader::parse(sink.text())).storedValues;
}

TEST(StoredValues, SaveThenLoadRestoresEveryValue)
{
    Form saved;
    saved.w.computers().replaceAll({"alpha", "\"q\"", "'s'"});
    saved.w.setMessageText("Hello\r\n\r\n  indented\r\n");
    saved.w.setUserText("  admin\t");
    saved.w.setTimeText("300");
    std::string text;
    StoredValues values = throughTheFile(saved.w, &text);
    EXPECT_NE(text.find("UserEdit_Text=admin\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("TimeEdit_Value=300\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[Storage.IPComboBox_Items]\r\nCount=3\r\nItem0=\"\"q\"\"\r\n"), std::string::npos) << text;
    // The break at the end opens no line.
    EXPECT_NE(text.find("[Storage.RichText_Lines]\r\nCount=3\r\n"), std::string::npos) << text;

    Form loaded;
    loaded.w.restoreStoredValues(values);
    EXPECT_EQ(loaded.computers(), saved.computers());
    EXPECT_EQ(loaded.lines(), (std::vector<std::string>{"Hello", "", "indented"}));
    EXPECT_EQ(loaded.w.userText(), "admin");
    EXPECT_EQ(loaded.time(), 300);
}

TEST(StoredValues, EmptiedListsAreSavedAsNoSectionAndLoadAsTheDesignedValues)
{
    Form saved;
    saved.w.computers().replaceAll({});
    std::string text;
    StoredValues values = throughTheFile(saved.w, &text);
    EXPECT_EQ(text.find("Storage.IPComboBox_Items"), std::string::npos) << text;
    EXPECT_EQ(text.find("Storage.RichText_Lines"), std::string::npos) << text;

    Form loaded;
    loaded.w.restoreStoredValues(values);
    EXPECT_EQ(loaded.computers(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
    EXPECT_TRUE(loaded.lines().empty());
}

TEST(StoredValues, TimeValueLoadsThroughTheFieldsClamp)
{
    const std::pair<std::string, int> cases[] = {{"abc", 60},         {"99999", 20000}, {"1", 60},
                                                 {" 500 ", 500},      {"", 60},         {"99999999999", 60},
                                                 {"-99999999999", 60}};
    for (const auto& [text, shown] : cases) {
        StoredValues values = readSettings(IniReader::parse("[Storage]\r\nTimeEdit_Value=" + text + "\r\n")).storedValues;
        Form w;
        w.w.setTimeText("1234");
        w.w.restoreStoredValues(values);
        EXPECT_EQ(w.time(), shown) << text;
    }
}

TEST(StoredValues, TheTimeFieldIsStoredWithinItsBounds)
{
    const std::pair<std::string, std::string> cases[] = {
        {"99999999999", "20000"}, {"-99999999999", "60"}, {"abc", "60"}, {"1234", "1234"}};
    for (const auto& [typed, stored] : cases) {
        Form w;
        w.w.setTimeText(typed);
        std::string text;
        throughTheFile(w.w, &text);
        EXPECT_NE(text.find("TimeEdit_Value=" + stored + "\r\n"), std::string::npos) << typed << "\n" << text;
    }
}

TEST(StoredValues, MissingKeysKeepTheCurrentValues)
{
    Form w;
    w.w.setUserText("operator");
    w.w.setTimeText("777");
    w.w.restoreStoredValues(readSettings(IniReader::parse("")).storedValues);
    EXPECT_EQ(w.w.userText(), "operator");
    EXPECT_EQ(w.time(), 777);
    EXPECT_EQ(w.computers(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
}

}  // namespace
}  // namespace talkpost::settings
