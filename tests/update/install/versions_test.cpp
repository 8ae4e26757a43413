// Version values: reading control-file text, writing, and the comparison of a
// published file with the local one in both version-check modes.
#include <gtest/gtest.h>

#include <map>

#include "update/install/versions.h"

namespace talkpost::update {
namespace {

constexpr std::uint32_t U = VersionValue::kUnknownHalf;

TEST(ParseVersion, ReadsEveryFormOfVersionText)
{
    struct Case {
        const char* text;
        std::uint32_t high, low;
    } cases[] = {
        {"2.0.1.2", 0x00020000, 0x00010002},
        {"2,0,1,2", 0x00020000, 0x00010002},
        {"3", 0x00030000, 0},
        {" -1", 0xFFFF0000, 0},
        {"1,2", 0x00010002, 0},
        {"1.2.3", 0x00010002, 0x00030000},
        {"1.2.3.4.5", 0x00010002, U},
        {"2.0.1.2.1", 0x00020000, U},
        {"", U, U},
        {"abc", U, U},
        {"1.x", 0x00010000, 0},              // the rest counts by its leading digits
        {"x.2.3", 0x00000002, 0},            // part 1 does not read: high from part 1 and the whole rest
        {"1.2x.3", 0x00010002, 0x00030000},  // part 2 does not read: low from the rest
        {"1.2.3.x", 0x00010002, U},          // part 4 does not read
        {"65537.1.0.70000", 0x00010001, 0x00001170},  // each number cut to 16 bits
        {"1,2.5,3", 0x00010002, 0x00030000},  // "," separates; part 2 "2.5" counts as 2 and does not read
    };
    for (const auto& c : cases) {
        VersionValue v = parseVersion(c.text);
        EXPECT_EQ(v.high, c.high) << c.text;
        EXPECT_EQ(v.low, c.low) << c.text;
    }
}

TEST(VersionText, WritesFourNumbersAndUnknownAsAllBitsSet)
{
    EXPECT_EQ(versionText(makeVersion(2, 0, 1, 3)), "2.0.1.3");
    EXPECT_EQ(versionText(VersionValue{}), "65535.65535.65535.65535");
}

// A local world of files for compareFile, with the values of a missing file.
struct FakeFiles {
    struct File {
        std::int32_t checksum = 0, sum = -1, size = -1;
        VersionValue version;
    };
    std::map<std::string, File> files;
    LocalFileProbe probe()
    {
        auto find = [this](const std::string& p) { return files.count(p) ? files[p] : File{}; };
        return {[this](const std::string& p) { return files.count(p) > 0; },
                [find](const std::string& p) { return find(p).checksum; },
                [find](const std::string& p) { return find(p).sum; },
                [find](const std::string& p) { return find(p).size; },
                [find](const std::string& p) { return find(p).version; }};
    }
};

TEST(CompareFile, DecidesByChecksumThenSizeThenVersionInBothModes)
{
    FakeFiles world;
    world.files["C:\\app\\talkpost.exe"] = {1821220161, 293, 1000, makeVersion(2, 0, 1, 2)};
    world.files["C:\\app\\plain.dat"] = {5, 5, 1000, VersionValue{}};
    const std::string app = "C:\\app\\talkpost.exe", plain = "C:\\app\\plain.dat", missing = "C:\\app\\none.dll";
    struct Case {
        const char* label;
        std::string version, file;
        std::int32_t size, checksum;
        bool updateOnly, always;
    } cases[] = {
        {"no criterion", "", app, 0, -1, true, true},
        {"no local file named", "9.0", "", 0, -1, true, true},
        {"newer version", "2.0.1.3", app, 0, -1, true, true},
        {"newer version with commas", "2,0,1,3", app, 0, -1, true, true},
        {"same version", "2.0.1.2", app, 0, -1, false, false},
        {"older version", "2.0.1.1", app, 0, -1, false, false},
        {"unknown new version", "2.0.1.2.1", app, 0, -1, false, false},
        {"no version resource, low version", "1.0", plain, 0, -1, false, true},
        {"no version resource, version 32768", "32768.0", plain, 0, -1, false, false},
        {"missing file, version", "1.0", missing, 0, -1, false, true},
        {"same size", "", app, 1000, -1, false, false},
        {"other size", "", app, 999, -1, true, true},
        {"missing file, size", "", missing, 1000, -1, false, true},
        {"checksum equal", "", app, 0, 1821220161, false, false},
        {"checksum differs", "", app, 0, 5, true, true},
        {"missing file, checksum", "", missing, 0, 5, true, true},
        {"checksum preferred to size and version", "1.0", app, 999, 1821220161, false, false},
        {"size preferred to version", "9.0", app, 1000, -1, false, false},
    };
    for (const auto& c : cases) {
        for (auto mode : {VersionCheck::UpdateOnly, VersionCheck::Always}) {
            std::string version = c.version, file = c.file;
            bool expected = mode == VersionCheck::UpdateOnly ? c.updateOnly : c.always;
            EXPECT_EQ(compareFile(version, file, c.size, c.checksum, {mode, true}, world.probe(),
                                  [](const std::string&) {}),
                      expected)
                << c.label << (mode == VersionCheck::Always ? " (always)" : " (update only)");
        }
    }
}

TEST(CompareFile, ReportsTheComparedValuesAndLeavesTheVersionsInTheTexts)
{
    FakeFiles world;
    world.files["C:\\app\\talkpost.exe"] = {1821220161, 293, 3, makeVersion(2, 0, 1, 2)};
    std::vector<std::string> lines;
    auto record = [&](const std::string& line) { lines.push_back(line); };

    std::string version = "2,0,1,3", file = "C:\\app\\talkpost.exe";
    EXPECT_TRUE(compareFile(version, file, 0, -1, {}, world.probe(), record));
    EXPECT_EQ(version, "2.0.1.3");
    EXPECT_EQ(file, "2.0.1.2");

    version = "", file = "C:\\app\\talkpost.exe";
    EXPECT_TRUE(compareFile(version, file, 0, 77, {VersionCheck::UpdateOnly, false}, world.probe(), record));
    EXPECT_EQ(file, "C:\\app\\talkpost.exe");  // only a version comparison replaces the texts

    version = "2.0.1.2.1", file = "C:\\app\\talkpost.exe";
    EXPECT_FALSE(compareFile(version, file, 0, -1, {}, world.probe(), record));
    EXPECT_EQ(version, "2.0.1.2.1");

    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Version compare of C:\\app\\talkpost.exe:2.0.1.2 with 2,0,1,3:2.0.1.3");
    EXPECT_EQ(lines[1], "Checksum compare of C:\\app\\talkpost.exe:293:77");  // byte sum without CRC
    EXPECT_EQ(lines[2], "Version compare of C:\\app\\talkpost.exe:2.0.1.2 with 2.0.1.2.1:2.0.65535.65535");
}

}  // namespace
}  // namespace talkpost::update
