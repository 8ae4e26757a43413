// End to end: the built talkpost.exe started under Wine with arguments and
// driven from outside through its windows, like a person would; leaves a
// screenshot of the main window in the build folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/main_window_win.h"
#include "app/message_dispatch_win.h"
#include "app/msg_command.h"
#include "banner/script_server_win.h"
#include "settings/settings_file_win.h"
#include "support/test_support_win.h"
#include "win/folders_win.h"

namespace talkpost {
namespace {

std::string controlText(HWND window, MainId control)
{
    HWND child = GetDlgItem(window, id(control));
    char buffer[1024] = {};
    SendMessageA(child, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

class Talkpost {
public:
    // The built program, or the copy at exe, started in folder.
    Talkpost(const std::string& arguments, const std::string& folder, std::string exe = {})
    {
        if (exe.empty())
            exe = test::binaryDir() + "\\talkpost.exe";
        std::string commandLine = "\"" + exe + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &process_))
            return;
        test::waitUntil(
            [this] {
                window_ = findMainWindow();
                return window_ != nullptr && IsWindowVisible(window_);
            },
            std::chrono::seconds(30));
    }
    ~Talkpost()
    {
        if (process_.hProcess != nullptr) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }
    HWND window() const { return window_; }
    DWORD processId() const { return process_.dwProcessId; }
    DWORD exitCode() const
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    bool closeAndWait()
    {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        return WaitForSingleObject(process_.hProcess, 30000) == WAIT_OBJECT_0;
    }
    // Ends the event loop without closing the window, as the restart after an
    // update does (a quit message on the window's thread).
    bool quitAndWait()
    {
        PostThreadMessageA(GetWindowThreadProcessId(window_, nullptr), WM_QUIT, 0, 0);
        return WaitForSingleObject(process_.hProcess, 30000) == WAIT_OBJECT_0;
    }

private:
    HWND findMainWindow() const { return test::findProcessWindow(process_.dwProcessId, "TalkpostMainWindow"); }

    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
};

class EndToEnd : public testing::Test {
protected:
    void SetUp() override { SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", settings_.path().c_str()); }
    void TearDown() override { SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", nullptr); }

    test::TempFolder settings_;
    test::TempFolder startDir_;
    test::StandinLog standins_;
};

TEST_F(EndToEnd, ArgumentsFillTheFieldsAndSendReachesMsgExe)
{
    Talkpost app("Remote01 \"Jane Doe\"", startDir_.path());
    ASSERT_NE(app.window(), nullptr) << "the main window did not appear";
    EXPECT_EQ(controlText(app.window(), MainId::ComputerField), "Remote01");
    EXPECT_EQ(controlText(app.window(), MainId::UserField), "Jane Doe");

    std::string folder = test::binaryDir() + "\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    SetWindowTextA(GetDlgItem(app.window(), id(MainId::MessageEditor)), "Hello from outside");
    test::pumpFor(std::chrono::milliseconds(500));
    saveWindowShot(app.window(), folder + "\\main-window.bmp");

    PostMessageA(app.window(), WM_COMMAND, MAKEWPARAM(id(MainId::SendButton), BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app.window(), id(MainId::ToolBar))));
    auto runs = standins_.waitFor(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].input, "Hello from outside");
    EXPECT_EQ(runs[0].args.substr(0, 36), "/SERVER:Remote01 /TIME:60 \"Jane Doe\"");
    EXPECT_TRUE(app.closeAndWait());
}

// The message box talkpost.exe shows, once it is there.
HWND waitForBox(DWORD processId)
{
    HWND box = nullptr;
    test::waitUntil([&] { return (box = test::findProcessWindow(processId, "#32770")) != nullptr; });
    return box;
}

std::string boxText(HWND box)
{
    wchar_t text[1024] = {};
    SendDlgItemMessageW(box, 0xFFFF, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    char utf8[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

// Sets an environment variable for what this test starts, and back at the end.
class EnvironmentValue {
public:
    EnvironmentValue(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        wchar_t previous[4096] = {};
        DWORD length = GetEnvironmentVariableW(name, previous, 4096);
        had_ = length > 0 && length < 4096;
        previous_ = previous;
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~EnvironmentValue() { SetEnvironmentVariableW(name_, had_ ? previous_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    std::wstring previous_;
    bool had_ = false;
};

// Text in any language, with a user's temporary folder outside the ANSI code
// page: the message file goes there, the interpreter reads it from there,
// msg.exe gets the fields as typed and the message in the ANSI code page,
// after the operator was told which characters it cannot carry.
TEST_F(EndToEnd, TextInAnyLanguageReachesMsgExeAfterTheQuestion)
{
    ASSERT_EQ(GetACP(), 1252u) << "the bytes below are the Western code page's";
    std::wstring wideStart(startDir_.path().begin(), startDir_.path().end());
    std::wstring temp = wideStart + L"\\\u0141\u00f3d\u017a \u6771\u4eac";  // "Łódź 東京"
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    std::string exe = test::binaryDir() + "\\talkpost.exe";
    std::wstring wideExe(exe.begin(), exe.end());
    // The computer "Łódź-PC" and the user "Иван", as typed on the command line.
    std::wstring commandLine = L"\"" + wideExe + L"\" \u0141\u00f3d\u017a-PC \u0418\u0432\u0430\u043d";
    PROCESS_INFORMATION process{};
    {
        EnvironmentValue tmp(L"TMP", temp), tempValue(L"TEMP", temp);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(wideExe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   wideStart.c_str(), &startup, &process));
    }
    struct Ended {
        PROCESS_INFORMATION& p;
        ~Ended()
        {
            if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(p.hProcess, 1);
            CloseHandle(p.hProcess);
            CloseHandle(p.hThread);
        }
    } ended{process};
    HWND window = nullptr;
    ASSERT_TRUE(test::waitUntil([&] {
        window = test::findProcessWindow(process.dwProcessId, "TalkpostMainWindow");
        return window != nullptr && IsWindowVisible(window);
    }, std::chrono::seconds(30)));

    // Typed into the message editor as the keyboard delivers it, through the program's own message loop.
    HWND editor = GetDlgItem(window, id(MainId::MessageEditor));
    const std::wstring typed = L"Gr\u00fc\u00dfe \u041f\u0440\u0438\u0432\u0435\u0442 \u4f60\u597d \U0001F600";
    for (wchar_t unit : typed)
        PostMessageW(editor, WM_CHAR, unit, 1);
    std::wstring got;
    ASSERT_TRUE(test::waitUntil([&] {
        // Asked of the control itself: another process's control is not asked by GetWindowText.
        wchar_t text[256] = {};
        SendMessageW(editor, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
        got = text;
        return got == typed;
    })) << "the editor did not get the typed characters whole: " << got.size() << " units, first " << std::hex
        << (got.empty() ? 0 : static_cast<int>(got[0]));

    auto send = [&] {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id(MainId::SendButton), BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, id(MainId::ToolBar))));
    };
    const std::string question =
        "Some characters of the message cannot be sent and would arrive as \"?\": "
        "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\xe4\xbd\xa0\xe5\xa5\xbd\xf0\x9f\x98\x80. Send anyway?";
    // No: nothing goes out.
    send();
    HWND box = waitForBox(process.dwProcessId);
    ASSERT_NE(box, nullptr) << test::describeWindowsOf(process.dwProcessId);
    EXPECT_EQ(boxText(box), question);
    PostMessageW(box, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(test::waitUntil([&] { return !IsWindow(box); }));
    EXPECT_FALSE(test::waitUntil([&] { return !standins_.runs().empty(); }, std::chrono::seconds(2)));

    // Yes: the message goes out, each character the file cannot carry as one "?".
    send();
    box = waitForBox(process.dwProcessId);
    ASSERT_NE(box, nullptr) << test::describeWindowsOf(process.dwProcessId);
    std::string folder = test::binaryDir() + "\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    saveWindowShot(box, folder + "\\uncarried-question.bmp");
    PostMessageW(box, WM_COMMAND, IDYES, 0);
    auto runs = standins_.waitFor(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].input, "Gr\xfc\xdf" "e ?????? ?? ?");
    const std::string args = "/SERVER:\xc5\x81\xc3\xb3\x64\xc5\xba-PC /TIME:60 \xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd";
    EXPECT_EQ(runs[0].args.substr(0, args.size()), args);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
}

// A "cmd.exe" planted beside the program, which is also the folder it is
// started in, where the system's search for a bare name looks first: Send
// runs the system's interpreter, which runs msg.exe; the planted one, a
// recording stand-in, never runs. (Wine's shell takes its own cmd.exe even
// for the bare name; the launcher's test shows the search under Wine.)
TEST_F(EndToEnd, SendRunsTheSystemsInterpreterNotOnePlantedInTheStartFolder)
{
    std::string exe = startDir_.file("talkpost.exe");
    ASSERT_TRUE(CopyFileA((test::binaryDir() + "\\talkpost.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((systemFolder() + "\\mstsc.exe").c_str(), startDir_.file("cmd.exe").c_str(), FALSE));
    Talkpost app("Remote01 *", startDir_.path(), exe);
    ASSERT_NE(app.window(), nullptr) << "the main window did not appear";
    SetWindowTextA(GetDlgItem(app.window(), id(MainId::MessageEditor)), "Planted");
    PostMessageA(app.window(), WM_COMMAND, MAKEWPARAM(id(MainId::SendButton), BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(app.window(), id(MainId::ToolBar))));
    standins_.waitFor(1);
    test::pumpFor(std::chrono::milliseconds(500));
    auto runs = standins_.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].program, "msg.exe");
    EXPECT_EQ(runs[0].input, "Planted");
    EXPECT_TRUE(app.closeAndWait());
}

TEST_F(EndToEnd, CloseAndRestartRestoresListMessageAndTime)
{
    {
        Talkpost app("NewHost7 Someone", startDir_.path());
        ASSERT_NE(app.window(), nullptr);
        SetWindowTextA(GetDlgItem(app.window(), id(MainId::MessageEditor)), "line one\r\nline two");
        SetWindowTextA(GetDlgItem(app.window(), id(MainId::TimeField)), "120");
        PostMessageA(app.window(), WM_COMMAND, MAKEWPARAM(id(MainId::SendButton), BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app.window(), id(MainId::ToolBar))));
        standins_.waitFor(1);
        ASSERT_TRUE(app.closeAndWait());
    }
    std::string ini = settings::settingsText(test::readFile(settings_.file("Talkpost.ini")));
    EXPECT_NE(ini.find("[Placement]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Item1=NewHost7"), std::string::npos) << ini;

    Talkpost app("", startDir_.path());
    ASSERT_NE(app.window(), nullptr);
    HWND combo = GetDlgItem(app.window(), id(MainId::ComputerField));
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 4);
    EXPECT_GE(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("NewHost7")), 0);
    EXPECT_EQ(controlText(app.window(), MainId::MessageEditor), "line one\r\nline two");
    EXPECT_EQ(controlText(app.window(), MainId::TimeField), "120");
    EXPECT_EQ(controlText(app.window(), MainId::UserField), "*") << "the user always comes from the command line";
    EXPECT_EQ(controlText(app.window(), MainId::ComputerField), "");
    EXPECT_TRUE(app.closeAndWait());
}

TEST_F(EndToEnd, AnEndWithoutCloseStillSavesTheSettings)
{
    {
        Talkpost app("NewHost8 Someone", startDir_.path());
        ASSERT_NE(app.window(), nullptr);
        SetWindowTextA(GetDlgItem(app.window(), id(MainId::MessageEditor)), "kept");
        SetWindowTextA(GetDlgItem(app.window(), id(MainId::TimeField)), "90");
        ASSERT_TRUE(app.quitAndWait());
        EXPECT_EQ(app.exitCode(), 0u);
    }
    // Saved as the window was destroyed, not at a close.
    std::string ini = settings::settingsText(test::readFile(settings_.file("Talkpost.ini")));
    EXPECT_NE(ini.find("[Placement]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Visible=1"), std::string::npos) << ini;
    EXPECT_NE(ini.find("TimeEdit_Value=90"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Item0=kept"), std::string::npos) << ini;
}

// The texts of a window's children, one after the other.
std::string childTexts(HWND window)
{
    std::string texts;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM lparam) -> BOOL {
            char buffer[1024] = {};
            GetWindowTextA(child, buffer, sizeof buffer);
            *reinterpret_cast<std::string*>(lparam) += std::string(buffer) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// The program started with a banner server that accepts the list's request
// and answers nothing until the test releases it, then closes.
class SilentBannerServer : public EndToEnd {
protected:
    SilentBannerServer()
    {
        test::writeFile(settings_.file("Talkpost.ini"), "[Talkpost]\r\nBannerServer=" + server_.base() + "\r\n");
    }

    // The main window is up and the list's request has reached the server.
    bool startHeld(Talkpost& app)
    {
        return app.window() != nullptr && test::waitUntil([&] { return !server_.requests().empty(); });
    }

    test::ScriptServer server_{[](test::ScriptServer& self, SOCKET, const std::string&) { self.waitUntilReleased(); }};
};

TEST_F(SilentBannerServer, NeitherHoldsTheStartNorTheWindow)
{
    Talkpost app("", startDir_.path());
    ASSERT_TRUE(startHeld(app)) << "the main window did not appear";
    // The fetch is held by the server, and the window still answers at once.
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutA(app.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result), 0)
        << "the window did not answer within half a second";
    EXPECT_EQ(test::findProcessWindow(app.processId(), "#32770"), nullptr) << "no box while the server is silent";

    // The box comes when the fetch ends.
    server_.release();
    HWND box = nullptr;
    ASSERT_TRUE(test::waitUntil([&] { return (box = test::findProcessWindow(app.processId(), "#32770")) != nullptr; }));
    EXPECT_NE(childTexts(box).find("Connection Closed Gracefully."), std::string::npos) << childTexts(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(test::waitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(app.closeAndWait());
}

TEST_F(SilentBannerServer, ClosingWhileTheListIsHeldEndsTheProgram)
{
    Talkpost app("", startDir_.path());
    ASSERT_TRUE(startHeld(app)) << "the main window did not appear";
    // The fetch under way neither holds the close nor crashes the end.
    EXPECT_TRUE(app.closeAndWait());
    EXPECT_EQ(app.exitCode(), 0u);
}

// ---------------------------------------------------------------------------
// Send to all over a fleet: the real program, the real interpreter, real
// echoes (127.1.0.0/16 silent in the tests' namespace) and msg.exe stand-ins
// that take a while, as a remote call does, and count themselves.

// The whole text of a control in another process (GetWindowText would not ask it).
std::string wholeText(HWND control)
{
    auto length = static_cast<std::size_t>(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0));
    std::string text(length + 1, '\0');
    text.resize(static_cast<std::size_t>(
        SendMessageA(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::vector<std::string> linesStartingWith(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> lines;
    for (std::size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        if (text.compare(pos, prefix.size(), prefix) == 0)
            lines.push_back(text.substr(pos, end - pos));
    return lines;
}

// The message files a process has in the message folder.
std::vector<std::string> messageFilesOf(DWORD processId)
{
    return test::filesIn(messageFolder(), "msg-" + std::to_string(processId) + "-*.txt");
}

class SendToAllFleet : public EndToEnd {
protected:
    static constexpr int kAnswering = 300, kSilent = 300, kParallel = 16;

    SendToAllFleet()
    {
        // Answering and silent entries mixed through the sorted list.
        std::string ini = "[Talkpost]\r\nParallelSends=" + std::to_string(kParallel) + "\r\n";
        ini += "[Storage.IPComboBox_Items]\r\nCount=" + std::to_string(kAnswering + kSilent) + "\r\n";
        for (int i = 0; i < kAnswering + kSilent; ++i) {
            std::string host = (i % 2 == 0 ? "127.0." : "127.1.") + std::to_string(i / 2 / 250 + 1) + "." +
                               std::to_string(i / 2 % 250 + 1);
            ini += "Item" + std::to_string(i) + "=" + host + "\r\n";
        }
        test::writeFile(settings_.file("Talkpost.ini"), ini);
        counter_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2 * sizeof(LONG),
                                      kCounterName);
        counts_ = static_cast<volatile LONG*>(MapViewOfFile(counter_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        SetEnvironmentVariableA("TALKPOST_STANDIN_COUNTER", kCounterName);
        SetEnvironmentVariableA("TALKPOST_STANDIN_DELAY_MS", "1500");  // a remote call's time
        SetEnvironmentVariableA("TALKPOST_STANDIN_FAIL", "127.0.1.7:1722;127.0.1.9:5");
        // A start folder where no msg.txt can be made: the old shared file's place is taken.
        CreateDirectoryA(startDir_.file("msg.txt").c_str(), nullptr);
    }
    ~SendToAllFleet() override
    {
        SetEnvironmentVariableA("TALKPOST_STANDIN_COUNTER", nullptr);
        SetEnvironmentVariableA("TALKPOST_STANDIN_DELAY_MS", nullptr);
        SetEnvironmentVariableA("TALKPOST_STANDIN_FAIL", nullptr);
        RemoveDirectoryA(startDir_.file("msg.txt").c_str());
        UnmapViewOfFile(const_cast<LONG*>(counts_));
        CloseHandle(counter_);
    }

    static void press(HWND window, MainId button)
    {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, id(MainId::ToolBar))));
    }

    // Waits for the condition on the log while checking, between looks, that
    // the window answers; the worst answer time is kept for the figures.
    bool watchLog(HWND window, const std::function<bool(const std::string&)>& condition)
    {
        HWND log = GetDlgItem(window, id(MainId::LogPane));
        return test::waitUntil(
            [&] {
                LARGE_INTEGER frequency, before, after;
                QueryPerformanceFrequency(&frequency);
                QueryPerformanceCounter(&before);
                DWORD_PTR result = 0;
                // A window that stops answering for this long is hung, whatever the figures say.
                if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) == 0)
                    ++hangs_;
                QueryPerformanceCounter(&after);
                worstAnswerMs_ = std::max(worstAnswerMs_, (after.QuadPart - before.QuadPart) * 1000.0 / frequency.QuadPart);
                return condition(wholeText(log));
            },
            std::chrono::seconds(120));
    }

    static constexpr const char* kCounterName = "TalkpostStandinCounterTest";
    HANDLE counter_ = nullptr;
    volatile LONG* counts_ = nullptr;
    int hangs_ = 0;
    double worstAnswerMs_ = 0;
};

// It runs for a minute or two, so it runs as a test of its own (send_to_all_fleet).
TEST_F(SendToAllFleet, BoundedLiveStoppableAndLeavesNoMessageFile)
{
    if (std::getenv("TALKPOST_FLEET_TEST") == nullptr)
        GTEST_SKIP() << "runs as send_to_all_fleet";
    // A file a crashed run left (its process is gone) goes at the start; one of a running program stays.
    CreateDirectoryA(messageFolder().c_str(), nullptr);
    std::string leftover = messageFolder() + "\\" + messageFileName(0x7ffffff0, 1);
    std::string ours = messageFolder() + "\\" + messageFileName(GetCurrentProcessId(), 1);
    test::writeFile(leftover, "old");
    test::writeFile(ours, "in use");

    Talkpost app("", startDir_.path());
    ASSERT_NE(app.window(), nullptr) << "the main window did not appear";
    EXPECT_FALSE(test::fileExists(leftover));
    EXPECT_TRUE(test::fileExists(ours));
    DeleteFileA(ours.c_str());
    SetWindowTextA(GetDlgItem(app.window(), id(MainId::MessageEditor)), "Fleet message");

    press(app.window(), MainId::SendToAllButton);
    ASSERT_TRUE(watchLog(app.window(), [](const std::string& log) {
        return !linesStartingWith(log, "Send to all: ").empty() && log.find(" delivered, ") != std::string::npos;
    })) << "no summary line: " << wholeText(GetDlgItem(app.window(), id(MainId::LogPane))).substr(0, 3000)
        << "\nthe message: \"" << wholeText(GetDlgItem(app.window(), id(MainId::MessageEditor)))
        << "\"\nthe program's windows:" << test::describeWindowsOf(app.processId());
    // The last result line and the summary come from one pass; the file goes with the last interpreter.
    std::string log = wholeText(GetDlgItem(app.window(), id(MainId::LogPane)));
    EXPECT_EQ(hangs_, 0) << "the window stopped answering";
    EXPECT_LE(counts_[1], kParallel) << "never more msg.exe at once than ParallelSends";
    EXPECT_GE(counts_[1], 2) << "the launches overlap";

    // Under this load Wine now and then loses the answer to an echo (the
    // host then counts as silent) or its interpreter fails to start a program
    // that is there (exit code 9009, as for a name it does not know). Either
    // entry is rightly not sent or not delivered and is no fault of ours, but
    // it must stay rare, and every count must still agree with the others.
    int lostAnswers = 0;
    for (int i = 0; i < kAnswering; ++i) {
        std::string host = "127.0." + std::to_string(i / 250 + 1) + "." + std::to_string(i % 250 + 1);
        std::size_t results = linesStartingWith(log, host + ": ").size();
        EXPECT_LE(results, 1u) << host << ": one result line";
        lostAnswers += results == 0 ? 1 : 0;
    }
    std::string undelivered;
    int notStarted = 0;
    for (const std::string& line : linesStartingWith(log, "127.0."))
        if (line.find(": not delivered") != std::string::npos) {
            undelivered += "\n  " + line;
            notStarted += line.ends_with("(exit code 9009)") ? 1 : 0;
        }
    EXPECT_LE(lostAnswers + notStarted, 3) << "answers lost: " << lostAnswers << undelivered;
    std::vector<std::string> commands = linesStartingWith(log, "cmd.exe ");
    ASSERT_EQ(commands.size(), static_cast<std::size_t>(kAnswering - lostAnswers));
    EXPECT_EQ(linesStartingWith(log, "127.0.1.7: "), std::vector<std::string>{"127.0.1.7: not delivered (exit code 1722)"});
    std::vector<std::string> summary = linesStartingWith(log, "Send to all: ");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].rfind("Send to all: " + std::to_string(kAnswering - lostAnswers - 2 - notStarted) +
                                   " delivered, " + std::to_string(2 + notStarted) + " not delivered, " +
                                   std::to_string(kSilent + lostAnswers) + " silent, 0 not found, in ",
                               0),
              0u)
        << summary[0] << undelivered;
    EXPECT_EQ(standins_.runs().size(), static_cast<std::size_t>(kAnswering - lostAnswers - notStarted));
    EXPECT_EQ(standins_.runs().at(0).input, "Fleet message");
    EXPECT_TRUE(messageFilesOf(app.processId()).empty()) << "no message file after the last result";

    // Again, stopped in the middle: nothing more is launched, what runs still reports.
    press(app.window(), MainId::SendToAllButton);
    ASSERT_TRUE(watchLog(app.window(), [&](const std::string& text) {
        return linesStartingWith(text, "cmd.exe ").size() >= commands.size() + 20;
    }));
    press(app.window(), MainId::SendToAllButton);  // Stop
    ASSERT_TRUE(watchLog(app.window(), [](const std::string& text) {
        return linesStartingWith(text, "Send to all: ").size() == 2;
    }));
    log = wholeText(GetDlgItem(app.window(), id(MainId::LogPane)));
    std::string secondRun = log.substr(log.find(summary[0]) + summary[0].size());
    std::vector<std::string> stopped = linesStartingWith(secondRun, "Send to all stopped: ");
    ASSERT_EQ(stopped.size(), 1u);
    std::size_t notSent = std::stoul(stopped[0].substr(std::string("Send to all stopped: ").size()));
    std::size_t launched = linesStartingWith(secondRun, "cmd.exe ").size();
    EXPECT_GT(notSent, 0u);
    EXPECT_LE(launched + notSent, static_cast<std::size_t>(kAnswering + kSilent));
    EXPECT_EQ(linesStartingWith(secondRun.substr(secondRun.find(stopped[0])), "cmd.exe ").size(), 0u)
        << "nothing launched after Stop";
    std::string lastSummary = linesStartingWith(secondRun, "Send to all: ").at(0);
    unsigned long delivered = 0, notDelivered = 0;
    ASSERT_EQ(std::sscanf(lastSummary.c_str(), "Send to all: %lu delivered, %lu not delivered", &delivered, &notDelivered), 2);
    EXPECT_EQ(delivered + notDelivered, launched) << "every launched one still reported";
    EXPECT_TRUE(messageFilesOf(app.processId()).empty());

    // Stop, a new run at once and repeated Sends: one bound over all of them.
    // The stopped run's commands still run while the new run and the Sends
    // wait their turn; no Send is dropped.
    const std::size_t before = linesStartingWith(log, "cmd.exe ").size();
    press(app.window(), MainId::SendToAllButton);
    ASSERT_TRUE(watchLog(app.window(), [&](const std::string& text) {
        return linesStartingWith(text, "cmd.exe ").size() >= before + kParallel;
    }));
    press(app.window(), MainId::SendToAllButton);  // Stop, with the bound full
    press(app.window(), MainId::SendToAllButton);  // and a new run at once
    // The stopped walk selects the entry it reached last, which sets the
    // computer field: the Sends' computer goes in after that.
    ASSERT_TRUE(watchLog(app.window(), [](const std::string& text) {
        return linesStartingWith(text, "Send to all stopped: ").size() == 2;
    }));
    SetWindowTextA(GetDlgItem(app.window(), id(MainId::ComputerField)), "127.0.0.1");
    constexpr std::size_t kSends = 6;
    for (std::size_t i = 0; i < kSends; ++i)
        press(app.window(), MainId::SendButton);
    ASSERT_TRUE(watchLog(app.window(), [&](const std::string& text) {
        return linesStartingWith(text, "127.0.0.1: ").size() == kSends;
    })) << "every Send reports";
    // The new run (600 entries) is still far from its end: stop it too.
    ASSERT_LT(linesStartingWith(wholeText(GetDlgItem(app.window(), id(MainId::LogPane))), "Send to all: ").size(), 4u);
    press(app.window(), MainId::SendToAllButton);
    ASSERT_TRUE(watchLog(app.window(), [](const std::string& text) {
        return linesStartingWith(text, "Send to all: ").size() == 4;
    }));
    log = wholeText(GetDlgItem(app.window(), id(MainId::LogPane)));
    EXPECT_EQ(linesStartingWith(log, "127.0.0.1: "), std::vector<std::string>(kSends, "127.0.0.1: delivered"));
    EXPECT_EQ(linesStartingWith(log, "Send to all stopped: ").size(), 3u);
    EXPECT_LE(counts_[1], kParallel) << "never more msg.exe at once than ParallelSends, across runs and Sends";
    EXPECT_EQ(hangs_, 0) << "the window stopped answering";
    EXPECT_TRUE(messageFilesOf(app.processId()).empty());

    std::printf("fleet of %d answering and %d silent, ParallelSends=%d: at most %ld msg.exe at once, the window's "
                "worst answer %.1f ms; lost by the platform: %d answers, %d program starts\n",
                kAnswering, kSilent, kParallel, static_cast<long>(counts_[1]), worstAnswerMs_, lostAnswers, notStarted);
    EXPECT_TRUE(app.closeAndWait());
}

}  // namespace
}  // namespace talkpost
