// The installation pieces against the platform under Wine: version resources
// of the real executables, file times, LZ expansion of SZDD files (our
// compressor and the real helper), cabinets made with gcab (with names that
// climb out or name devices), expansions killed midway, one-step replacement
// with a locked old file, RunAndWait and the helper's unpacking.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "support/test_support_win.h"
#include "szdd/szdd.h"
#include "update/engine/status_log.h"
#include "update/install/cabinet_win.h"
#include "update/install/checksums.h"
#include "update/install/file_version_win.h"
#include "update/install/install_fetched_win.h"
#include "update/install/install_journal_win.h"
#include "update/install/install_files_win.h"
#include "update/install/install_run_win.h"
#include "update/install/lz_expand_win.h"
#include "win/replace_file_win.h"
#include "update/install/updater_resource_win.h"
#include "win/folders_win.h"

namespace talkpost::update {
namespace {

std::string built(const std::string& name) { return test::binaryDir() + "\\" + name; }
std::string cabinet(const std::string& name) { return built("tests\\update\\install\\cabinets\\" + name); }

TEST(FileVersion, ReadsTheVersionResourceOfTheProgramAndItsNewerBuild)
{
    VersionValue current = fileVersionOf(built("talkpost.exe"));
    VersionValue next = fileVersionOf(built("talkpost_next.exe"));
    ASSERT_FALSE(current.unknown());
    EXPECT_TRUE(versionNewer(next, current)) << versionText(next) << " over " << versionText(current);

    test::TempFolder folder;
    test::writeFile(folder.file("plain.txt"), "abc");
    EXPECT_TRUE(fileVersionOf(folder.file("plain.txt")).unknown());
    EXPECT_TRUE(fileVersionOf(folder.file("missing.exe")).unknown());

    // compareFile on the platform's answers: the newer build's version is newer than the installed file.
    std::string version = versionText(next), local = built("talkpost.exe");
    EXPECT_TRUE(compareFile(version, local, 0, -1, {}, localFileProbe(), [](const std::string&) {}));
    EXPECT_EQ(local, versionText(current));
    std::string sameVersion = versionText(current), again = built("talkpost.exe");
    EXPECT_FALSE(compareFile(sameVersion, again, 0, -1, {}, localFileProbe(), [](const std::string&) {}));
    std::string none, abc = folder.file("plain.txt");
    EXPECT_FALSE(compareFile(none, abc, 0, 1821220161, {}, localFileProbe(), [](const std::string&) {}));
}

TEST(FileTimes, LastWriteTimeIsReadInLocalTime)
{
    test::TempFolder folder;
    std::string path = folder.file("dated.txt");
    test::writeFile(path, "x");
    SYSTEMTIME local{2008, 12, 0, 24, 14, 30, 5, 0};
    FILETIME localFile, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localFile) && LocalFileTimeToFileTime(&localFile, &utc));
    {
        HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        SetFileTime(h, nullptr, nullptr, &utc);
        CloseHandle(h);
    }
    DateTime expected = *encodeDateTime({2008, 12, 24, 14, 30, 5});
    ASSERT_TRUE(lastWriteTimeLocal(path));
    EXPECT_DOUBLE_EQ(*lastWriteTimeLocal(path), expected);
    EXPECT_DOUBLE_EQ(localReferenceDate(path, lastWriteTimeLocal), expected);
    EXPECT_DOUBLE_EQ(localReferenceDate(folder.file("missing"), lastWriteTimeLocal), kEarliestDate);
}

TEST(LzExpansion, TheHelpersCompressedCopyExpandsToTheHelper)
{
    test::TempFolder folder;
    std::string packed = folder.file("updsetup.ex_");
    ASSERT_TRUE(CopyFileA(built("updsetup.ex_").c_str(), packed.c_str(), FALSE));
    auto expanded = expandCompressedFile(packed);
    ASSERT_TRUE(expanded);
    EXPECT_TRUE(sameFileName(*expanded, folder.file("updsetup.exe")));
    EXPECT_FALSE(test::fileExists(packed));
    EXPECT_TRUE(test::readFile(*expanded) == test::readFile(built("updsetup.exe")));
}

