// The real updater helper under Wine, unpacked from talkpost.exe's resource:
// it waits for a real Talkpost to end, replaces talkpost.exe in a folder with
// a blank in its name by the newer build and starts it again; with the old
// file held open it keeps the old file and logs the failure. Its component
// cases: cabinets with entries that climb out or name devices, an LZ file, a
// program, and list files read from the download folder, once each.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_support_win.h"
#include "szdd/szdd.h"
#include "update/engine/status_log_win.h"
#include "update/install/file_version_win.h"
#include "update/install/helper_list.h"
#include "update/install/sha256_win.h"
#include "update/install/install_files_win.h"
#include "update/install/install_restart.h"
#include "update/install/updater_resource_win.h"
#include "update/engine/update_folder_win.h"
#include "win/file_bytes_win.h"
#include "win/text_win.h"

namespace talkpost::updater {
namespace {

using update::VersionValue;

std::string built(const std::string& name) { return test::binaryDir() + "\\" + name; }

HWND mainWindowOf(DWORD pid) { return test::findProcessWindow(pid, "TalkpostMainWindow"); }

std::string imagePathOf(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    bool ok = process && QueryFullProcessImageNameA(process, 0, path, &size);
    if (process)
        CloseHandle(process);
    return ok ? path : "";
}

void endProcess(DWORD pid)
{
    if (HWND window = mainWindowOf(pid))
        PostMessageA(window, WM_CLOSE, 0, 0);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!process)
        return;
    if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process, 1);
    CloseHandle(process);
}

PROCESS_INFORMATION start(const std::string& commandLine, const std::string& folder)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    EXPECT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &pi))
        << commandLine;
    return pi;
}

bool waitForEnd(const PROCESS_INFORMATION& pi, DWORD limitMs = 60000)
{
    bool ended = WaitForSingleObject(pi.hProcess, limitMs) == WAIT_OBJECT_0;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return ended;
}

// The lines the update log gains from the moment this is made.
class LogTail {
public:
    LogTail() : path_(update::documentsFolder() + "\\UPDATE.LOG"), start_(test::readFile(path_).size()) {}
    std::string added() const
    {
        std::string all = test::readFile(path_);
        return all.size() > start_ ? all.substr(start_) : "";
    }

private:
    std::string path_;
    std::size_t start_;
};

class Helper : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", settings_.path().c_str());
        app_ = root_.file("Talk Post");
        download_ = root_.file("download");
        CreateDirectoryA(app_.c_str(), nullptr);
        CreateDirectoryA(download_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(built("talkpost.exe").c_str(), (app_ + "\\talkpost.exe").c_str(), FALSE));
        HMODULE program = LoadLibraryExA((app_ + "\\talkpost.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program, nullptr);
        auto helper = update::unpackUpdater(root_.path() + "\\", program);
        FreeLibrary(program);
        ASSERT_TRUE(helper);
        helper_ = *helper;
        oldVersion_ = update::fileVersionOf(built("talkpost.exe"));
        newVersion_ = update::fileVersionOf(built("talkpost_next.exe"));
    }
    void TearDown() override
    {
        for (DWORD pid : test::processesIn(app_))
            endProcess(pid);
        SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", nullptr);
    }

    // Talkpost started from its folder, its main window shown.
    PROCESS_INFORMATION startTalkpost()
    {
        PROCESS_INFORMATION pi = start("\"" + app_ + "\\talkpost.exe\"", app_);
        EXPECT_TRUE(test::waitUntil([&] { return mainWindowOf(pi.dwProcessId) != nullptr; }, std::chrono::seconds(30)))
            << "Talkpost's main window did not appear";
        return pi;
    }

    // The list of checked files as the restart writes it: every file of the
    // download folder with its value now. Its own value goes on the command line.
    std::string writeList()
    {
        update::HelperList list{7, "1.0.0.2", {}};
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((download_ + "\\*").c_str(), &found);
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::string(found.cFileName) != update::kHelperListName)
                list.files.push_back({found.cFileName, *update::sha256HexOf(test::readFile(download_ + "\\" + found.cFileName))});
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return *update::writeHelperList(download_ + "\\", update::composeHelperList(list));
    }

    // The helper started as the restart starts it: from the application's folder.
    PROCESS_INFORMATION startHelper(DWORD pid, const std::string& restart, const std::string& components)
    {
        std::string value = writeList();
        std::string line = update::helperCommandLine({pid, true, app_, restart, download_ + "\\", components}, value);
        if (restart == "null")
            line = std::to_string(pid) + " L null " + update::quotedWhenBlank(download_ + "\\") + " sha256=" + value +
                   " " + components;
        return start("\"" + helper_ + "\" " + line, app_);
    }

    // Processes of the application's folder other than the one given, once one is there.
    std::vector<DWORD> waitForRestart(DWORD previous)
    {
        std::vector<DWORD> others;
        test::waitUntil(
            [&] {
                others.clear();
                for (DWORD pid : test::processesIn(app_))
                    if (pid != previous && mainWindowOf(pid))
                        others.push_back(pid);
                return !others.empty();
            },
            std::chrono::seconds(30));
        return others;
    }

    test::TempFolder root_;
    test::TempFolder settings_;
    std::string app_, download_, helper_;
    VersionValue oldVersion_, newVersion_;
};

