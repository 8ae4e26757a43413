// The INI reader's value rules, integers and flags (the equality with the
// platform's profile reader is proved under Wine, profile_reader_test_win).
#include "base/ini_reader.h"

#include <gtest/gtest.h>

namespace talkpost {
namespace {

TEST(IniReader, ValueRules)
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
    IniReader file = IniReader::parse(text);
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

TEST(IniReader, SeesAtMost2047CharactersOfAValue)
{
    const std::string longValue(3000, 'v');
    IniReader file = IniReader::parse("[s]\nlong=" + longValue + "\nq=\"" + std::string(2046, 'q') +
                                          "\"\nq2=\"" + std::string(2047, 'q') + "\"\n");
    EXPECT_EQ(file.readString("s", "long"), std::string(2047, 'v'));
    EXPECT_EQ(file.readString("s", "q"), std::string(2046, 'q'));
    // One character too long for the buffer: the cut and the quote rule each take one.
    EXPECT_EQ(file.readString("s", "q2"), std::string(2046, 'q'));
}

TEST(IniReader, NoBytesHaveNoSections)
{
    IniReader file = IniReader::parse({});
    EXPECT_EQ(file.readString("update", "descr", "d"), "d");
    EXPECT_EQ(file.readInteger("files", "count", 0), 0);
}

TEST(IniReader, ValueIsNothingForAMissingKeyOrALineWithoutEquals)
{
    IniReader file = IniReader::parse("[s]\nnoequals\nnoequals=later\nempty=\nquoted=\"\"\n");
    struct Case {
        std::string section, key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"s", "noequals", std::nullopt},  // the first line of a name decides
        {"s", "empty", ""},
        {"s", "quoted", ""},
        {"s", "missing", std::nullopt},
        {"missing", "empty", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(file.readValue(c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST(IniReader, WholeSectionComesAsStoredLines)
{
    const std::string longValue(3000, 'v');
    IniReader file = IniReader::parse("top=before\n[List]\n; a comment\n  Count = 2 \nItem0=\"\"q\"\"\n"
                                      "Item1=" + longValue + "\nstray\n=no name\nitem0=dup\n"
                                      "[other]\nx=1\n[LIST]\nItem2=never seen\n[empty]\n");
    struct Case {
        std::string section;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"list", {"Count=2", "Item0=\"\"q\"\"", "Item1=" + longValue, "stray", "=no name", "item0=dup"}},
        {" List ", {"Count=2", "Item0=\"\"q\"\"", "Item1=" + longValue, "stray", "=no name", "item0=dup"}},
        {"other", {"x=1"}},
        {"empty", {}},
        {"missing", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(file.readSection(c.section), c.lines) << c.section;
}

TEST(ParseIniInteger, DecimalAndHexadecimal)
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
        EXPECT_EQ(parseIniInteger(c.text), c.expected) << "\"" << c.text << "\"";
}

TEST(IniReader, IntegerAndFlagKeys)
{
    IniReader file = IniReader::parse(
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

}  // namespace
}  // namespace talkpost
