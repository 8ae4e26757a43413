// The engine's update check, [action] steps, downloads and restart under Wine
// against our HTTP update server (with_install_server.sh starts it over signed
// control files): files into new folders, cabinets, an SZDD file, files that
// fail their sha256 check, the prompt modes, the [action] steps with a program
// of ours that records its start, the check's order over a table of control
// files, and the restart through the real helper.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>

#include "base/app_error.h"
#include "settings/settings_file_win.h"
#include "support/test_support_win.h"
#include "update/engine/signature_win.h"
#include "update/engine/status_log.h"
#include "update/engine/update_engine_win.h"
#include "update/engine/update_folder_win.h"
#include "update/engine/status_log_win.h"
#include "update/engine/user_dates_win.h"
#include "update/install/file_version_win.h"
#include "update/install/install_decisions.h"
#include "update/install/install_files_win.h"
#include "win/folders_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {
namespace {

std::string environment(const char* name)
{
    char buffer[4096] = {};
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string serverBase() { return "http://127.0.0.1:" + environment("TALKPOST_INSTALL_SERVER_PORT"); }
// The server's log of the requests it was sent, beside the folder it serves.
std::string serverLog() { return test::unixToWindowsPath(environment("TALKPOST_INSTALL_SERVER_ROOT")) + "\\..\\http.log"; }
std::string built(const std::string& name) { return test::binaryDir() + "\\" + name; }

// Answers the Yes/No boxes from a queue (No once it is empty) and records every box.
class AnsweringPrompts : public Prompts {
public:
    // Forgets the boxes shown so far and answers the next ones so.
    void startOver(std::deque<bool> next)
    {
        shown.clear();
        answers = std::move(next);
    }
    void information(HWND, const std::string& text) override { shown.push_back("information: " + text); }
    Answer confirmation(HWND, const std::string& text) override
    {
        shown.push_back("confirmation: " + text);
        return Answer::Cancel;
    }
    void standardError(HWND, const std::string& message) override { shown.push_back("error: " + message); }
    int box(HWND, const std::string& text, const std::string& caption, UINT flags) override
    {
        shown.push_back(caption + ": " + text);
        if ((flags & MB_TYPEMASK) != MB_YESNO)
            return IDOK;
        bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes ? IDYES : IDNO;
    }
    std::vector<std::string> shown;
    std::deque<bool> answers;
};

const std::string kConfirm = "Best\xc3\xa4tigung";

class EngineInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousDirectory_ = currentDirectory();
        // {APP} is the current directory: the update acts on this folder.
        ASSERT_TRUE(SetCurrentDirectoryA(app_.path().c_str()));
        engine_.settings = talkpostEngineSettings(serverBase());
        engine_.settings.downloadPrompt = DownloadPrompt::Silent;
        forgetStatuses();
    }
    void TearDown() override
    {
        engine_.closeConnection();
        SetCurrentDirectoryA(previousDirectory_.c_str());
    }

    // The status texts the update log received since the last
    // forgetStatuses(), without date, number and codes.
    std::vector<std::string> statuses() const
    {
        std::string log = updateLog();
        std::string added = log.size() > forgotten_ ? log.substr(forgotten_) : std::string();
        std::vector<std::string> texts;
        for (const std::string& line : splitAnyBreakLines(added)) {
            std::size_t number = line.find(" : [");
            std::size_t text = number == std::string::npos ? number : line.find("] ", number);
            std::size_t codes = line.rfind(" (Status:");
            if (text != std::string::npos && codes != std::string::npos && codes > text)
                texts.push_back(line.substr(text + 2, codes - text - 2));
        }
        return texts;
    }
    void forgetStatuses() { forgotten_ = updateLog().size(); }
    static std::string updateLog()
    {
        std::string path = documentsFolder() + "\\UPDATE.LOG";
        return test::fileExists(path) ? test::readFile(path) : std::string();
    }

