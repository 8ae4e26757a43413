// Reading computer lists from files and merging names into the list: tables
// of files and of merges, the limits, the log line and the export's bytes.
#include "computers/computer_import.h"
#include "computers/list_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talkpost {

void PrintTo(const NameAt& n, std::ostream* os) { *os << n.line << ":\"" << n.name << "\""; }

namespace {

using Names = std::vector<NameAt>;

struct FileCase {
    const char* what;
    std::string bytes;
    Names names;
    NameEncoding encoding = NameEncoding::Utf8;
};

class ReadComputerLines : public ::testing::TestWithParam<FileCase> {};

TEST_P(ReadComputerLines, GivesTheFirstColumnOfEveryListedLine)
{
    const FileCase& c = GetParam();
    ComputerFileRead read = readComputerLines(c.bytes, "list.txt");
    ASSERT_FALSE(read.refusal) << *read.refusal;
    EXPECT_EQ(read.lines.names, c.names) << c.what;
    EXPECT_EQ(read.lines.encoding, c.encoding) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadComputerLines,
    ::testing::Values(
        FileCase{"one name per line, CR LF", "PC01\r\nPC02\r\n", {{1, "PC01"}, {2, "PC02"}}},
        FileCase{"LF and a last line without an end", "PC01\nPC02", {{1, "PC01"}, {2, "PC02"}}},
        FileCase{"lone CR ends a line too", "PC01\rPC02\r", {{1, "PC01"}, {2, "PC02"}}},
        FileCase{"blank lines, blanks around, comments",
                 "\r\n  PC01  \r\n\t\r\n# a comment\r\n   # indented comment\r\nPC02#x\r\n",
                 {{2, "PC01"}, {6, "PC02#x"}}},
        FileCase{"CSV with a header", "Name,IP,Room\r\npc01,10.0.0.1,A\r\npc02,10.0.0.2,B\r\n",
                 {{2, "pc01"}, {3, "pc02"}}},
        FileCase{"CSV without a header", "pc01,10.0.0.1\npc02,10.0.0.2\n", {{1, "pc01"}, {2, "pc02"}}},
        FileCase{"header after a comment, other words", "# export\nComputerName;OS\nPC9;Windows\n", {{3, "PC9"}}},
        FileCase{"only the first row can be a header", "pc1\nName\n", {{1, "pc1"}, {2, "Name"}}},
        FileCase{"semicolons and tabs separate columns", "a;b\nc\td\n  e , f\n", {{1, "a"}, {2, "c"}, {3, "e"}}},
        FileCase{"quoted first column", "\"Host Name\",x\n\"pc,1\",y\n\"pc \"\"2\"\"\"\n  \" pc3 \" ,z\n",
                 {{2, "pc,1"}, {3, "pc \"2\""}, {4, "pc3"}}},
        FileCase{"an unclosed quote keeps its quote", "\"pc1\n", {{1, "\"pc1"}}},
        FileCase{"an empty first column", ",x\n", {{1, ""}}},
        FileCase{"UTF-8 byte order mark", "\xEF\xBB\xBFName\r\nB\xC3\xBCro\r\n", {{2, "B\xC3\xBCro"}}},
        FileCase{"UTF-16 little-endian with its mark",
                 std::string("\xFF\xFEp\0c\0\x31\0\r\0\n\0\xFC\0\r\0\n\0", 18), {{1, "pc1"}, {2, "\xC3\xBC"}}},
        FileCase{"UTF-16 big-endian with its mark", std::string("\xFE\xFF\0p\0c\0\n\0q", 10), {{1, "pc"}, {2, "q"}}},
        FileCase{"bytes that are no UTF-8 are the ANSI code page's", "B\xFCro\n", {{1, "B\xFCro"}},
                 NameEncoding::Ansi},
        FileCase{"an empty file", "", {}}));

TEST(ReadComputerLinesLimits, AFileBeyondTheLimitsIsRefusedWithNothingRead)
{
    std::string lines;
    for (std::size_t i = 0; i < kImportMaxLines; ++i)
        lines += "\n";
    ComputerFileRead atLimit = readComputerLines(lines + "pc", "The file big.txt");
    ASSERT_TRUE(atLimit.refusal);
    EXPECT_TRUE(atLimit.lines.names.empty());
    EXPECT_EQ(*atLimit.refusal, "The file big.txt has more than 100,000 lines and was not imported: a list file may "
                                "have at most 100,000 lines and 16 MiB.");

    ComputerFileRead full = readComputerLines(lines, "The file ok.txt");  // 100,000 blank lines exactly
    EXPECT_FALSE(full.refusal);
    EXPECT_EQ(full.lines.lines, kImportMaxLines);

    std::string huge(kImportMaxBytes + 1, 'a');
    ComputerFileRead tooBig = readComputerLines(huge, "The file huge.csv");
    ASSERT_TRUE(tooBig.refusal);
    EXPECT_EQ(*tooBig.refusal, importTooLargeMessage("huge.csv"));
    EXPECT_NE(tooBig.refusal->find("larger than 16 MiB"), std::string::npos);
}

struct MergeCase {
    const char* what;
    std::vector<std::string> listed;
    Names names;
    std::vector<std::string> added;
    std::size_t alreadyListed;
    Names refused;
};

class MergeIntoList : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeIntoList, AddsEachNewAcceptableNameOnce)
{
    const MergeCase& c = GetParam();
    ListMerge merge = mergeIntoList(c.listed, c.names);
    EXPECT_EQ(merge.added, c.added) << c.what;
    EXPECT_EQ(merge.alreadyListed, c.alreadyListed) << c.what;
    EXPECT_EQ(merge.refused, c.refused) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Merges, MergeIntoList,
    ::testing::Values(
        MergeCase{"new names in the given order", {"*"}, {{1, "b"}, {2, "a"}}, {"b", "a"}, 0, {}},
        MergeCase{"listed under another letter case", {"Remote01"}, {{1, "REMOTE01"}, {2, "remote01"}}, {}, 2, {}},
        MergeCase{"twice in the input", {}, {{1, "pc"}, {2, "PC"}, {3, "pc"}}, {"pc"}, 2, {}},
        MergeCase{"command characters and control characters are refused",
                  {},
                  {{1, "a&b"}, {2, "c|d"}, {3, "e<f"}, {4, "g>h"}, {5, "i^j"}, {6, "k%l"}, {7, "m\"n"}, {8, "o\tp"},
                   {9, "ok"}},
                  {"ok"},
                  0,
                  {{1, "a&b"}, {2, "c|d"}, {3, "e<f"}, {4, "g>h"}, {5, "i^j"}, {6, "k%l"}, {7, "m\"n"}, {8, "o\tp"}}},
        MergeCase{"an empty name is refused", {""}, {{4, ""}}, {}, 0, {{4, ""}}},
        MergeCase{"bytes past ASCII compare exactly", {"B\xC3\xBCro"}, {{1, "B\xC3\x9Cro"}, {2, "b\xC3\xBCro"}},
                  {"B\xC3\x9Cro"}, 1, {}}));