TEST(LzExpansion, OurCompressorRoundTripsThroughThePlatformsExpander)
{
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text += "entry " + std::to_string(i % 61) + "\r\n";
    std::string noise;
    unsigned seed = 7;
    for (int i = 0; i < 30000; ++i)
        noise += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {{"empty.txt", ""}, {"one.dat", "a"}, {"text.log", text}, {"noise.bin", noise},
                 {"runs.dll", std::string(9000, '\0') + std::string(9000, ' ')}};
    test::TempFolder folder;
    for (const auto& c : cases) {
        std::string name = c.name;
        std::string packedPath = folder.file(szdd::compressedName(name));
        test::writeFile(packedPath, szdd::compress(c.bytes, name.back()));
        auto expanded = expandCompressedFile(packedPath);
        ASSERT_TRUE(expanded) << name;
        EXPECT_TRUE(sameFileName(*expanded, folder.file(name))) << *expanded;
        EXPECT_TRUE(test::readFile(folder.file(name)) == c.bytes) << name;
        EXPECT_FALSE(test::fileExists(packedPath)) << name;
    }
}

TEST(LzExpansion, ANameThatIsADeviceIsNeverExpandedInto)
{
    test::TempFolder folder;
    // The header's last character turns "nu_" into the device "nul".
    test::writeFile(folder.file("nu_"), szdd::compress("into the device", 'l'));
    EXPECT_FALSE(expandCompressedFile(folder.file("nu_")));
    test::writeFile(folder.file("notes.tx_"), szdd::compress("notes", 't'));
    for (const char* device : {"nul.txt", "AUX", "con .log"})
        EXPECT_FALSE(lzExpandFile(folder.file("notes.tx_"), folder.file(device))) << device;
}

