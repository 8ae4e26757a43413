// The main window's stored values loaded and stored against a file kept in
// memory, under Wine: the binding table of the real window and the walks.
#include <gtest/gtest.h>

#include <map>

#include "app/main_rules.h"
#include "app/main_window_win.h"
#include "settings/stored_props.h"
#include "support/test_support_win.h"

namespace talkpost::settings {
namespace {

// A settings file in memory: the stored texts by section and key, as the
// platform's profile functions would keep them.
class MemoryIni : public IniAccess {
public:
    std::optional<std::string> readValue(const std::string& section, const std::string& key) override
    {
        return readSection(section).value(key);
    }
    SectionValues readSection(const std::string& section) override
    {
        SectionValues values;
        auto it = sections.find(section);
        if (it != sections.end())
            for (const auto& [key, text] : it->second)
                values.set(key, text);
        return values;
    }
    void writeValue(const std::string& section, const std::string& key, const std::string& text) override
    {
        sections[section][key] = text;
    }
    void writeSection(const std::string& section, const std::string& block) override
    {
        auto& keys = sections[section];
        keys.clear();
        for (std::size_t pos = 0; pos < block.size() && block[pos] != '\0';) {
            std::size_t end = block.find('\0', pos);
            std::string line = block.substr(pos, end - pos);
            keys[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
            pos = end + 1;
        }
    }
    void eraseSection(const std::string& section) override { sections.erase(section); }

    std::map<std::string, std::map<std::string, std::string>> sections;
};

const std::vector<StoredProp> kProps = {
    {"IPComboBox", "Items"}, {"UserEdit", "Text"}, {"RichText", "Lines"}, {"TimeEdit", "Value"}};

// The real main window; its values are read and set as the user would see them.
struct Form {
    std::vector<std::string> computers() { return w.computers().entries(); }
    std::vector<std::string> lines() { return splitCrLfLines(w.messageText()); }
    int time() { return std::stoi(w.timeText()); }
    MainWindow w;
};

TEST(StoredProps, TheMainWindowNamesItsStoredValuesInOneTable)
{
    MainWindow w;
    EXPECT_EQ(MainWindow::storedValueNames(),
              (std::vector<std::string>{"IPComboBox.Items", "UserEdit.Text", "RichText.Lines", "TimeEdit.Value"}));
    for (const std::string& name : MainWindow::storedValueNames()) {
        std::string component = name.substr(0, name.find('.'));
        std::string property = name.substr(name.find('.') + 1);
        EXPECT_TRUE(w.hasComponent(component)) << name;
        // Names are matched without regard to case.
        auto access = w.findProperty(component, property);
        ASSERT_TRUE(access.has_value()) << name;
        EXPECT_EQ(access->componentName + "." + access->propertyName, name);
        EXPECT_TRUE(w.findProperty(CharUpperA(component.data()), property).has_value()) << name;
    }
    EXPECT_FALSE(w.hasComponent("Memo1"));
    EXPECT_FALSE(w.findProperty("UserEdit", "Lines").has_value());
}

TEST(StoredProps, BindingDropsEntriesThatDoNotSplitOrNameNoComponent)
{
    MainWindow w;
    auto props = bindStoredProps({"IPComboBox.Items", " UserEdit . Text ", "NoDot", ".Text", "UserEdit.", "Gone.Text",
                                  "RichText.Lines.Extra"},
                                 w);
    const std::vector<StoredProp> expected = {{"IPComboBox", "Items"}, {"UserEdit", "Text"}, {"RichText", "Lines.Extra"}};
    EXPECT_EQ(props, expected);
}

TEST(StoredProps, StoreThenLoadRestoresEveryValue)
{
    MemoryIni ini;
    Form saved;
    saved.w.computers().replaceAll({"alpha", "\"q\"", "'s'"});
    saved.w.setMessageText("Hello\r\n\r\n  indented\r\n");
    saved.w.setUserText("  admin\t");
    saved.w.setTimeText("300");
    storeControlValues(ini, "Storage", kProps, saved.w);
    EXPECT_EQ(ini.sections["Storage"]["UserEdit_Text"], "admin");
    EXPECT_EQ(ini.sections["Storage"]["TimeEdit_Value"], "300");
    EXPECT_EQ(ini.sections["Storage.IPComboBox_Items"]["Item0"], "\"\"q\"\"");  // sorted first

    EXPECT_EQ(ini.sections["Storage.RichText_Lines"]["Count"], "3");  // the break at the end opens no line

    Form loaded;
    loadControlValues(ini, "Storage", kProps, loaded.w);
    EXPECT_EQ(loaded.computers(), saved.computers());
    EXPECT_EQ(loaded.lines(), (std::vector<std::string>{"Hello", "", "indented"}));
    EXPECT_EQ(loaded.w.userText(), "admin");
    EXPECT_EQ(loaded.time(), 300);
}

TEST(StoredProps, EmptiedListsAreSavedAsNoSectionAndLoadAsTheDesignedValues)
{
    MemoryIni ini;
    ini.sections["Storage.IPComboBox_Items"]["Count"] = "1";
    ini.sections["Storage.IPComboBox_Items"]["Item0"] = "old";
    ini.sections["Storage.RichText_Lines"]["Count"] = "1";
    Form saved;
    saved.w.computers().replaceAll({});
    storeControlValues(ini, "Storage", kProps, saved.w);
    EXPECT_EQ(ini.sections.count("Storage.IPComboBox_Items"), 0u);
    EXPECT_EQ(ini.sections.count("Storage.RichText_Lines"), 0u);

    Form loaded;
    loadControlValues(ini, "Storage", kProps, loaded.w);
    EXPECT_EQ(loaded.computers(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
    EXPECT_TRUE(loaded.lines().empty());
}

TEST(StoredProps, TimeValueLoadsThroughTheFieldsClamp)
{
    const std::pair<std::string, int> cases[] = {{"abc", 60},         {"99999", 20000}, {"1", 60},
                                                 {" 500 ", 500},      {"", 60},         {"99999999999", 60},
                                                 {"-99999999999", 60}};
    for (const auto& [text, shown] : cases) {
        MemoryIni ini;
        ini.sections["Storage"]["TimeEdit_Value"] = text;
        Form w;
        w.w.setTimeText("1234");
        loadControlValues(ini, "Storage", kProps, w.w);
        EXPECT_EQ(w.time(), shown) << text;
    }
}

TEST(StoredProps, TheTimeFieldIsStoredWithinItsBounds)
{
    const std::pair<std::string, std::string> cases[] = {
        {"99999999999", "20000"}, {"-99999999999", "60"}, {"abc", "60"}, {"1234", "1234"}};
    for (const auto& [typed, stored] : cases) {
        MemoryIni ini;
        Form w;
        w.w.setTimeText(typed);
        storeControlValues(ini, "Storage", kProps, w.w);
        EXPECT_EQ(ini.sections["Storage"]["TimeEdit_Value"], stored) << typed;
    }
}

TEST(StoredProps, MissingKeysKeepTheCurrentValues)
{
    MemoryIni ini;
    Form w;
    w.w.setUserText("operator");
    w.w.setTimeText("777");
    loadControlValues(ini, "Storage", kProps, w.w);
    EXPECT_EQ(w.w.userText(), "operator");
    EXPECT_EQ(w.time(), 777);
    EXPECT_EQ(w.computers(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
}

TEST(StoredProps, AFailingPropertyDoesNotStopTheOthersFromLoading)
{
    // The main window with one control that fails.
    class Throwing : public MainWindow {
    public:
        std::optional<PropertyAccess> findProperty(const std::string& c, const std::string& p) override
        {
            if (c == "UserEdit")
                throw std::runtime_error("broken control");
            return MainWindow::findProperty(c, p);
        }
    };
    MemoryIni ini;
    ini.sections["Storage"]["TimeEdit_Value"] = "400";
    Throwing w;
    loadControlValues(ini, "Storage", kProps, w);
    EXPECT_EQ(w.timeText(), "400");
}

}  // namespace
}  // namespace talkpost::settings