TEST(ImportLogLine, CountsAndNamesTheFirstRefusedLines)
{
    ListMerge merge;
    merge.added = {"a", "b", "c"};
    merge.alreadyListed = 2;
    EXPECT_EQ(importLogLine("C:\\lists\\fleet.txt", merge),
              "Imported 3 computers from C:\\lists\\fleet.txt: 2 already listed, 0 refused");
    merge.refused = {{7, "a&b"}};
    EXPECT_EQ(importLogLine("f.csv", merge), "Imported 3 computers from f.csv: 2 already listed, 1 refused (line 7: \"a&b\")");
    for (std::size_t i = 0; i < 7; ++i)
        merge.refused.push_back({10 + i, "x|" + std::to_string(i)});
    EXPECT_EQ(importLogLine("f.csv", merge),
              "Imported 3 computers from f.csv: 2 already listed, 8 refused (line 7: \"a&b\", line 10: \"x|0\", "
              "line 11: \"x|1\", line 12: \"x|2\", line 13: \"x|3\", ...)");
    EXPECT_EQ(refusedNamesText({{0, std::string(100, 'n') + "&"}}), " (\"" + std::string(64, 'n') + "...\")");
}

TEST(ExportText, WritesOneNamePerLineEachEndedByCrLf)
{
    EXPECT_EQ(exportText({}), "");
    EXPECT_EQ(exportText({"*", "Remote01", ""}), "*\r\nRemote01\r\n\r\n");
    // What is written reads back as the same names.
    // A name holding a column's end is quoted, so that it does not read back cut.
    EXPECT_EQ(exportText({",Pc", "a;b"}), "\",Pc\"\r\n\"a;b\"\r\n");
    std::vector<std::string> names = {"pc1", "PC2", "host.example", ",Pc", "a;b", "tab\there"};
    ComputerFileRead back = readComputerLines(exportText(names), "x");
    ASSERT_EQ(back.lines.names.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(back.lines.names[i].name, names[i]);
}

}  // namespace
}  // namespace talkpost
