// End to end: the built talkpost.exe started under Wine with arguments and
// driven from outside through its windows, like a person would; leaves a
// screenshot of the main window in the build folder.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/main_window_win.h"
#include "banner/script_server_win.h"
#include "support/test_support_win.h"

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
    Talkpost(const std::string& arguments, const std::string& folder)
    {
        std::string exe = test::binaryDir() + "\\talkpost.exe";
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
    EXPECT_EQ(controlText(app.window(), MainId::IPComboBox), "Remote01");
    EXPECT_EQ(controlText(app.window(), MainId::UserEdit), "Jane Doe");

    std::string folder = test::binaryDir() + "\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    SetWindowTextA(GetDlgItem(app.window(), id(MainId::RichText)), "Hello from outside");
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

TEST_F(EndToEnd, CloseAndRestartRestoresListMessageAndTime)
{
    {
        Talkpost app("NewHost7 Someone", startDir_.path());
        ASSERT_NE(app.window(), nullptr);
        SetWindowTextA(GetDlgItem(app.window(), id(MainId::RichText)), "line one\r\nline two");
        SetWindowTextA(GetDlgItem(app.window(), id(MainId::TimeEdit)), "120");
        PostMessageA(app.window(), WM_COMMAND, MAKEWPARAM(id(MainId::SendButton), BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(app.window(), id(MainId::ToolBar))));
        standins_.waitFor(1);
        ASSERT_TRUE(app.closeAndWait());
    }
    std::string ini = test::readFile(settings_.file("Talkpost.ini"));
    EXPECT_NE(ini.find("[Placement]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Item1=NewHost7"), std::string::npos) << ini;

    Talkpost app("", startDir_.path());
    ASSERT_NE(app.window(), nullptr);
    HWND combo = GetDlgItem(app.window(), id(MainId::IPComboBox));
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 4);
    EXPECT_GE(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("NewHost7")), 0);
    EXPECT_EQ(controlText(app.window(), MainId::RichText), "line one\r\nline two");
    EXPECT_EQ(controlText(app.window(), MainId::TimeEdit), "120");
    EXPECT_EQ(controlText(app.window(), MainId::UserEdit), "*") << "the user always comes from the command line";
    EXPECT_EQ(controlText(app.window(), MainId::IPComboBox), "");
    EXPECT_TRUE(app.closeAndWait());
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

}  // namespace
}  // namespace talkpost