TEST(LzExpansion, AFailedExpansionLeavesTheOldFileAndNoStagedCopy)
{
    test::TempFolder folder;
    test::writeFile(folder.file("notes.tx_"), szdd::compress("new notes", 't'));
    test::writeFile(folder.file("notes.txt"), "old notes");
    // Held open without sharing, as a running program holds its files: it cannot be replaced.
    HANDLE held = CreateFileA(folder.file("notes.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(lzExpandFile(folder.file("notes.tx_"), folder.file("notes.txt")));
    CloseHandle(held);
    EXPECT_EQ(test::readFile(folder.file("notes.txt")), "old notes");
    EXPECT_FALSE(test::fileExists(stagedBeside(folder.file("notes.txt"))));
    // Nor does a missing folder leave anything behind.
    EXPECT_FALSE(lzExpandFile(folder.file("notes.tx_"), folder.file("missing\\notes.txt")));
}

TEST(LzExpansion, AFileThatIsNotCompressedIsLeftAsItIs)
{
    test::TempFolder folder;
    std::string path = folder.file("notes.txt");
    test::writeFile(path, "plain text, no header");
    EXPECT_FALSE(expandCompressedFile(path));
    EXPECT_EQ(test::readFile(path), "plain text, no header");
    EXPECT_FALSE(lzExpandFile(path, folder.file("NOTES.TXT")));  // never onto itself
    EXPECT_EQ(test::readFile(path), "plain text, no header");
}

TEST(Cabinet, ExtractsSubFoldersWithTheirStoredTimesIntoANewFolder)
{
    test::TempFolder folder;
    std::string target = folder.file("app\\data");
    ASSERT_EQ(extractCabinet(cabinet("data.cab"), target), 0);
    EXPECT_EQ(test::readFile(target + "\\readme.txt"), "top level\r\n");
    EXPECT_EQ(test::readFile(target + "\\docs\\guide.txt"), "second level\r\n");
    EXPECT_TRUE(test::readFile(target + "\\docs\\deep\\big.txt") == std::string(70000, 'x'));
    // The stored time is local time; the cabinet was made with the clock in UTC.
    auto stored = lastWriteTimeLocal(target + "\\docs\\guide.txt");
    ASSERT_TRUE(stored);
    CalendarTime t = decodeDateTime(*stored);
    EXPECT_EQ(logTimestamp({t.year, t.month, t.day, t.hour, t.minute, t.second}, ".", ":"), "24.12.2008 14:30:00");
}

TEST(Cabinet, ACabinetWithANameOutsideItsFolderOrADeviceIsRefusedWhole)
{
    struct Case {
        const char* cabinet;
        std::vector<std::string> refused;
        const char* plainEntry;  // written by no pass
    } cases[] = {
        {"climb.cab", {"..\\evil.txt"}, "inside.txt"},
        {"devices.cab", {"NUL", "AUX", "nul.txt"}, "fine.txt"},
    };
    for (const auto& c : cases) {
        test::TempFolder folder;
        std::string target = folder.file("inner");
        std::vector<std::string> refused;
        EXPECT_EQ(extractCabinet(cabinet(c.cabinet), target, [&](const std::string& n) { refused.push_back(n); }), -1)
            << c.cabinet;
        EXPECT_EQ(refused, c.refused) << c.cabinet;
        EXPECT_FALSE(test::fileExists(target + "\\" + c.plainEntry)) << c.cabinet;
        EXPECT_FALSE(test::fileExists(folder.file("evil.txt")));
    }
}

TEST(Cabinet, WithoutAFolderExtractsIntoTheCurrentDirectory)
{
    test::TempFolder folder;
    std::string previous = currentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    int result = extractCabinet(cabinet("data.cab"), "");
    SetCurrentDirectoryA(previous.c_str());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::readFile(folder.file("docs\\guide.txt")), "second level\r\n");
}

TEST(Cabinet, FilesThatAreNoCabinetFail)
{
    test::TempFolder folder;
    test::writeFile(folder.file("fake.cab"), "MSCF but not really a cabinet");
    EXPECT_EQ(extractCabinet(folder.file("fake.cab"), folder.file("out")), -1);
    EXPECT_EQ(extractCabinet(folder.file("missing.cab"), folder.file("out")), -1);
    // A cabinet cut short: nothing half-written is left as if complete, the
    // old copy of the entry it ended in stays, and so does no staged file.
    std::string whole = test::readFile(cabinet("data.cab"));
    test::writeFile(folder.file("short.cab"), whole.substr(0, whole.size() - 40));
    std::string big = folder.file("cut\\docs\\deep\\big.txt");
    ASSERT_TRUE(createFolders(folder.file("cut\\docs\\deep")));
    test::writeFile(big, "old");
    EXPECT_EQ(extractCabinet(folder.file("short.cab"), folder.file("cut")), -1);
    EXPECT_EQ(test::readFile(big), "old");
    EXPECT_FALSE(test::fileExists(stagedBeside(big)));
}

TEST(OneStepReplacement, PutsTheNewFileInPlaceInOneStep)
{
    test::TempFolder folder;
    test::writeFile(folder.file("app.exe"), "old");
    test::writeFile(folder.file("app.exe_NEW"), "new");
    EXPECT_EQ(replaceFile(folder.file("app.exe_NEW"), folder.file("app.exe")), 0u);
    EXPECT_EQ(test::readFile(folder.file("app.exe")), "new");
    EXPECT_FALSE(test::fileExists(folder.file("app.exe_NEW")));
    // A target that does not exist yet is simply created.
    test::writeFile(folder.file("extra.dll_NEW"), "extra");
    EXPECT_EQ(replaceFile(folder.file("extra.dll_NEW"), folder.file("extra.dll")), 0u);
    EXPECT_EQ(test::readFile(folder.file("extra.dll")), "extra");
}

// An old and a new program in a fresh folder; the old one held open by this
// process the way a running program or a virus scanner holds it.
class LockedReplacement : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(folder_.file("app.exe"), "old");
        test::writeFile(folder_.file("app.exe_NEW"), "new");
        held_ = CreateFileA(folder_.file("app.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
        ASSERT_NE(held_, INVALID_HANDLE_VALUE);
    }
    unsigned long replace(const ReplaceRetry& retry = {})
    {
        return replaceFile(folder_.file("app.exe_NEW"), folder_.file("app.exe"), retry);
    }
    test::TempFolder folder_;
    HANDLE held_ = INVALID_HANDLE_VALUE;
};

TEST_F(LockedReplacement, TheOldFileStaysAndTheNewOneStaysBesideIt)
{
    EXPECT_NE(replace({3, 50, {}}), 0u);
    CloseHandle(held_);
    EXPECT_EQ(test::readFile(folder_.file("app.exe")), "old");
    EXPECT_EQ(test::readFile(folder_.file("app.exe_NEW")), "new");
}

TEST_F(LockedReplacement, WaitsWhileTheOldFileIsBrieflyLocked)
{
    // The holder lets go once the first try has found the old file locked.
    std::vector<unsigned long> lockedCodes;
    ReplaceRetry retry;
    retry.locked = [&](unsigned long code) {
        lockedCodes.push_back(code);
        CloseHandle(held_);
    };
    EXPECT_EQ(replace(retry), 0u);
    EXPECT_EQ(lockedCodes.size(), 1u);
    EXPECT_EQ(test::readFile(folder_.file("app.exe")), "new");
}

// A large file expanded by expand_child.exe, which is killed at a random moment
// of each run: the target must hold its old content or the whole new one.
class KilledExpansion : public ::testing::Test {
protected:
    static constexpr int kKills = 20;

    struct Outcome {
        int killedRunning = 0;  // kills that found the child still at work
        int oldAfterKill = 0, newAfterKill = 0;
    };

    // Kills the child kKills times: half of the runs once the staged copy
    // beside target has reached a random size (always inside the writing),
    // the others at a random time within a whole run (which also takes in the
    // start, the move into place and the end); then compares target.
    Outcome killRepeatedly(const std::string& arguments, const std::string& target, const std::string& oldBytes,
                           const std::string& newBytes)
    {
        std::string staged = stagedBeside(target);
        // A first run to its end, from the old content, shows how long a whole run takes here.
        test::writeFile(target, oldBytes);
        auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(runToEnd(arguments), 0u);
        auto whole = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        EXPECT_TRUE(test::readFile(target) == newBytes);

        std::mt19937 random(static_cast<unsigned>(::testing::UnitTest::GetInstance()->random_seed()));
        std::uniform_int_distribution<std::size_t> size(0, newBytes.size());
        std::uniform_int_distribution<long long> time(0, whole.count());
        Outcome outcome;
        for (int run = 0; run < kKills; ++run) {
            test::writeFile(target, oldBytes);
            bool bySize = run % 2 == 0;
            std::size_t threshold = size(random);
            std::chrono::milliseconds moment(time(random));
            PROCESS_INFORMATION child = start(arguments);
            if (!child.hProcess)
                return outcome;
            auto ended = [&] { return WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0; };
            if (bySize)
                test::waitUntil([&] { return ended() || sizeOf(staged) >= threshold; }, std::chrono::seconds(60));
            else
                test::waitUntil(ended, moment);  // the random moment, unless the run ends first
            if (!ended()) {
                TerminateProcess(child.hProcess, 1);
                ++outcome.killedRunning;
            }
            WaitForSingleObject(child.hProcess, INFINITE);
            CloseHandle(child.hProcess);
            CloseHandle(child.hThread);
            std::string now = test::readFile(target);
            bool isOld = now == oldBytes, isNew = now == newBytes;
            EXPECT_TRUE(isOld || isNew) << "run " << run << ", killed at "
                                        << (bySize ? std::to_string(threshold) + " bytes"
                                                   : std::to_string(moment.count()) + " ms")
                                        << ": the target has " << now.size()
                                        << " bytes, neither the old nor the new content";
            outcome.oldAfterKill += isOld;
            outcome.newAfterKill += isNew;
        }
        std::printf("a whole run: %lld ms; %d kills, %d of them while the child was at work: %d times the old "
                    "content, %d times the new\n",
                    static_cast<long long>(whole.count()), kKills, outcome.killedRunning, outcome.oldAfterKill,
                    outcome.newAfterKill);
        // A run to its end after all those kills puts the new content in place and leaves no staged copy.
        EXPECT_EQ(runToEnd(arguments), 0u);
        EXPECT_TRUE(test::readFile(target) == newBytes);
        EXPECT_FALSE(test::fileExists(staged));
        return outcome;
    }

    DWORD runToEnd(const std::string& arguments)
    {
        PROCESS_INFORMATION child = start(arguments);
        DWORD code = 1;
        if (child.hProcess) {
            WaitForSingleObject(child.hProcess, INFINITE);
            GetExitCodeProcess(child.hProcess, &code);
            CloseHandle(child.hProcess);
            CloseHandle(child.hThread);
        }
        return code;
    }

    static std::size_t sizeOf(const std::string& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            return 0;
        return static_cast<std::size_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    }

    PROCESS_INFORMATION start(const std::string& arguments)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION pi{};
        std::string line = "\"" + built("tests\\update\\install\\expand_child.exe") + "\" " + arguments;
        EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &startup, &pi))
            << line;
        return pi;
    }

    test::TempFolder folder_;
    std::string old_ = std::string(1 << 20, 'o') + "the old content\r\n";
};