    void fetch(const std::string& name)
    {
        engine_.settings.url = serverBase() + "/c/" + name + ".inf";
        ASSERT_EQ(engine_.openConnection(), kConnected);
        ASSERT_EQ(engine_.fetchControlFile(), kControlFileFetched) << name;
    }
    int download(const std::string& name)
    {
        fetch(name);
        engine_.readFileList();
        return engine_.downloadFiles();
    }
    bool reported(int number, const std::string& argument = {}) const
    {
        std::string text = statusText(number, argument);
        std::vector<std::string> all = statuses();
        return std::find(all.begin(), all.end(), text) != all.end();
    }
    // A line for the named file of this update, wherever the update's own
    // download folder lies.
    bool reportedFor(int number, const std::string& fileName) const
    {
        std::string head = statusText(number, "");
        std::vector<std::string> all = statuses();
        return std::any_of(all.begin(), all.end(), [&](const std::string& text) {
            return text.starts_with(head) && text.ends_with("\\" + fileName);
        });
    }
    std::string inApp(const std::string& relative) const { return app_.file(relative); }
    std::string inTemp(const std::string& name) const { return windowsTempFolder() + name; }

    test::TempFolder app_;
    AnsweringPrompts prompts_;
    UpdateEngine engine_{prompts_};
    std::size_t forgotten_ = 0;
    std::string previousDirectory_;
};

TEST_F(EngineInstall, APlainFileGoesIntoItsNewTargetFolder)
{
    EXPECT_EQ(download("plain"), 0);
    EXPECT_EQ(test::readFile(inApp("new folder\\sub\\plain.txt")), "plain file\r\n");
    EXPECT_FALSE(test::fileExists(inTemp("plain.txt")));
    EXPECT_FALSE(engine_.installation().appComponentLoaded());
}

TEST_F(EngineInstall, CabinetsAreExtractedWithTheirFoldersAndNothingOutside)
{
    EXPECT_EQ(download("cabinets"), 0);
    EXPECT_EQ(test::readFile(inApp("data\\readme.txt")), "top level\r\n");
    EXPECT_EQ(test::readFile(inApp("data\\docs\\guide.txt")), "second level\r\n");
    EXPECT_EQ(test::readFile(inApp("data\\docs\\deep\\big.txt")), std::string(70000, 'x'));
    EXPECT_FALSE(test::fileExists(inTemp("data.cab")));
    // A cabinet with an entry stored as "..\evil.txt", or named as a device,
    // is refused whole: each such name is reported, then the cabinet's failure.
    EXPECT_FALSE(test::fileExists(inApp("climb\\inside.txt")));
    EXPECT_FALSE(test::fileExists(inApp("evil.txt")));
    EXPECT_TRUE(reported(974, "..\\evil.txt"));
    EXPECT_TRUE(reportedFor(947, "climb.cab"));
    EXPECT_FALSE(test::fileExists(inApp("devices\\fine.txt")));
    for (const char* device : {"NUL", "AUX", "nul.txt"})
        EXPECT_TRUE(reported(974, device)) << device;
    EXPECT_TRUE(reportedFor(947, "devices.cab"));
}

TEST_F(EngineInstall, AnSzddFileIsExpandedInTheCurrentDirectory)
{
    EXPECT_EQ(download("szdd"), 0);
    EXPECT_EQ(test::readFile(inApp("notes.txt")), "expanded notes\r\n");
    EXPECT_FALSE(test::fileExists(inApp("notes.tx_")));
    EXPECT_FALSE(test::fileExists(inTemp("notes.tx_")));
}

