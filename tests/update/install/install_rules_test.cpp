// Checksums of small files with known sums, the rules for names from outside
// (devices, letter case, cabinet entries, component lists), the restart's
// helper command line and the installation plan of a fetched file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

#include "update/install/cabinet_names.h"
#include "update/install/checksums.h"
#include "update/install/file_names.h"
#include "update/install/install_plan.h"
#include "update/install/install_restart.h"

namespace talkpost::update {
namespace {

class ChecksumFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tp_checksums_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                   std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string file(const std::string& name, const std::string& bytes)
    {
        std::string path = (folder_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path folder_;
};

TEST_F(ChecksumFiles, KnownSumsOfSmallFiles)
{
    std::string block(4096, '\xFF');
    struct Case {
        const char* label;
        std::string bytes;
        std::int32_t sum;
        std::optional<std::int32_t> checksum;  // one-pass agreement is checked separately
    } cases[] = {
        {"empty", "", -1, 0},
        {"a", "a", 96, -390611388},
        {"abc", "abc", 293, 1821220161},
        // Crossing the 4,096-byte blocks: 4097 bytes of 0xFF then "a".
        {"two blocks", block + "\xFF" "a", static_cast<std::int32_t>(4097u * 255u + 97u - 1u), std::nullopt},
    };
    for (const auto& c : cases) {
        std::string path = file(c.label, c.bytes);
        EXPECT_EQ(byteSum(path), c.sum) << c.label;
        EXPECT_EQ(fileSize(path), static_cast<std::int32_t>(c.bytes.size())) << c.label;
        if (c.checksum) {
            EXPECT_EQ(fileChecksum(path), *c.checksum) << c.label;
        }
    }
}

TEST_F(ChecksumFiles, BlockReadingAgreesWithOnePass)
{
    std::string bytes;
    for (int i = 0; i < 10000; ++i)
        bytes += static_cast<char>(i * 7 + i / 13);
    UpdateChecksum whole;
    whole.add(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    EXPECT_EQ(fileChecksum(file("long", bytes)), whole.value());
}

TEST_F(ChecksumFiles, FileThatCannotBeOpenedHasTheDocumentedValues)
{
    std::string missing = (folder_ / "missing.bin").string();
    EXPECT_EQ(byteSum(missing), -1);
    EXPECT_EQ(fileChecksum(missing), 0);
    EXPECT_EQ(fileSize(missing), -1);
}

TEST(CabinetNames, OnlyNamesInsideTheDestinationAreWritten)
{
    struct Case {
        const char* stored;
        const char* written;  // nullptr: skipped
    } cases[] = {
        {"readme.txt", "readme.txt"},
        {"data\\sub\\file.bin", "data\\sub\\file.bin"},
        {"data/sub/file.bin", "data\\sub\\file.bin"},
        {"a..b\\c", "a..b\\c"},
        {"..\\evil.txt", nullptr},
        {"data\\..\\..\\evil.txt", nullptr},
        {"data/../evil.txt", nullptr},
        {"..", nullptr},
        {".. \\evil.txt", nullptr},
        {"...\\evil.txt", nullptr},
        {"\\windows\\evil.dll", nullptr},
        {"/etc/evil", nullptr},
        {"\\\\server\\share\\evil", nullptr},
        {"C:\\evil.txt", nullptr},
        {"C:evil.txt", nullptr},
        {"file.txt:stream", nullptr},
        {"data\\\\file", nullptr},
        {"data\\", nullptr},
        {"NUL", nullptr},
        {"aux", nullptr},
        {"nul.txt", nullptr},
        {"data\\con\\file.txt", nullptr},
        {"com1.log", nullptr},
        {"conman.txt", "conman.txt"},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        auto path = safeCabinetEntryPath(c.stored);
        if (c.written) {
            ASSERT_TRUE(path.has_value()) << c.stored;
            EXPECT_EQ(*path, c.written);
        } else {
            EXPECT_FALSE(path.has_value()) << c.stored;
        }
    }
}

TEST(FileNames, DeviceNamesInEveryFormThePlatformAccepts)
{
    struct Case {
        const char* part;
        bool device;
    } cases[] = {
        {"NUL", true},       {"nul", true},         {"Aux", true},         {"CON", true},
        {"PRN", true},       {"COM1", true},        {"com9", true},        {"LPT1", true},
        {"lpt9", true},      {"COM0", true},        {"COM\xB9", true},    {"lpt\xB2", true},
        {"CONIN$", true},    {"conout$", true},     {"nul.txt", true},     {"AUX.tar.gz", true},
        {"nul.", true},      {"nul ", true},        {"nul. .", true},      {"nul .txt", true},
        {"NUL:stream", true},
        {"null", false},     {"nul_", false},       {"COM10", false},      {"LPT", false},
        {"COMA", false},     {"connect.txt", false}, {"xnul", false},      {" nul", false},
        {"", false},         {"my nul.txt", false}, {"readme.txt", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isDeviceName(c.part), c.device) << c.part;
}

TEST(FileNames, PlainFileNamesAndPathsFreeOfDevices)
{
    // Components the helper installs and names a download is saved under.
    for (const char* name : {"talkpost.exe_NEW", "a..b.dll", ".hidden", "null.txt", "data.cab", "setup.exe?x=1"})
        EXPECT_TRUE(isPlainFileName(name)) << name;
    for (const char* name : {"", ".", "..", "...", " . ", "sub\\x.dll", "sub/x.dll", "..\\talkpost.exe_NEW", "C:x.exe",
                             "C:\\Windows\\x.exe_NEW", "x.txt:stream", "nul.txt", "AUX", "aux.inf", "con.cab",
                             "nul.tx_", "com1 .", "LPT1 .", "CONOUT$"})
        EXPECT_FALSE(isPlainFileName(name)) << name;

    EXPECT_EQ(withBackslash("C:\\App"), "C:\\App\\");
    EXPECT_EQ(withBackslash("C:\\App\\"), "C:\\App\\");
    EXPECT_EQ(withBackslash(""), "");

    for (const char* path : {"C:\\Program Files\\Talkpost\\", "C:\\Talkpost\\data", "", "data\\sub",
                             "\\\\server\\share\\x", "C:\\null\\x"})
        EXPECT_TRUE(pathFreeOfDevices(path)) << path;
    for (const char* path : {"C:\\Talkpost\\nul\\", "C:\\Talkpost\\aux.txt", "con", "data/lpt1/x",
                             "\\\\.\\C:\\x", "\\\\?\\C:\\x", "//./pipe/x", "C:\\App\\NUL "})
        EXPECT_FALSE(pathFreeOfDevices(path)) << path;
}

TEST(FileNames, LetterCaseAsThePlatformComparesFileNames)
{
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"talkpost.exe", "TALKPOST.EXE", true},
        {"\xE4nderung.txt", "\xC4NDERUNG.TXT", true},  // a-umlaut in Windows-1252
        {"\x9Akoda", "\x8Akoda", true},                 // s-caron
        {"\xFF", "\x9F", true},                         // y-diaeresis
        {"\xF7", "\xD7", false},                        // division and multiplication signs
        {"\xDF", "SS", false},                           // sharp s has no capital of one letter
        {"post.exe", "talkpost.exe", false},
        {"a", "a ", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sameFileName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(Restart, IsDueOnlyForACompleteUpdateWithAComponent)
{
    EXPECT_TRUE(restartRequired(true, false, true));
    EXPECT_FALSE(restartRequired(false, false, true));
    EXPECT_FALSE(restartRequired(true, true, true));
    EXPECT_FALSE(restartRequired(true, false, false));
}

TEST(Restart, HelperCommandLineQuotesPartsWithBlanks)
{
    struct Case {
        HelperLaunch launch;
        std::string line;
    } cases[] = {
        {{1234, true, "C:\\Talkpost", "talkpost.exe", "C:\\Temp\\", "talkpost.exe_NEW"},
         "1234 L C:\\Talkpost\\talkpost.exe C:\\Temp\\ talkpost.exe_NEW"},
        {{1234, false, "C:\\Program Files\\Talkpost\\", "talkpost.exe", "C:\\Temp\\", "a.exe_NEW b.dll_NEW"},
         "1234 X \"C:\\Program Files\\Talkpost\\talkpost.exe\" C:\\Temp\\ a.exe_NEW b.dll_NEW"},
        {{7, true, "C:\\", "talkpost.exe", "C:\\Users\\A B\\Temp\\", "talkpost.exe_NEW"},
         "7 L C:\\talkpost.exe \"C:\\Users\\A B\\Temp\\\" talkpost.exe_NEW"},
        // The list's value goes before the components.
    };
    for (const auto& c : cases)
        EXPECT_EQ(helperCommandLine(c.launch), c.line);
    // The list's value goes before the components.
    EXPECT_EQ(helperCommandLine(cases[0].launch, std::string(64, 'a')),
              "1234 L C:\\Talkpost\\talkpost.exe C:\\Temp\\ sha256=" + std::string(64, 'a') + " talkpost.exe_NEW");
}

TEST(InstallPlan, ComponentsStayOtherFilesAreMovedExpandedOrExtracted)
{
    const std::string temp = "C:\\Temp\\", app = "C:\\App\\";
    InstallSettings settings;
    settings.appComponents = "talkpost.exe_NEW help.dll";
    struct Case {
        const char* label;
        FetchedFile file;
        bool component, move, lz, cabinet;
    } cases[] = {
        {"component", {"talkpost.exe_NEW", app, temp, false}, true, false, false, false},
        {"component, any case", {"TALKPOST.EXE_new", app, temp, false}, true, false, false, false},
        {"second component", {"HELP.DLL", app, temp, false}, true, false, false, false},
        {"part of a component name", {"help.d", app, temp, false}, false, true, false, false},
        {"end of a component name", {"post.exe", app, temp, false}, false, true, false, false},
        {"tail of a component name", {"NEW", app, temp, false}, false, true, false, false},
        {"plain file", {"readme.txt", app, temp, false}, false, true, false, false},
        {"plain file without a folder", {"readme.txt", "", temp, false}, false, false, false, false},
        {"plain file already in place", {"readme.txt", temp, temp, false}, false, false, false, false},
        {"compressed, no folder", {"notes.tx_", "", temp, true}, false, false, true, false},
        {"compressed with a folder is only moved", {"notes.tx_", app, temp, true}, false, true, false, false},
        {"cabinet", {"data.cab", app + "data\\", temp, true}, false, false, false, true},
        {"cabinet not marked compressed", {"data.cab", app, temp, false}, false, false, false, false},
        {"patch file stays where it was fetched", {"tp.pat", app, temp, false}, false, false, false, false},
    };
    for (const auto& c : cases) {
        InstallPlan plan = planInstall(c.file, settings);
        EXPECT_FALSE(plan.refused) << c.label;
        EXPECT_EQ(plan.component, c.component) << c.label;
        EXPECT_EQ(plan.moveToTarget, c.move) << c.label;
        EXPECT_EQ(plan.lzExpand, c.lz) << c.label;
        EXPECT_EQ(plan.extractCabinet, c.cabinet) << c.label;
    }
    // A component list split as the helper's command line is: quotes keep a blank inside a name.
    InstallSettings quoted;
    quoted.appComponents = "\"my tool.exe_NEW\"\ta.dll";
    EXPECT_TRUE(planInstall({"my tool.exe_NEW", app, temp, false}, quoted).component);
    EXPECT_TRUE(planInstall({"a.dll", app, temp, false}, quoted).component);
    EXPECT_FALSE(planInstall({"tool.exe_NEW", app, temp, false}, quoted).component);

    // Device names, as the file's name or in its folder, install nothing.
    for (const FetchedFile& file : {FetchedFile{"nul.txt", app, temp, false}, FetchedFile{"AUX", "", temp, false},
                                    FetchedFile{"data.cab", app + "con\\", temp, true},
                                    FetchedFile{"talkpost.exe_NEW", app + "lpt1.x\\", temp, false}}) {
        InstallPlan plan = planInstall(file, settings);
        EXPECT_TRUE(plan.refused) << file.targetDir << file.name;
        EXPECT_TRUE(refusedInstallName(file.name, file.targetDir)) << file.targetDir << file.name;
        EXPECT_FALSE(plan.component || plan.moveToTarget || plan.lzExpand || plan.extractCabinet);
    }
    EXPECT_FALSE(refusedInstallName("readme.txt", app + "null\\"));

    InstallSettings noExtraction;
    noExtraction.extractCab = false;
    EXPECT_FALSE(planInstall({"data.cab", app, temp, true}, noExtraction).extractCabinet);
}

}  // namespace
}  // namespace talkpost::update