TEST_F(KilledExpansion, AnSzddFileKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    std::string bigBytes = test::readFile(cabinet("big.bin"));
    ASSERT_GT(bigBytes.size(), 1u << 20);
    std::string packed = folder_.file("big.bi_");
    test::writeFile(packed, szdd::compress(bigBytes, 'n'));
    std::string target = folder_.file("big.bin");
    Outcome outcome = killRepeatedly("szdd \"" + packed + "\" \"" + target + "\"", target, old_, bigBytes);
    EXPECT_GT(outcome.killedRunning, 0) << "no kill came during an expansion";
}

TEST_F(KilledExpansion, ACabinetKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    std::string bigBytes = test::readFile(cabinet("big.bin"));
    std::string target = folder_.file("big.bin");
    Outcome outcome = killRepeatedly("cab \"" + cabinet("big.cab") + "\" \"" + folder_.path() + "\"", target, old_,
                                     bigBytes);
    EXPECT_GT(outcome.killedRunning, 0) << "no kill came during an extraction";
}

TEST(RunAndWait, TellsWhetherTheProgramEndedWithCodeZero)
{
    EXPECT_TRUE(runAndWait("cmd.exe /c exit 0", false));
    SetLastError(0);
    EXPECT_FALSE(runAndWait("cmd.exe /c exit 3", false));
    EXPECT_EQ(GetLastError(), 3u + 8192u);
    EXPECT_FALSE(runAndWait("no-such-program-here.exe", false));
}