TEST_F(EngineInstall, FilesThatFailTheirSha256CheckAreNeitherInstalledNorKept)
{
    // The digest itself, on a file with a known value.
    test::writeFile(inApp("abc.txt"), "abc");
    EXPECT_EQ(fileSha256Hex(inApp("abc.txt")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(fileSha256Hex(inApp("missing.txt")), std::nullopt);

    EXPECT_EQ(download("checked"), -1);
    EXPECT_FALSE(test::fileExists(inApp("checked\\bad.txt")));
    EXPECT_FALSE(test::fileExists(inApp("checked\\unlisted.txt")));
    EXPECT_FALSE(test::fileExists(inTemp("bad.txt")));
    EXPECT_FALSE(test::fileExists(inTemp("unlisted.txt")));
    EXPECT_TRUE(reported(973, "bad.txt"));
    EXPECT_TRUE(reported(972, "unlisted.txt"));
    EXPECT_TRUE(reported(946, serverBase() + "/files/bad.txt"));
    EXPECT_TRUE(reported(946, serverBase() + "/files/unlisted.txt"));
    // All or nothing: the good file of the same update is not installed either.
    EXPECT_FALSE(test::fileExists(inApp("checked\\plain.txt")));
    EXPECT_FALSE(folderExists(inApp("checked")));
    // The component that failed is not handed on: no restart is offered.
    EXPECT_FALSE(engine_.installation().appComponentLoaded());
    EXPECT_FALSE(engine_.application().appUpdate);
    EXPECT_FALSE(engine_.restartRequired());
}

TEST_F(EngineInstall, AnEntryWhoseNameOrFolderNamesADeviceCountsAsAFailedDownload)
{
    EXPECT_EQ(download("refused"), -1);
    // The server has the file, but a device's name is not even asked for.
    EXPECT_TRUE(reported(946, serverBase() + "/files/nul.txt"));
    std::string requests = test::readFile(serverLog());
    EXPECT_NE(requests.find("/files/one.txt"), std::string::npos);
    EXPECT_EQ(requests.find("/files/nul.txt"), std::string::npos);
    EXPECT_TRUE(reported(946, serverBase() + "/files/plain.txt"));
    EXPECT_FALSE(test::fileExists(inApp("refused\\con\\plain.txt")));
    EXPECT_FALSE(test::fileExists(inTemp("plain.txt")));
    // The good file of the same update is not installed: the update is no
    // longer complete, and no restart would be offered.
    EXPECT_FALSE(test::fileExists(inApp("refused\\one.txt")));
    EXPECT_FALSE(engine_.application().appUpdate);
}

TEST_F(EngineInstall, AFileFetchedIntoItsTargetFolderReplacesNothingUntilItPassesItsCheck)
{
    // Fetched straight into the target folder, the bad file would have
    // overwritten the installed copy before anyone looked at it.
    engine_.settings.useWinTempDir = false;
    ASSERT_TRUE(CreateDirectoryA(inApp("checked").c_str(), nullptr));
    test::writeFile(inApp("checked\\bad.txt"), "installed copy\r\n");
    EXPECT_EQ(download("checked"), -1);
    EXPECT_EQ(test::readFile(inApp("checked\\bad.txt")), "installed copy\r\n");
    EXPECT_FALSE(test::fileExists(inApp("checked\\unlisted.txt")));
    EXPECT_FALSE(test::fileExists(inApp("checked\\plain.txt")));
    EXPECT_FALSE(test::fileExists(inTemp("plain.txt")));
    EXPECT_FALSE(test::fileExists(inTemp("bad.txt")));
}

// Every file below a folder with its bytes, to compare a folder before and after.
std::map<std::string, std::string> snapshot(const std::string& folder, const std::string& relative = {})
{
    std::map<std::string, std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files[relative + name + "\\"] = "";
            files.merge(snapshot(folder, relative + name + "\\"));
        } else {
            files[relative + name] = test::readFile(folder + "\\" + relative + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

TEST_F(EngineInstall, AnUpdateWhoseThirdFileFailsItsCheckLeavesTheApplicationFolderAsItWas)
{
    ASSERT_TRUE(CreateDirectoryA(inApp("docs").c_str(), nullptr));
    test::writeFile(inApp("docs\\one.txt"), "the old one\r\n");
    test::writeFile(inApp("kept.txt"), "not part of the update\r\n");
    auto before = snapshot(app_.path());
    EXPECT_EQ(download("third_fails"), -1);
    EXPECT_TRUE(reported(973, "three.txt"));
    EXPECT_EQ(snapshot(app_.path()), before);
}

TEST_F(EngineInstall, AFileThatCannotBePutInPlaceUndoesTheFilesAlreadyReplaced)
{
    // The first two files go in; the third is held open by another program.
    ASSERT_TRUE(CreateDirectoryA(inApp("prompted").c_str(), nullptr));
    test::writeFile(inApp("prompted\\one.txt"), "the old one\r\n");
    test::writeFile(inApp("prompted\\three.txt"), "the old three\r\n");
    auto before = snapshot(app_.path());
    HANDLE held = CreateFileA(inApp("prompted\\three.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    int result = download("prompts");
    CloseHandle(held);
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(reported(982, "three.txt"));
    EXPECT_EQ(snapshot(app_.path()), before);
    EXPECT_FALSE(engine_.application().appUpdate);

    // Without the lock the same update goes in whole.
    engine_.closeConnection();
    EXPECT_EQ(download("prompts"), 0);
    EXPECT_EQ(test::readFile(inApp("prompted\\one.txt")), "one\r\n");
    EXPECT_EQ(test::readFile(inApp("prompted\\two.txt")), "two\r\n");
    EXPECT_EQ(test::readFile(inApp("prompted\\three.txt")), "three\r\n");
    // Nothing of the update is left beside its files.
    EXPECT_EQ(snapshot(inApp("prompted")).size(), 3u);
}

TEST_F(EngineInstall, ThePromptModesAskAsTheySay)
{
    struct Case {
        DownloadPrompt mode;
        std::deque<bool> answers;
        std::vector<std::string> boxes;
        std::vector<std::string> installed;
    };
    const std::string once = kConfirm + ": Download update files ?";
    auto each = [](const std::string& name) { return kConfirm + ": Download update file : " + name; };
    const Case cases[] = {
        {DownloadPrompt::Silent, {}, {}, {"one.txt", "two.txt", "three.txt"}},
        {DownloadPrompt::PromptOnce, {false}, {once}, {}},
        {DownloadPrompt::PromptOnce, {true}, {once}, {"one.txt", "two.txt", "three.txt"}},
        {DownloadPrompt::PromptAll, {false, true, false}, {each("one.txt"), each("two.txt"), each("three.txt")}, {"two.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        prompts_.startOver(c.answers);
        engine_.settings.downloadPrompt = c.mode;
        EXPECT_EQ(download("prompts"), 0);
        EXPECT_EQ(prompts_.shown, c.boxes);
        for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
            bool expected = std::find(c.installed.begin(), c.installed.end(), name) != c.installed.end();
            EXPECT_EQ(test::fileExists(inApp(std::string("prompted\\") + name)), expected) << name;
            DeleteFileA(inApp(std::string("prompted\\") + name).c_str());
        }
        engine_.closeConnection();
    }
}

TEST_F(EngineInstall, TheActionStepsRunInTheirOrderAndTheQueryDecides)
{
    ASSERT_TRUE(CopyFileA(built("standins\\msg.exe").c_str(), inApp("recorder.exe").c_str(), FALSE));
    test::StandinLog programs;
    prompts_.startOver({true});
    fetch("actions");
    EXPECT_EQ(engine_.runControlActions(), 0);
    EXPECT_EQ(prompts_.shown, (std::vector<std::string>{"information: Line 1\rLine 2",
                                                        "Information: Install the update?\rIt takes a minute."}));
    auto runs = programs.waitFor(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].program, "recorder.exe");
    EXPECT_EQ(runs[0].args, "before");
    EXPECT_TRUE(engine_.application().appUpdate);
    EXPECT_TRUE(reported(934));
    EXPECT_TRUE(reported(936));

    // After the download: the program named by runafter, the redirection, the closing line.
    EXPECT_EQ(engine_.finishUpdate(), 0);
    runs = programs.waitFor(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].args, "after");
    EXPECT_TRUE(reported(941));
    ASSERT_FALSE(statuses().empty());
    EXPECT_EQ(statuses().back(), statusText(948, ""));

    // No to the query: the earlier steps have run, the update is off.
    prompts_.startOver({false});
    engine_.closeConnection();
    fetch("actions");
    EXPECT_EQ(engine_.runControlActions(), -1);
    EXPECT_FALSE(engine_.application().appUpdate);
    EXPECT_EQ(programs.waitFor(3).size(), 3u);
    // A cancelled update finishes with -1 and runs nothing more.
    engine_.cancelUpdate();
    EXPECT_EQ(engine_.finishUpdate(), -1);
}

// The local file of the check table: "abc", last written on 01.06.2020 at 12:00 local time.
void writeLocalFile(const std::string& path)
{
    test::writeFile(path, "abc");
    SYSTEMTIME local{2020, 6, 1, 1, 12, 0, 0, 0};
    FILETIME localTime, utc;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &utc);
    CloseHandle(file);
}

TEST_F(EngineInstall, TheCheckDecidesInItsOrder)
{
    writeLocalFile(inApp("local.txt"));
    ASSERT_TRUE(CopyFileA(built("talkpost.exe").c_str(), inApp("talkpost.exe").c_str(), FALSE));
    struct Case {
        const char* name;
        int code;
        const char* newVersion = nullptr;  // UpdateNewVersion / UpdateLocalVersion when given
        const char* localVersion = nullptr;
    };
    const Case cases[] = {
        {"date_no_time", CheckCode::NoNewVersion},
        {"date_later_time", CheckCode::DateNewer},
        {"date_earlier_time", CheckCode::NoNewVersion},
        {"date_over_version", CheckCode::DateNewer},
        {"date_1980_then_checksum", CheckCode::ChecksumDiffers},
        {"unconditional", CheckCode::Unconditional},
        {"unconditional_date_newer", CheckCode::DateNewer},
        {"checksum_equal_over_size", CheckCode::NoNewVersion},
        {"checksum_differs", CheckCode::ChecksumDiffers},
        {"size_differs_over_version", CheckCode::SizeDiffers},
        {"size_equal", CheckCode::NoNewVersion},
        {"version_newer", CheckCode::VersionNewer, "1.0.0.2", "1.0.0.1"},
        {"version_commas", CheckCode::VersionNewer, "1.0.0.2", "1.0.0.1"},
        {"version_equal", CheckCode::NoNewVersion, "1.0.0.1", "1.0.0.1"},
        {"version_five_numbers", CheckCode::NoNewVersion, "1.0.0.2.1"},
        {"version_no_local_file", CheckCode::NoNewVersion, "1.0.0.2", ""},
        {"nothing", CheckCode::NoNewVersion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        forgetStatuses();
        fetch(std::string("check_") + c.name);
        EXPECT_EQ(engine_.checkUpdateEntry(), c.code);
        if (c.newVersion) {
            EXPECT_EQ(engine_.check().newVersion(), c.newVersion);
        }
        if (c.localVersion) {
            EXPECT_EQ(engine_.check().localVersion(), c.localVersion);
        }
        engine_.closeConnection();
    }
    // The byte sum's line names the file and both numbers.
    forgetStatuses();
    fetch("check_checksum_differs");
    engine_.checkUpdateEntry();
    EXPECT_TRUE(reported(944, "Checksum compare of " + inApp("local.txt") + ":293:5"));
    EXPECT_TRUE(reported(931));
}

TEST_F(EngineInstall, ARememberedDateWinsOverTheFilesAgeAndIsWrittenBackAfterTheUpdate)
{
    const char* kKey = "Software\\TalkpostEngineInstallTest";
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    writeLocalFile(inApp("local.txt"));
    engine_.settings.lastURLEntry = {true, kKey, "Update", RegRoot::LocalUser};
    auto remember = [this](const std::string& date, const std::string& time) {
        ASSERT_TRUE(engine_.remembered().saveLastDate({date, time}));
    };
    // Published 01.06.2020 13:00; the file is older, the remembered date is not.
    remember(userShortDate(*encodeDateTime({2020, 6, 2})), "");
    fetch("check_date_later_time");
    EXPECT_EQ(engine_.checkUpdateEntry(), CheckCode::NoNewVersion);
    EXPECT_TRUE(engine_.check().lastDateKnown());
    // The same day, earlier and later in the day.
    remember(userShortDate(*encodeDateTime({2020, 6, 1})), "12:59");
    EXPECT_EQ(engine_.checkUpdateEntry(), CheckCode::DateNewer);
    remember(userShortDate(*encodeDateTime({2020, 6, 1})), "13:00");
    EXPECT_EQ(engine_.checkUpdateEntry(), CheckCode::NoNewVersion);
    // A remembered date that does not read counts as 1 January 1980.
    remember("not a date", "");
    EXPECT_EQ(engine_.checkUpdateEntry(), CheckCode::DateNewer);
    // After the update the published date is remembered.
    EXPECT_EQ(engine_.finishUpdate(), 0);
    auto written = engine_.remembered().lastDate();
    ASSERT_TRUE(written);
    EXPECT_EQ(written->date, userShortDate(*encodeDateTime({2020, 6, 1})));
    EXPECT_EQ(written->time, userShortTime(*encodeDateTime({2020, 6, 1, 13, 0})));
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
}

TEST_F(EngineInstall, TheFilterDropsWhatIsNotNewer)
{
    fetch("prompts");
    engine_.readFileList();
    // The first entry's local copy exists with the same size: not newer.
    engine_.fileList().at(0).localVersion = inApp("one.txt");
    engine_.fileList().at(0).newSize = 5;
    test::writeFile(inApp("one.txt"), "one\r\n");
    EXPECT_EQ(engine_.filterFileList(), 0);
    ASSERT_EQ(engine_.fileList().count(), 2u);
    EXPECT_EQ(engine_.fileList().at(0).description, "Second");
    EXPECT_EQ(engine_.fileList().at(1).description, "Third");
    EXPECT_TRUE(reported(930));
    // Every entry not newer: none is left.
    for (std::size_t i = 0; i < engine_.fileList().count(); ++i) {
        engine_.fileList().at(i).localVersion = inApp("one.txt");
        engine_.fileList().at(i).newSize = 5;
    }
    EXPECT_EQ(engine_.filterFileList(), -1);
}

// The restart, end to end. The update runs in a process of its own (this test
// program started again, in the application's folder "Talk Post"); the engine
// downloads the update, hands over to the real helper and the process ends.
// TALKPOST_RESTART_UPDATE names the control file; with TALKPOST_RESTART_SWAP
// the waiting program is swapped for another build before the restart.
TEST_F(EngineInstall, RestartUpdateProcess)
{
    std::string fixture = environment("TALKPOST_RESTART_UPDATE");
    if (fixture.empty())
        GTEST_SKIP() << "runs only as the update process of the restart tests";
    prompts_.startOver({true});
    // The application's folder is the one this process was started in.
    SetCurrentDirectoryA(previousDirectory_.c_str());
    ASSERT_EQ(download(fixture), 0);
    ASSERT_TRUE(engine_.installation().appComponentLoaded());
    ASSERT_TRUE(engine_.restartRequired());
    if (environment("TALKPOST_RESTART_SWAP") == "1") {
        ASSERT_TRUE(CopyFileA(built("standins\\msg.exe").c_str(), (engine_.downloadFolder() + "talkpost.exe_NEW").c_str(),
                              FALSE));
    }
    engine_.restartApplication();
    EXPECT_EQ(prompts_.shown, (std::vector<std::string>{kConfirm + ": " + statusText(911, "")}));
    EXPECT_TRUE(reported(959, previousDirectory_));
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the application was not told to end";
}

// The application's folder with the program of the build, the update
// process run in it, and what the helper did afterwards.
class RestartThroughHelper : public EngineInstall {
protected:
    void SetUp() override
    {
        EngineInstall::SetUp();
        folder_ = app_.file("Talk Post");
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(built("talkpost.exe").c_str(), (folder_ + "\\talkpost.exe").c_str(), FALSE));
        SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", settings_.path().c_str());
        logStart_ = test::readFile(logPath()).size();
    }
    void TearDown() override
    {
        for (DWORD pid : test::processesIn(folder_)) {
            HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
            if (HWND window = test::findProcessWindow(pid, "TalkpostMainWindow"))
                PostMessageA(window, WM_CLOSE, 0, 0);
            if (process && WaitForSingleObject(process, 20000) != WAIT_OBJECT_0)
                TerminateProcess(process, 1);
            if (process)
                CloseHandle(process);
        }
        SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", nullptr);
        EngineInstall::TearDown();
    }
    static std::string logPath() { return documentsFolder() + "\\UPDATE.LOG"; }
    std::string logAdded() const
    {
        std::string all = test::readFile(logPath());
        return all.size() > logStart_ ? all.substr(logStart_) : "";
    }

    // Runs the update process to its end; the helper it started goes on.
    // The helper's path is taken while it runs.
    void runUpdate(const std::string& fixture, bool swap = false)
    {
        char self[MAX_PATH * 2] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string line = "\"" + std::string(self) + "\" --gtest_filter=EngineInstall.RestartUpdateProcess";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION update{};
        SetEnvironmentVariableA("TALKPOST_RESTART_UPDATE", fixture.c_str());
        SetEnvironmentVariableA("TALKPOST_RESTART_SWAP", swap ? "1" : nullptr);
        BOOL started =
            CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup, &update);
        SetEnvironmentVariableA("TALKPOST_RESTART_UPDATE", nullptr);
        SetEnvironmentVariableA("TALKPOST_RESTART_SWAP", nullptr);
        ASSERT_TRUE(started);
        bool ended = WaitForSingleObject(update.hProcess, 120000) == WAIT_OBJECT_0;
        DWORD exitCode = 1;
        GetExitCodeProcess(update.hProcess, &exitCode);
        CloseHandle(update.hProcess);
        CloseHandle(update.hThread);
        ASSERT_TRUE(ended);
        EXPECT_EQ(exitCode, 0u) << "the update process failed";
        // The helper runs from the update's own folder below the temporary folder.
        std::string temp = windowsTempFolder();
        for (DWORD pid : test::processesIn(temp.substr(0, temp.size() - 1))) {
            HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
            char image[MAX_PATH * 2] = {};
            DWORD size = sizeof image;
            if (process && QueryFullProcessImageNameA(process, 0, image, &size))
                helperPath_ = image;
            if (process)
                CloseHandle(process);
        }
    }

    // The Talkpost that runs in the folder once the helper started one.
    DWORD waitForTalkpost()
    {
        DWORD found = 0;
        test::waitUntil(
            [&] {
                for (DWORD pid : test::processesIn(folder_))
                    if (test::findProcessWindow(pid, "TalkpostMainWindow"))
                        found = pid;
                return found != 0;
            },
            std::chrono::seconds(60));
        return found;
    }
    static std::string imageOf(DWORD pid)
    {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        char image[MAX_PATH * 2] = {};
        DWORD size = sizeof image;
        bool ok = process && QueryFullProcessImageNameA(process, 0, image, &size);
        if (process)
            CloseHandle(process);
        return ok ? image : "";
    }
    // Waits until the update's folder and the helper are gone from the temporary folder.
    static bool temporaryFolderClean()
    {
        return test::waitUntil(
            [] {
                WIN32_FIND_DATAA found;
                HANDLE search = FindFirstFileA((windowsTempFolder() + "*").c_str(), &found);
                bool clean = true;
                do {
                    std::string name = found.cFileName;
                    if (name.starts_with(kUpdateFolderPrefix) || name.starts_with("updsetup"))
                        clean = false;
                } while (clean && FindNextFileA(search, &found));
                FindClose(search);
                return clean;
            },
            std::chrono::seconds(60));
    }

    std::string folder_;
    test::TempFolder settings_;
    std::size_t logStart_ = 0;
    std::string helperPath_;
};

TEST_F(RestartThroughHelper, TheHelperRunsFromTheUpdatesFolderInstallsTheNewProgramAndLeavesNothingBehind)
{
    VersionValue newVersion = fileVersionOf(built("talkpost_next.exe"));
    ASSERT_FALSE(fileVersionOf(built("talkpost.exe")) == newVersion);
    runUpdate("restart");
    DWORD restarted = waitForTalkpost();
    ASSERT_NE(restarted, 0u) << "the new Talkpost did not start";
    EXPECT_EQ(fileVersionOf(imageOf(restarted)), newVersion);
    EXPECT_EQ(fileVersionOf(folder_ + "\\talkpost.exe"), newVersion);
    EXPECT_EQ(test::readFile(folder_ + "\\docs\\plain.txt"), "plain file\r\n");
    EXPECT_TRUE(helperPath_.starts_with(windowsTempFolder() + kUpdateFolderPrefix)) << helperPath_;
    EXPECT_TRUE(helperPath_.ends_with("\\updsetup.exe")) << helperPath_;
    // The new program removes the update's folder, helper and all, once the helper has ended.
    EXPECT_TRUE(temporaryFolderClean());
    auto files = snapshot(folder_);
    EXPECT_EQ(files.size(), 3u) << "only talkpost.exe and docs\\plain.txt, no copies beside them";
    EXPECT_NE(logAdded().find("Upd started program reported its window"), std::string::npos) << logAdded();
}

TEST_F(RestartThroughHelper, AWaitingProgramSwappedBeforeTheRestartIsRefusedAndNothingIsInstalled)
{
    auto before = snapshot(folder_);
    runUpdate("restart", true);
    // The old program is started again, and the folder is as it was.
    DWORD restarted = waitForTalkpost();
    ASSERT_NE(restarted, 0u) << "the old Talkpost did not start again";
    EXPECT_TRUE(test::readFile(imageOf(restarted)) == test::readFile(built("talkpost.exe")));
    EXPECT_TRUE(test::waitUntil([&] { return snapshot(folder_) == before; }, std::chrono::seconds(10)));
    std::string lines = logAdded();
    EXPECT_NE(lines.find("Upd file does not match its sha256 value, refused: talkpost.exe_NEW"), std::string::npos)
        << lines;
    EXPECT_NE(lines.find("Upd rollback: talkpost.exe_NEW could not be put in place"), std::string::npos) << lines;
}

TEST_F(RestartThroughHelper, AnUpdateWhoseProgramEndsAtOnceIsRolledBackAndTheOldProgramRunsAgain)
{
    auto before = snapshot(folder_);
    runUpdate("restart_dies");
    DWORD restarted = waitForTalkpost();
    ASSERT_NE(restarted, 0u) << "the old Talkpost did not start again";
    EXPECT_TRUE(test::readFile(imageOf(restarted)) == test::readFile(built("talkpost.exe")));
    EXPECT_EQ(snapshot(folder_), before);
    std::string lines = logAdded();
    EXPECT_NE(lines.find("Upd rollback: the updated program ended (exit code "), std::string::npos) << lines;
    EXPECT_NE(lines.find(") before its window was up, the old files are put back"), std::string::npos)
        << lines;
    EXPECT_NE(lines.find("Upd restart old program "), std::string::npos) << lines;
    // The next check knows the update that was rolled back.
    std::string kept = settings::settingsText(test::readFile(settings_.path() + "\\Talkpost.ini"));
    EXPECT_NE(kept.find("RolledBackSerial=5"), std::string::npos) << kept;
    EXPECT_NE(kept.find("RolledBackUpdate=9.9.9.9"), std::string::npos) << kept;
    EXPECT_TRUE(temporaryFolderClean());
}

}  // namespace
}  // namespace talkpost::update
