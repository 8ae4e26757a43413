// Loading and storing control values against a file kept in memory.
#include <gtest/gtest.h>

#include <map>

#include "settings/stored_props.h"

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

// The four values of the main window, with the time field's own clamp.
class FakeWindow : public StoredPropertyHost {
public:
    bool hasComponent(const std::string& c) const override
    {
        return c == "IPComboBox" || c == "UserEdit" || c == "RichText" || c == "TimeEdit";
    }
    std::optional<PropertyAccess> findProperty(const std::string& c, const std::string& p) override
    {
        PropertyAccess a;
        a.componentName = c;
        if (c == "IPComboBox" && p == "Items") {
            a.propertyName = "Items";
            a.type = PropertyType::TextList;
            a.getList = [this] { return computers; };
            a.setList = [this](const std::vector<std::string>& v) { computers = v; };
        } else if (c == "RichText" && p == "Lines") {
            a.propertyName = "Lines";
            a.type = PropertyType::TextList;
            a.getList = [this] { return lines; };
            a.setList = [this](const std::vector<std::string>& v) { lines = v; };
        } else if (c == "UserEdit" && p == "Text") {
            a.propertyName = "Text";
            a.type = PropertyType::Text;
            a.getText = [this] { return user; };
            a.setText = [this](const std::string& t) { user = t; };
        } else if (c == "TimeEdit" && p == "Value") {
            a.propertyName = "Value";
            a.type = PropertyType::Integer;
            a.getInteger = [this] { return time; };
            a.setInteger = [this](int v) { time = clampTimeValue(v); };
        } else {
            return std::nullopt;
        }
        return a;
    }

    std::vector<std::string> computers = {"*", "Remote01", "Remote02"};
    std::vector<std::string> lines;
    std::string user = "*";
    int time = 60;
};

const std::vector<StoredProp> kProps = {
    {"IPComboBox", "Items"}, {"UserEdit", "Text"}, {"RichText", "Lines"}, {"TimeEdit", "Value"}};

TEST(StoredProps, BindingDropsEntriesThatDoNotSplitOrNameNoComponent)
{
    FakeWindow w;
    auto props = bindStoredProps({"IPComboBox.Items", " UserEdit . Text ", "NoDot", ".Text", "UserEdit.", "Gone.Text",
                                  "RichText.Lines.Extra"},
                                 w);
    const std::vector<StoredProp> expected = {{"IPComboBox", "Items"}, {"UserEdit", "Text"}, {"RichText", "Lines.Extra"}};
    EXPECT_EQ(props, expected);
}

TEST(StoredProps, StoreThenLoadRestoresEveryValue)
{
    MemoryIni ini;
    FakeWindow saved;
    saved.computers = {"alpha", "\"q\"", "'s'"};
    saved.lines = {"Hello", "", "  indented"};
    saved.user = "  admin\t";
    saved.time = 300;
    storeControlValues(ini, "Storage", kProps, saved);
    EXPECT_EQ(ini.sections["Storage"]["UserEdit_Text"], "admin");
    EXPECT_EQ(ini.sections["Storage"]["TimeEdit_Value"], "300");
    EXPECT_EQ(ini.sections["Storage.IPComboBox_Items"]["Item1"], "\"\"q\"\"");

    FakeWindow loaded;
    loadControlValues(ini, "Storage", kProps, loaded);
    EXPECT_EQ(loaded.computers, saved.computers);
    EXPECT_EQ(loaded.lines, (std::vector<std::string>{"Hello", "", "indented"}));
    EXPECT_EQ(loaded.user, "admin");
    EXPECT_EQ(loaded.time, 300);
}

TEST(StoredProps, EmptiedListsAreSavedAsNoSectionAndLoadAsTheDesignedValues)
{
    MemoryIni ini;
    ini.sections["Storage.IPComboBox_Items"]["Count"] = "1";
    ini.sections["Storage.IPComboBox_Items"]["Item0"] = "old";
    ini.sections["Storage.RichText_Lines"]["Count"] = "1";
    FakeWindow saved;
    saved.computers.clear();
    storeControlValues(ini, "Storage", kProps, saved);
    EXPECT_EQ(ini.sections.count("Storage.IPComboBox_Items"), 0u);
    EXPECT_EQ(ini.sections.count("Storage.RichText_Lines"), 0u);

    FakeWindow loaded;
    loadControlValues(ini, "Storage", kProps, loaded);
    EXPECT_EQ(loaded.computers, (std::vector<std::string>{"*", "Remote01", "Remote02"}));
    EXPECT_TRUE(loaded.lines.empty());
}

TEST(StoredProps, TimeValueLoadsThroughTheFieldsClamp)
{
    const std::pair<std::string, int> cases[] = {{"abc", 60}, {"99999", 20000}, {"1", 60}, {" 500 ", 500}, {"", 60}};
    for (const auto& [text, shown] : cases) {
        MemoryIni ini;
        ini.sections["Storage"]["TimeEdit_Value"] = text;
        FakeWindow w;
        w.time = 1234;
        loadControlValues(ini, "Storage", kProps, w);
        EXPECT_EQ(w.time, shown) << text;
    }
}

TEST(StoredProps, MissingKeysKeepTheCurrentValues)
{
    MemoryIni ini;
    FakeWindow w;
    w.user = "operator";
    w.time = 777;
    loadControlValues(ini, "Storage", kProps, w);
    EXPECT_EQ(w.user, "operator");
    EXPECT_EQ(w.time, 777);
    EXPECT_EQ(w.computers, (std::vector<std::string>{"*", "Remote01", "Remote02"}));
}

TEST(StoredProps, AFailingPropertyDoesNotStopTheOthersFromLoading)
{
    class Throwing : public FakeWindow {
    public:
        std::optional<PropertyAccess> findProperty(const std::string& c, const std::string& p) override
        {
            if (c == "UserEdit")
                throw std::runtime_error("broken control");
            return FakeWindow::findProperty(c, p);
        }
    };
    MemoryIni ini;
    ini.sections["Storage"]["TimeEdit_Value"] = "400";
    Throwing w;
    loadControlValues(ini, "Storage", kProps, w);
    EXPECT_EQ(w.time, 400);
}

}  // namespace
}  // namespace talkpost::settings