TEST(UnpackUpdater, WritesTheHelperFromTheProgramsResource)
{
    HMODULE program = LoadLibraryExA(built("talkpost.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    test::TempFolder folder;
    test::writeFile(folder.file("updsetup.exe"), "an older helper");
    auto helper = unpackUpdater(folder.path() + "\\", program);
    FreeLibrary(program);
    ASSERT_TRUE(helper);
    EXPECT_TRUE(test::readFile(*helper) == test::readFile(built("updsetup.exe")));
    EXPECT_FALSE(test::fileExists(folder.file("updsetup.ex_")));
    EXPECT_FALSE(unpackUpdater(folder.path() + "\\", GetModuleHandleA(nullptr)));  // this test carries none
}

// A download folder and an application folder, and everything the
// installation reports.
class InstallFetched : public ::testing::Test {
protected:
    void SetUp() override
    {
        download_ = folder_.file("download") + "\\";
        app_ = folder_.file("app") + "\\";
        CreateDirectoryA(download_.c_str(), nullptr);
        CreateDirectoryA(app_.c_str(), nullptr);
        report_.status = [this](int n, const std::string& a, std::int32_t) {
            statuses_.push_back(std::to_string(n) + " " + a);
        };
        report_.rawLine = [this](const std::string& line) { raw_.push_back(line); };
        report_.skippedEntry = [this](const std::string& name) { skipped_.push_back(name); };
    }
    Installed install(const std::string& name, const std::string& target, bool compressed = false)
    {
        InstallJournal journal(download_);
        return installFetchedFile({name, target, download_, compressed}, settings_, report_, journal);
    }
    test::TempFolder folder_;
    std::string download_, app_;
    InstallSettings settings_;
    InstallReport report_;
    std::vector<std::string> statuses_, raw_, skipped_;
};

TEST_F(InstallFetched, AComponentStaysInTheDownloadFolder)
{
    settings_.appComponents = "talkpost.exe_NEW";
    test::writeFile(download_ + "talkpost.exe_NEW", "new");
    test::writeFile(app_ + "talkpost.exe", "old");
    EXPECT_EQ(install("talkpost.exe_NEW", app_), Installed::Component);
    EXPECT_EQ(test::readFile(download_ + "talkpost.exe_NEW"), "new");
    EXPECT_EQ(test::readFile(app_ + "talkpost.exe"), "old");
    EXPECT_EQ(statuses_, std::vector<std::string>{"962 talkpost.exe_NEW"});
}

TEST_F(InstallFetched, APlainFileReplacesItsOldCopyOrLeavesBothWhenItCannot)
{
    test::writeFile(download_ + "readme.txt", "new");
    test::writeFile(app_ + "readme.txt", "old");
    EXPECT_EQ(install("readme.txt", app_), Installed::File);
    EXPECT_EQ(test::readFile(app_ + "readme.txt"), "new");
    EXPECT_FALSE(test::fileExists(download_ + "readme.txt"));

    test::writeFile(download_ + "readme.txt", "newer");
    HANDLE held = CreateFileA((app_ + "readme.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    install("readme.txt", app_);
    CloseHandle(held);
    EXPECT_EQ(test::readFile(app_ + "readme.txt"), "new");
    EXPECT_EQ(test::readFile(download_ + "readme.txt"), "newer");
    EXPECT_EQ(raw_, std::vector<std::string>{"Unable to rename file " + download_ + "readme.txt to " + app_ +
                                             "readme.txt"});
}

TEST_F(InstallFetched, CabinetsAreExtractedIntoTheirFolderAndRemoved)
{
    ASSERT_TRUE(CopyFileA(cabinet("data.cab").c_str(), (download_ + "data.cab").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(cabinet("climb.cab").c_str(), (download_ + "climb.cab").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(cabinet("devices.cab").c_str(), (download_ + "devices.cab").c_str(), FALSE));
    test::writeFile(download_ + "broken.cab", "MSCF, but cut short");
    ASSERT_TRUE(createFolders(app_ + "data"));
    install("data.cab", app_ + "data\\", true);
    install("climb.cab", app_ + "inner\\", true);
    install("devices.cab", app_ + "devices\\", true);
    install("broken.cab", app_ + "broken\\", true);
    EXPECT_EQ(test::readFile(app_ + "data\\docs\\guide.txt"), "second level\r\n");
    EXPECT_FALSE(test::fileExists(download_ + "data.cab"));
    // Cabinets with refused names fail as a whole and are kept, like a broken one.
    EXPECT_FALSE(test::fileExists(app_ + "inner\\inside.txt"));
    EXPECT_FALSE(test::fileExists(app_ + "evil.txt"));
    EXPECT_FALSE(test::fileExists(app_ + "devices\\fine.txt"));
    EXPECT_EQ(skipped_, (std::vector<std::string>{"..\\evil.txt", "NUL", "AUX", "nul.txt"}));
    for (const char* kept : {"climb.cab", "devices.cab", "broken.cab"})
        EXPECT_TRUE(test::fileExists(download_ + kept)) << kept;
    EXPECT_EQ(statuses_, (std::vector<std::string>{"947 " + download_ + "climb.cab", "947 " + download_ + "devices.cab",
                                                   "947 " + download_ + "broken.cab"}));

    // Without compressed=1 a cabinet stays as it was fetched.
    ASSERT_TRUE(CopyFileA(cabinet("data.cab").c_str(), (download_ + "plain.cab").c_str(), FALSE));
    install("plain.cab", app_ + "plain\\");
    EXPECT_TRUE(test::fileExists(download_ + "plain.cab"));
    EXPECT_FALSE(test::fileExists(app_ + "plain\\readme.txt"));
}

TEST_F(InstallFetched, OnlyWholeComponentNamesAreLeftForTheHelperAndDeviceNamesInstallNothing)
{
    settings_.appComponents = "talkpost.exe_NEW";
    test::writeFile(download_ + "post.exe", "a program of its own");
    EXPECT_EQ(install("post.exe", app_), Installed::File);
    EXPECT_EQ(test::readFile(app_ + "post.exe"), "a program of its own");

    test::writeFile(download_ + "readme.txt", "text");
    EXPECT_EQ(install("readme.txt", app_ + "con\\"), Installed::Refused);
    EXPECT_EQ(install("nul.txt", app_), Installed::Refused);
    EXPECT_TRUE(test::fileExists(download_ + "readme.txt"));
    EXPECT_EQ(raw_, (std::vector<std::string>{"Refused file name, not installed : " + app_ + "con\\readme.txt",
                                              "Refused file name, not installed : " + app_ + "nul.txt"}));
    EXPECT_TRUE(statuses_.empty());
}

TEST_F(InstallFetched, ACompressedFileWithoutAFolderIsExpandedInTheCurrentDirectory)
{
    test::writeFile(download_ + "notes.tx_", szdd::compress("expanded\r\n", 't'));
    std::string previous = currentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(app_.c_str()));
    install("notes.tx_", "", true);
    SetCurrentDirectoryA(previous.c_str());
    EXPECT_EQ(test::readFile(app_ + "notes.txt"), "expanded\r\n");
    EXPECT_FALSE(test::fileExists(app_ + "notes.tx_"));
    EXPECT_FALSE(test::fileExists(download_ + "notes.tx_"));
}

TEST(InstallJournalOnDisk, AnUpdateKilledMidwayIsUndoneByWhoeverFindsItsJournal)
{
    // An update that replaced a.txt, made docs\\new.txt in a folder it
    // made, and was killed while it wrote b.txt beside its target.
    test::TempFolder root;
    std::string update = root.file("TPUPD-0123") + "\\", app = root.file("app") + "\\";
    ASSERT_TRUE(createFolders(update));
    ASSERT_TRUE(createFolders(app + "docs"));
    test::writeFile(app + "a.txt", "new a");
    test::writeFile(oldCopyBeside(app + "a.txt", "TPUPD-0123"), "old a");
    test::writeFile(app + "docs\\new.txt", "new file");
    test::writeFile(app + "b.txt", "old b");
    test::writeFile(newCopyBeside(app + "b.txt", "TPUPD-0123"), "half of new b");
    test::writeFile(update + kJournalName, journalLine({JournalStep::Replace, app + "a.txt"}) +
                                               journalLine({JournalStep::Folder, app + "docs"}) +
                                               journalLine({JournalStep::Create, app + "docs\\new.txt"}) +
                                               journalLine({JournalStep::Replace, app + "b.txt"}));
    EXPECT_TRUE(finishJournal(update));
    EXPECT_EQ(test::readFile(app + "a.txt"), "old a");
    EXPECT_EQ(test::readFile(app + "b.txt"), "old b");
    EXPECT_FALSE(test::fileExists(app + "docs"));
    EXPECT_FALSE(test::fileExists(newCopyBeside(app + "b.txt", "TPUPD-0123")));
    EXPECT_FALSE(test::fileExists(oldCopyBeside(app + "a.txt", "TPUPD-0123")));
    EXPECT_FALSE(test::fileExists(update + kJournalName));
    // Found again, nothing is undone a second time.
    ASSERT_TRUE(createFolders(app + "docs"));
    test::writeFile(app + "docs\\new.txt", "made later by the user");
    EXPECT_TRUE(finishJournal(update));
    EXPECT_EQ(test::readFile(app + "docs\\new.txt"), "made later by the user");
}

}  // namespace
}  // namespace talkpost::update
