// The settings file's value rules, names and list sections.
#include <gtest/gtest.h>

#include "settings/ini_rules.h"

namespace talkpost::settings {
namespace {

SectionValues sectionOf(const std::string& block) { return SectionValues::parse(block.data(), block.size()); }

TEST(SettingsValueRule, WrittenValueReadsBackAsTheFileRulesSay)
{
    const std::string longText(3000, 'x');
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Remote01", "Remote01"},
        {"\"quoted\"", "\"quoted\""},
        {"'single'", "'single'"},
        {"\"", "\""},
        {"''", "''"},
        {"\"mixed'", "\"mixed'"},
        {"  blanks  ", "blanks"},
        {"a \"b\" c", "a \"b\" c"},
        {"two\r\nlines", "two  lines"},
        {longText, std::string(2047, 'x')},
        {"\"" + longText + "\"", "\"" + std::string(2046, 'x')},
    };
    for (const auto& [written, readBack] : cases)
        EXPECT_EQ(decodeValue(encodeValue(written)), readBack) << "written: " << written.substr(0, 40);
}

TEST(SettingsValueRule, WrapsOnlyValuesThatBeginAndEndWithTheSameQuote)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"\"q\"", "\"\"q\"\""},
        {"'q'", "\"'q'\""},
        {"\"q'", "\"q'"},
        {"q\"", "q\""},
    };
    for (const auto& [value, stored] : cases)
        EXPECT_EQ(encodeValue(value), stored) << value;
}

TEST(SettingsValueRule, ReadingDropsBlanksAndOnePairOfQuotes)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  x  ", "x"},
        {"\t\"x\" ", "x"},
        {"'x'", "x"},
        {"\"\"x\"\"", "\"x\""},
        {"\"x'", "\"x'"},
        {"\"", "\""},
        {"\" padded \"", " padded "},
    };
    for (const auto& [stored, value] : cases)
        EXPECT_EQ(decodeValue(stored), value) << stored;
}

TEST(SettingsNumbers, ParseWholeDecimalNumbersOnly)
{
    const std::pair<std::string, std::optional<int>> cases[] = {
        {"0", 0},          {"60", 60},         {" 20000 ", 20000}, {"-1", -1},        {"+7", 7},
        {"abc", {}},       {"", {}},           {"12abc", {}},      {"1.5", {}},       {"-", {}},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}, {"2147483648", {}},
        {"99999999999999999999", {}},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(parseInteger(text), value) << text;
}

TEST(SettingsNumbers, TimeValueIsClampedTo60Through20000)
{
    const std::pair<int, int> cases[] = {{0, 60}, {-5, 60}, {59, 60}, {60, 60}, {300, 300}, {20000, 20000}, {99999, 20000}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(clampTimeValue(in), out) << in;
}

TEST(SettingsNames, AreBuiltByRule)
{
    EXPECT_EQ(propertyKey("IPComboBox", "Items"), "IPComboBox_Items");
    EXPECT_EQ(listSectionName("Storage", propertyKey("RichText", "Lines")), "Storage.RichText_Lines");
    EXPECT_EQ(itemKey(0), "Item0");
    EXPECT_EQ(itemKey(19999), "Item19999");
    EXPECT_EQ(screenSuffix(1280, 1024), "(1280x1024)");
}

TEST(SettingsSection, KeysMatchWithoutRegardToCaseAndTheFirstWins)
{
    SectionValues s = sectionOf(std::string("count=2\0ITEM0= a \0Item0=second\0no equals sign\0 Item1 =\"'b'\"\0\0", 60));
    EXPECT_EQ(s.value("Count"), "2");
    EXPECT_EQ(s.value("Item0"), "a");
    EXPECT_EQ(s.value("item1"), "'b'");
    EXPECT_EQ(s.value("no equals sign"), std::nullopt);
    EXPECT_EQ(s.value("Item2"), std::nullopt);
    // A line without "=" is the key's first line: its later lines are not read.
    EXPECT_EQ(sectionOf(std::string("Item0\0item0=unseen\0\0", 21)).value("Item0"), std::nullopt);
}

TEST(SettingsList, RoundTripsThroughOneSectionBlock)
{
    const std::vector<std::string> items = {"*", "\"quoted\"", "'single'", "Remote01", "", "  spaced  "};
    std::string block = buildListSection(items);
    EXPECT_EQ(block.substr(0, 8), std::string("Count=6\0", 8));
    EXPECT_EQ(block.substr(block.size() - 2), std::string("\0\0", 2));
    auto back = readList(sectionOf(block));
    ASSERT_TRUE(back);
    const std::vector<std::string> expected = {"*", "\"quoted\"", "'single'", "Remote01", "", "spaced"};
    EXPECT_EQ(*back, expected);
}

TEST(SettingsList, CountDecidesHowManyItemsComeBack)
{
    struct Case {
        std::string block;
        std::optional<std::vector<std::string>> items;
    };
    const Case cases[] = {
        {std::string("Count=3\0Item0=a\0Item2=c\0\0", 26), std::vector<std::string>{"a", "", "c"}},
        {std::string("Count=1\0Item0=a\0Item1=b\0\0", 25), std::vector<std::string>{"a"}},
        {std::string("Count= 2 \0Item0=a\0Item1=b\0\0", 27), std::vector<std::string>{"a", "b"}},
        {std::string("Count=0\0Item0=a\0\0", 17), std::nullopt},
        {std::string("Count=-3\0Item0=a\0\0", 18), std::nullopt},
        {std::string("Count=abc\0Item0=a\0\0", 19), std::nullopt},
        {std::string("Item0=a\0\0", 9), std::nullopt},
        {std::string("\0", 1), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readList(sectionOf(c.block)), c.items);
}

TEST(SettingsList, ADamagedHugeCountDoesNotExhaustMemory)
{
    std::string block("Count=2147483647\0Item0=a\0Item150000=z\0\0", 39);
    auto items = readList(sectionOf(block));
    ASSERT_TRUE(items);
    EXPECT_EQ(items->size(), 150001u);  // every item present is kept
    EXPECT_EQ(items->front(), "a");
    EXPECT_EQ(items->back(), "z");
}

TEST(SaveCopyName, OnlyTheSavesOwnCopiesAreTakenForLeftovers)
{
    EXPECT_EQ(saveCopyName("Talkpost.ini", 412, 0), "Talkpost.ini.~412-0.tmp");
    EXPECT_TRUE(isSaveCopyName("Talkpost.ini", saveCopyName("Talkpost.ini", 4294967295UL, 4294967295U)));
    struct Case {
        const char* name;
        bool ours;
    } cases[] = {
        {"Talkpost.ini.~412-0.tmp", true},
        {"TALKPOST.INI.~1-23.TMP", true},
        {"Talkpost.ini", false},
        {"Talkpost.ini.~412-0.tmp.txt", false},
        {"Talkpost.ini.~412-.tmp", false},
        {"Talkpost.ini.~-0.tmp", false},
        {"Talkpost.ini.~412.tmp", false},
        {"Talkpost.ini.~4a2-0.tmp", false},
        {"Talkpost.ini.~412-0-1.tmp", false},
        {"Talkpost.ini.~12345678901-0.tmp", false},
        {"Talkpost.ini.412-0.tmp", false},
        {"Other.ini.~412-0.tmp", false},
        {"xTalkpost.ini.~412-0.tmp", false},
        {"tps1A2B.tmp", false},
        {"~412-0.tmp", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isSaveCopyName("Talkpost.ini", c.name), c.ours) << c.name;
}

}  // namespace
}  // namespace talkpost::settings