TEST_F(Helper, WaitsForTheProgramReplacesItAndStartsTheNewVersion)
{
    ASSERT_TRUE(CopyFileA(built("talkpost_next.exe").c_str(), (download_ + "\\talkpost.exe_NEW").c_str(), FALSE));
    LogTail log;
    PROCESS_INFORMATION talkpost = startTalkpost();
    PROCESS_INFORMATION helper = startHelper(talkpost.dwProcessId, "talkpost.exe", "talkpost.exe_NEW");

    // While Talkpost runs the helper only waits.
    EXPECT_EQ(WaitForSingleObject(helper.hProcess, 1500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(update::fileVersionOf(app_ + "\\talkpost.exe"), oldVersion_);

    PostMessageA(mainWindowOf(talkpost.dwProcessId), WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitForEnd(talkpost, 30000));
    ASSERT_TRUE(waitForEnd(helper));

    EXPECT_EQ(update::fileVersionOf(app_ + "\\talkpost.exe"), newVersion_);
    EXPECT_FALSE(test::fileExists(download_ + "\\talkpost.exe_NEW"));
    std::vector<DWORD> restarted = waitForRestart(talkpost.dwProcessId);
    ASSERT_EQ(restarted.size(), 1u) << "the new Talkpost did not start";
    EXPECT_EQ(update::fileVersionOf(imagePathOf(restarted[0])), newVersion_);

    std::string lines = log.added();
    EXPECT_NE(lines.find(" : [000] Upd cur dir : " + app_ + "\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(" : [000] Upd restart " + app_ + "\\talkpost.exe\r\n"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("Upd io error"), std::string::npos) << lines;
}

TEST_F(Helper, AnOldProgramHeldOpenStaysAndTheFailureIsLogged)
{
    ASSERT_TRUE(CopyFileA(built("talkpost_next.exe").c_str(), (download_ + "\\talkpost.exe_NEW").c_str(), FALSE));
    LogTail log;
    PROCESS_INFORMATION talkpost = startTalkpost();
    PROCESS_INFORMATION helper = startHelper(talkpost.dwProcessId, "talkpost.exe", "talkpost.exe_NEW");
    // Another process (this one) holds the program open, as a scanner would.
    HANDLE held = CreateFileA((app_ + "\\talkpost.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    PostMessageA(mainWindowOf(talkpost.dwProcessId), WM_CLOSE, 0, 0);
    ASSERT_TRUE(waitForEnd(talkpost, 30000));
    bool helperEnded = waitForEnd(helper);
    CloseHandle(held);
    ASSERT_TRUE(helperEnded);

    EXPECT_TRUE(test::readFile(app_ + "\\talkpost.exe") == test::readFile(built("talkpost.exe")));
    EXPECT_TRUE(test::readFile(download_ + "\\talkpost.exe_NEW") == test::readFile(built("talkpost_next.exe")));
    std::string lines = log.added();
    EXPECT_NE(lines.find(" in rename file:" + app_ + "\\talkpost.exe\r\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(" : [000] Upd io error "), std::string::npos) << lines;
}

TEST_F(Helper, ComponentCasesWriteNothingOutsideTheirFolder)
{
    // Cabinets with an entry that climbs out or entries named as devices, a
    // good cabinet, a compressed file and a program of ours.
    std::string cabinets = built("tests\\update\\install\\cabinets\\");
    for (const char* name : {"climb.cab", "devices.cab", "data.cab"})
        ASSERT_TRUE(CopyFileA((cabinets + name).c_str(), (download_ + "\\" + name).c_str(), FALSE)) << name;
    test::writeFile(download_ + "\\notes.tx_", szdd::compress("expanded notes\r\n", 't'));
    ASSERT_TRUE(CopyFileA(built("standins\\msg.exe").c_str(), (download_ + "\\setup.exe").c_str(), FALSE));
    test::StandinLog programs;
    LogTail log;

    // A process that has already ended: the helper goes on at once.
    PROCESS_INFORMATION ended = start("cmd.exe /c exit 0", root_.path());
    DWORD pid = ended.dwProcessId;
    ASSERT_TRUE(waitForEnd(ended));
    ASSERT_TRUE(waitForEnd(startHelper(pid, "null", "climb.cab devices.cab data.cab notes.tx_ nul.tx_ setup.exe")));

    EXPECT_FALSE(test::fileExists(app_ + "\\inside.txt"));
    EXPECT_FALSE(test::fileExists(app_ + "\\fine.txt"));
    EXPECT_FALSE(test::fileExists(root_.file("evil.txt")));
    EXPECT_TRUE(test::fileExists(download_ + "\\climb.cab"));
    EXPECT_EQ(test::readFile(app_ + "\\docs\\guide.txt"), "second level\r\n");
    EXPECT_FALSE(test::fileExists(download_ + "\\data.cab"));
    EXPECT_EQ(test::readFile(app_ + "\\notes.txt"), "expanded notes\r\n");
    ASSERT_EQ(programs.runs().size(), 1u);
    EXPECT_EQ(programs.runs()[0].program, "setup.exe");
    EXPECT_FALSE(test::fileExists(download_ + "\\setup.exe"));

    std::string lines = log.added();
    for (const char* entry : {"..\\evil.txt", "NUL", "AUX", "nul.txt"})
        EXPECT_NE(lines.find("Upd cab entry refused, outside the target folder or a device: " + std::string(entry) +
                             "\r\n"),
                  std::string::npos)
            << entry << "\n"
            << lines;
    EXPECT_NE(lines.find("Upd cabextract failed"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Upd lzexpand dest. filename "), std::string::npos) << lines;
    EXPECT_NE(lines.find("Upd component skipped, not a file of the download folder: nul.tx_"), std::string::npos)
        << lines;
    EXPECT_NE(lines.find("Upd execute setup.exe " + app_ + "\\"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("Upd restart"), std::string::npos) << lines;  // "null": nothing started
}

TEST_F(Helper, ListFilesComeFromTheDownloadFolderAndAreReadOnce)
{
    // The list the update delivered: a compressed file for a new folder, one
    // outside the download folder, a device as a target, and itself, twice.
    test::writeFile(download_ + "\\list.inf", "[FILES]\r\nCOUNT=5\r\nFILE1=guide.tx_\r\nTARGET1={APP}\\manual\r\n"
                                              "FILE2=..\\outside.tx_\r\nTARGET2={APP}\r\n"
                                              "FILE3=guide.tx_\r\nTARGET3={APP}\\nul\r\n"
                                              "FILE4=list.inf\r\nFILE5=LIST.INF\r\n");
    test::writeFile(download_ + "\\guide.tx_", szdd::compress("the guide\r\n", 't'));
    test::writeFile(root_.file("outside.tx_"), szdd::compress("not a component\r\n", 't'));
    // A stale list of the same name in the program's folder, naming a file that is there too.
    test::writeFile(app_ + "\\list.inf", "[FILES]\r\nCOUNT=1\r\nFILE1=stale.tx_\r\nTARGET1={APP}\\stale\r\n");
    test::writeFile(download_ + "\\stale.tx_", szdd::compress("stale\r\n", 't'));
    LogTail log;

    PROCESS_INFORMATION ended = start("cmd.exe /c exit 0", root_.path());
    DWORD pid = ended.dwProcessId;
    ASSERT_TRUE(waitForEnd(ended));
    ASSERT_TRUE(waitForEnd(startHelper(pid, "null", "list.inf")));

    EXPECT_EQ(test::readFile(app_ + "\\manual\\guide.txt"), "the guide\r\n");
    EXPECT_FALSE(test::fileExists(root_.file("outside.txt")));
    EXPECT_FALSE(test::fileExists(app_ + "\\outside.txt"));
    EXPECT_FALSE(test::fileExists(app_ + "\\stale\\stale.txt"));
    EXPECT_FALSE(test::fileExists(download_ + "\\stale.txt"));

    std::string lines = log.added();
    EXPECT_NE(lines.find("upd inf: guide.tx_ {APP}\\manual"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("stale.tx_"), std::string::npos) << lines;
    EXPECT_NE(lines.find("Upd component skipped, not a file of the download folder: ..\\outside.tx_"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("Upd inf target skipped, a device name: {APP}\\nul"), std::string::npos) << lines;
    std::size_t again = 0;
    for (std::size_t at = lines.find("Upd inf file already read, skipped: "); at != std::string::npos;
         at = lines.find("Upd inf file already read, skipped: ", at + 1))
        ++again;
    EXPECT_EQ(again, 2u) << lines;
}

TEST_F(Helper, TheRestartSpawnsTheHelperFromTheUpdatesFolderAndEndsOnlyOnceItHoldsIt)
{
    // The application is a program of ours that records its start.
    ASSERT_TRUE(CopyFileA(built("standins\\msg.exe").c_str(), (app_ + "\\app.exe").c_str(), FALSE));
    test::StandinLog programs;
    PROCESS_INFORMATION ended = start("cmd.exe /c exit 0", root_.path());
    DWORD pid = ended.dwProcessId;
    ASSERT_TRUE(waitForEnd(ended));
    HMODULE program = LoadLibraryExA(built("talkpost.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    std::string value = writeList();
    update::UpdaterSpawn spawn =
        update::spawnUpdater({pid, true, app_, "app.exe", download_ + "\\", ""}, value, program);
    FreeLibrary(program);
    // Started from the update's own folder, and it said so before the spawn returned.
    EXPECT_TRUE(spawn.started);
    EXPECT_EQ(spawn.helperPath, download_ + "\\updsetup.exe");
    EXPECT_EQ(spawn.commandLine,
              std::to_string(pid) + " L \"" + app_ + "\\app.exe\" " + download_ + "\\ sha256=" + value + " ");
    auto runs = programs.waitFor(1);
    ASSERT_GE(runs.size(), 1u);
    EXPECT_EQ(runs[0].program, "app.exe");
}

TEST_F(Helper, ASpawnWhoseHelperCannotBeWrittenDoesNotCountAsStarted)
{
    // This test program carries no helper: nothing is written, nothing started.
    update::UpdaterSpawn spawn = update::spawnUpdater(
        {GetCurrentProcessId(), true, app_, "app.exe", download_ + "\\", ""}, std::string(64, '0'),
        GetModuleHandleA(nullptr));
    EXPECT_FALSE(spawn.started);
    EXPECT_FALSE(test::fileExists(download_ + "\\updsetup.exe"));
}

TEST_F(Helper, AFirstArgumentThatIsNoNumberEndsItAtOnce)
{
    ASSERT_TRUE(CopyFileA(built("talkpost_next.exe").c_str(), (download_ + "\\talkpost.exe_NEW").c_str(), FALSE));
    LogTail log;
    ASSERT_TRUE(waitForEnd(start("\"" + helper_ + "\" abc L null " + download_ + "\\ talkpost.exe_NEW", app_)));
    EXPECT_EQ(log.added(), "");
    EXPECT_TRUE(test::fileExists(download_ + "\\talkpost.exe_NEW"));
}

// A user's temporary folder named outside the ANSI code page ("Łódź 東京"):
// the update's folder is made there, the helper unpacked into it, and the
// helper, started with that folder on its command line, puts a component in
// place in an application folder below it.
TEST(HelperOutsideTheAnsiCodePage, UnpacksAndReplacesInFoldersNamedInAnyLanguage)
{
    test::TempFolder root;
    std::string temp = root.path() + "\\\xc5\x81\xc3\xb3\x64\xc5\xba \xe6\x9d\xb1\xe4\xba\xac";
    ASSERT_TRUE(CreateDirectoryW(widen(temp).c_str(), nullptr));
    std::string app = temp + "\\Talk Post";
    ASSERT_TRUE(CreateDirectoryW(widen(app).c_str(), nullptr));
    update::UpdateFolder folder;
    ASSERT_TRUE(folder.create(temp));
    std::string download = folder.path();
    EXPECT_EQ(download.rfind(temp + "\\", 0), 0u) << download;

    HMODULE program = LoadLibraryExW(widen(built("talkpost.exe")).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    auto helper = update::unpackUpdater(download, program);
    FreeLibrary(program);
    ASSERT_TRUE(helper);
    EXPECT_EQ(*helper, download + "updsetup.exe");
    EXPECT_NE(update::fileVersionOf(*helper), VersionValue{}) << "the helper unpacked whole";

    auto component = readFileBytes(built("talkpost_next.exe"), 64u << 20);
    ASSERT_TRUE(component);
    ASSERT_TRUE(CopyFileW(widen(built("talkpost_next.exe")).c_str(), widen(download + "tool.exe_NEW").c_str(), FALSE));
    auto value = update::writeHelperList(
        download, update::composeHelperList({7, "1.0.0.2", {{"tool.exe_NEW", *update::sha256HexOf(*component)}}}));
    ASSERT_TRUE(value);

    PROCESS_INFORMATION ended = start("cmd.exe /c exit 0", root.path());
    DWORD pid = ended.dwProcessId;
    ASSERT_TRUE(waitForEnd(ended));
    std::wstring line = widen("\"" + *helper + "\" " + std::to_string(pid) + " L null " +
                              update::quotedWhenBlank(download) + " sha256=" + *value + " tool.exe_NEW");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION helperProcess{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, widen(app).c_str(), &startup,
                               &helperProcess));
    ASSERT_TRUE(waitForEnd(helperProcess));

    EXPECT_EQ(readFileBytes(app + "\\tool.exe", 64u << 20), component) << "the component is in place";
    EXPECT_EQ(GetFileAttributesW(widen(download + "tool.exe_NEW").c_str()), INVALID_FILE_ATTRIBUTES);
    folder.remove();
    EXPECT_EQ(GetFileAttributesW(widen(download).c_str()), INVALID_FILE_ATTRIBUTES) << "the update's folder goes";
}

}  // namespace
}  // namespace talkpost::updater
