// The main window under Wine, driven through its controls: Send with the real
// cmd.exe and the msg.exe stand-in, AutoSave, DEL, the first show, the time
// field and the log pane.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "app/launcher_win.h"
#include "app/main_window_win.h"
#include "app/message_dispatch_win.h"
#include "app/msg_command.h"
#include "nettools/netscan_scripted_network_win.h"
#include "nettools/ping_win.h"
#include "win/controls_win.h"
#include "win/folders_win.h"
#include "win/handles_win.h"
#include "win/menus_win.h"
#include "support/real_input_win.h"
#include "support/test_support_win.h"
#include "base/app_error.h"

namespace talkpost {
namespace {

using test::RecordingPrompts;

std::string trimRight(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return text;
}

// The log's lines that begin with the prefix, in order.
std::vector<std::string> logLines(const std::string& log, const std::string& prefix)
{
    std::vector<std::string> lines;
    for (std::size_t pos = 0, end; (end = log.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        if (log.compare(pos, prefix.size(), prefix) == 0)
            lines.push_back(log.substr(pos, end - pos));
    return lines;
}

// The message file a logged command reads: what follows its last "<".
std::string messageFileOf(const std::string& command) { return command.substr(command.rfind('<') + 1); }

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        char previous[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, previous);
        previousDir_ = previous;
        SetCurrentDirectoryA(startDir_.path().c_str());
    }
    void TearDown() override
    {
        window_.reset();
        SetCurrentDirectoryA(previousDir_.c_str());
    }

    MainWindow& open(std::vector<std::string> arguments = {}, std::string icmpLibrary = kIcmpLibrary)
    {
        window_ = std::make_unique<MainWindow>(prompts_, std::move(arguments), nullptr, std::move(icmpLibrary));
        // Hidden: the behaviour is the same, and a hidden window is destroyed at once under Wine.
        window_->show(SW_HIDE);
        return *window_;
    }
    void setText(MainId control, const std::string& text)
    {
        SetWindowTextA(window_->control(id(control)), text.c_str());
    }
    void command(MainId entry) { SendMessageA(window_->hwnd(), WM_COMMAND, MAKEWPARAM(id(entry), 0), 0); }
    void clickSend()
    {
        SendMessageA(window_->hwnd(), WM_COMMAND, MAKEWPARAM(id(MainId::SendButton), BN_CLICKED),
                     reinterpret_cast<LPARAM>(window_->control(id(MainId::ToolBar))));
    }
    // The log's command line for a message, up to the message file it reads.
    static std::string expectedCommand(const std::string& computer, const std::string& user,
                                       const std::string& time = "60")
    {
        return "cmd.exe /c  cd /d C:\\windows\\System32 & C:\\windows\\System32\\msg.exe /SERVER:" + computer +
               " /TIME:" + time + " " + user + " <";
    }
    // Waits until no Send to all runs and every interpreter has reported its end.
    bool waitForTheEnd(MainWindow& w)
    {
        return test::waitUntil([&] { return !w.sendToAllRunning() && w.sendsRunning() == 0; },
                               std::chrono::seconds(60));
    }
    // Pings the selected entry and waits for its result (the echo runs off the window's thread).
    bool pingAndWait(MainWindow& w)
    {
        command(MainId::Ping);
        return test::waitUntil([&] { return w.pingsRunning() == 0; });
    }

    RecordingPrompts prompts_;
    test::TempFolder startDir_;
    test::StandinLog standins_;
    std::unique_ptr<MainWindow> window_;
    std::string previousDir_;
};

TEST_F(MainWindowTest, FreshWindowHasTheDesignedDefaults)
{
    MainWindow& w = open();
    EXPECT_EQ(windowText(w.hwnd()), "Orvanta-Messanger");
    EXPECT_EQ(w.computers().entries(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
    EXPECT_EQ(w.computers().selectedIndex(), -1);
    EXPECT_EQ(w.userText(), "*");
    EXPECT_EQ(w.timeText(), "60");
    EXPECT_EQ(w.messageText(), "");
    EXPECT_EQ(w.logText(), "");
    EXPECT_TRUE(w.autoSave());
    EXPECT_EQ(w.statusText(0), "Command");
    EXPECT_EQ(w.statusText(2), "");
    EXPECT_EQ(w.progressPosition(), 0);
    RECT r;
    GetWindowRect(w.hwnd(), &r);
    EXPECT_EQ(r.right - r.left, MainWindow::kWidth);
    EXPECT_EQ(r.bottom - r.top, MainWindow::kHeight);
    EXPECT_EQ(GetWindowLongA(w.hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX, 0);
}

TEST_F(MainWindowTest, FirstShowTakesComputerAndUserFromTheArguments)
{
    struct Case {
        std::vector<std::string> arguments;
        std::string computer, user;
    };
    const Case cases[] = {
        {{}, "", "*"},
        {{"pc1"}, "pc1", "*"},
        {{"pc1", "Jane Doe"}, "pc1", "Jane Doe"},
        {{"pc1", ""}, "pc1", "*"},
        {{"pc1", "u", "ignored"}, "pc1", "u"},
    };
    for (const Case& c : cases) {
        MainWindow& w = open(c.arguments);
        EXPECT_EQ(w.computers().typedText(), c.computer);
        EXPECT_EQ(w.userText(), c.user);
        EXPECT_EQ(w.startDir(), startDir_.path());
        EXPECT_EQ(w.computers().count(), 3) << "the list is not touched";
    }
}

TEST_F(MainWindowTest, SendWritesMessageFileAndLaunchesMsgExe)
{
    MainWindow& w = open();
    w.computers().setTypedText("Remote01");
    const std::string message = "  Hello Anna,\r\nthe server restarts at 18:00.\r\n\r\n";
    setText(MainId::MessageEditor, message);
    clickSend();

    std::vector<std::string> commands = logLines(w.logText(), "cmd.exe ");
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].substr(0, expectedCommand("Remote01", "*").size()), expectedCommand("Remote01", "*"));
    std::string file = messageFileOf(commands[0]);
    EXPECT_EQ(file.rfind(messageFolder() + "\\msg-", 0), 0u) << file;
    auto runs = standins_.waitFor(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].program, "msg.exe");
    EXPECT_EQ(trimRight(runs[0].args), "/SERVER:Remote01 /TIME:60 *");
    EXPECT_EQ(runs[0].input, message) << "whole text, untrimmed, lines joined by CR LF";
    EXPECT_TRUE(prompts_.shown.empty());
    ASSERT_TRUE(waitForTheEnd(w));
    EXPECT_FALSE(test::fileExists(file)) << "deleted when its interpreter ended";
    EXPECT_EQ(logLines(w.logText(), "Remote01: "), std::vector<std::string>{"Remote01: delivered"});
}

TEST_F(MainWindowTest, UserWithBlankReachesMsgExeAsOneWord)
{
    MainWindow& w = open({"Remote01", "Jane Doe"});
    setText(MainId::MessageEditor, "Hi");
    clickSend();
    EXPECT_EQ(w.logText().rfind(expectedCommand("Remote01", "\"Jane Doe\""), 0), 0u) << w.logText();
    auto runs = standins_.waitFor(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(trimRight(runs[0].args), "/SERVER:Remote01 /TIME:60 \"Jane Doe\"");
    EXPECT_EQ(runs[0].input, "Hi");
}

TEST_F(MainWindowTest, ASecondSendWhileTheFirstRunsDeliversBoth)
{
    // The first msg.exe still reads its file when the second Send writes its own.
    SetEnvironmentVariableA("TALKPOST_STANDIN_DELAY_MS", "2000");
    MainWindow& w = open({"Remote01"});
    setText(MainId::MessageEditor, "first, longer message");
    clickSend();
    setText(MainId::MessageEditor, "second");
    clickSend();
    SetEnvironmentVariableA("TALKPOST_STANDIN_DELAY_MS", nullptr);
    std::vector<std::string> commands = logLines(w.logText(), "cmd.exe ");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_NE(messageFileOf(commands[0]), messageFileOf(commands[1])) << "a file for each send";
    auto runs = standins_.waitFor(2);
    ASSERT_EQ(runs.size(), 2u);
    std::vector<std::string> inputs = {runs[0].input, runs[1].input};
    std::sort(inputs.begin(), inputs.end());
    EXPECT_EQ(inputs, (std::vector<std::string>{"first, longer message", "second"}));
    ASSERT_TRUE(waitForTheEnd(w));
    EXPECT_EQ(logLines(w.logText(), "Remote01: "),
              (std::vector<std::string>{"Remote01: delivered", "Remote01: delivered"}));
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(MainWindowTest, EmptyMessageShowsTheInformationBoxAndNothingElse)
{
    for (const char* message : {"", "   ", " \r\n\r\n\t "}) {
        MainWindow& w = open({"NewComputer"});
        setText(MainId::MessageEditor, message);
        clickSend();
        ASSERT_EQ(prompts_.shown.size(), 1u);
        EXPECT_EQ(prompts_.shown[0].kind, "information");
        EXPECT_EQ(prompts_.shown[0].text, "Please enter Message first");
        EXPECT_EQ(w.logText(), "");
        EXPECT_FALSE(w.computers().isListed("NewComputer")) << "nothing listed";
        prompts_.shown.clear();
    }
    // Nothing is to be launched, and no event says so: a bounded look.
    test::pumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(standins_.runs().empty());
}

TEST_F(MainWindowTest, AutoSaveAddsANewComputerOnceIgnoringCase)
{
    MainWindow& w = open();
    setText(MainId::MessageEditor, "m");
    w.computers().setTypedText("Beta7");
    clickSend();
    w.computers().setTypedText("BETA7");
    clickSend();
    w.computers().setTypedText("remote01");
    clickSend();
    EXPECT_EQ(w.computers().entries(), (std::vector<std::string>{"*", "Beta7", "Remote01", "Remote02"}));

    command(MainId::AutoSave);
    EXPECT_FALSE(w.autoSave());
    w.computers().setTypedText("Gamma");
    clickSend();
    EXPECT_FALSE(w.computers().isListed("Gamma"));
    command(MainId::AutoSave);
    EXPECT_TRUE(w.autoSave());
}

// The launcher starts programs of the system folder only: a program planted
// in the current directory under a name the system folder lacks is not
// found, a path is refused, and a program of the system folder runs.
TEST(Launcher, StartsOnlyProgramsOfTheSystemFolder)
{
    test::StandinLog standins;
    test::TempFolder planted;
    std::string client = systemFolder() + "\\mstsc.exe";  // the recording stand-in
    ASSERT_TRUE(CopyFileA(client.c_str(), planted.file("tp-planted.exe").c_str(), FALSE));
    std::string before = currentDirectory();
    SetCurrentDirectoryA(planted.path().c_str());
    EXPECT_LE(fileExec("tp-planted.exe", "/v:planted", SW_HIDE), 32);
    EXPECT_EQ(fileExec(planted.file("tp-planted.exe"), "/v:path", SW_HIDE), 0);
    EXPECT_EQ(fileExec(client, "/v:path", SW_HIDE), 0);
    EXPECT_EQ(fileExecProcess("..\\tp-planted.exe", "/v:path", SW_HIDE), nullptr);
    EXPECT_GT(fileExec("mstsc.exe", "/v:system", SW_HIDE), 32);
    SetCurrentDirectoryA(before.c_str());
    standins.waitFor(1);
    test::pumpFor(std::chrono::milliseconds(500));
    auto runs = standins.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(trimRight(runs[0].args), "/v:system");
}

// A program that ended without cleaning up may have had this process's number:
// its files are passed over, never overwritten, and a send still gets a file.
TEST(MessageFile, PassesOverNamesTakenByAnEndedProgram)
{
    auto first = MessageFile::write("first");
    std::string name = first->path().substr(first->path().rfind('\\') + 1);
    unsigned long sequence = std::stoul(name.substr(name.rfind('-') + 1));
    std::vector<std::string> taken;
    for (unsigned long next = sequence + 1; next <= sequence + 5; ++next) {
        taken.push_back(messageFolder() + "\\" + messageFileName(GetCurrentProcessId(), next));
        test::writeFile(taken.back(), "left over");
    }
    auto second = MessageFile::write("second");
    EXPECT_EQ(test::readFile(second->path()), "second");
    for (const std::string& path : taken) {
        EXPECT_NE(second->path(), path);
        EXPECT_EQ(test::readFile(path), "left over");
        DeleteFileA(path.c_str());
    }
    std::string firstPath = first->path();
    first.reset();
    EXPECT_FALSE(test::fileExists(firstPath)) << "deleted with its last holder";
}

TEST_F(MainWindowTest, AnEmptyComputerFieldIsRefused)
{
    MainWindow& w = open();
    setText(MainId::MessageEditor, "m");
    clickSend();
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].kind, "information");
    EXPECT_EQ(prompts_.shown[0].text, "Please enter Computer first");
    EXPECT_EQ(w.computers().entries(), (std::vector<std::string>{"*", "Remote01", "Remote02"})) << "nothing added";
    EXPECT_EQ(w.logText(), "");
    // Nothing is to be launched, and no event says so: a bounded look.
    test::pumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(standins_.runs().empty());
}

TEST_F(MainWindowTest, AStartFolderThatIsGoneStillSends)
{
    test::TempFolder gone;
    SetCurrentDirectoryA(gone.path().c_str());
    open({"Remote01"});
    SetCurrentDirectoryA(startDir_.path().c_str());
    ASSERT_TRUE(RemoveDirectoryA(gone.path().c_str()));

    setText(MainId::MessageEditor, "still sent");
    clickSend();
    auto runs = standins_.waitFor(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].input, "still sent");
    EXPECT_TRUE(prompts_.shown.empty());
    CreateDirectoryA(gone.path().c_str(), nullptr);
}

TEST_F(MainWindowTest, AMessageFolderThatCannotBeMadeShowsTheErrorAndLaunchesNothing)
{
    test::TempFolder temp;
    std::string missing = temp.path() + "\\missing";
    char previous[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", previous, MAX_PATH);
    SetEnvironmentVariableA("TMP", missing.c_str());  // the temporary folder the platform names
    MainWindow& w = open({"Fresh"});
    setText(MainId::MessageEditor, "m");
    clickSend();
    SetEnvironmentVariableA("TMP", previous);
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].kind, "error");
    EXPECT_EQ(prompts_.shown[0].text.rfind("Datei " + missing + "\\Talkpost\\msg-", 0), 0u) << prompts_.shown[0].text;
    EXPECT_NE(prompts_.shown[0].text.find(" kann nicht erstellt werden"), std::string::npos);
    EXPECT_EQ(w.logText(), "");
    EXPECT_TRUE(w.computers().isListed("Fresh")) << "AutoSave ran before the file was written";
}

TEST_F(MainWindowTest, TextsTheInterpreterWouldActOnAreRefused)
{
    struct Case {
        std::string computer, user, field;
    };
    const Case cases[] = {
        {"pc&calc", "*", "computer"},
        {"pc", "a|b", "user"},
        {"pc>x", "*", "computer"},
        {"pc", "%PATH%", "user"},
        {"pc", "x\"y", "user"},
    };
    for (const Case& c : cases) {
        MainWindow& w = open({c.computer, c.user});
        setText(MainId::MessageEditor, "m");
        clickSend();
        ASSERT_EQ(prompts_.shown.size(), 1u) << c.computer << " " << c.user;
        EXPECT_EQ(prompts_.shown[0].kind, "information");
        EXPECT_NE(prompts_.shown[0].text.find("The " + c.field + " "), std::string::npos) << prompts_.shown[0].text;
        EXPECT_EQ(w.logText(), "");
        EXPECT_EQ(w.computers().count(), 3);
        prompts_.shown.clear();
    }
}

TEST_F(MainWindowTest, DelRemovesTheSelectedEntryOnlyWhenAnsweredJa)
{
    struct Case {
        Answer answer;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {Answer::Yes, {"*", "Remote02"}},
        {Answer::No, {"*", "Remote01", "Remote02"}},
        {Answer::Cancel, {"*", "Remote01", "Remote02"}},
    };
    for (const Case& c : cases) {
        MainWindow& w = open();
        w.computers().select(1);
        prompts_.answers = {c.answer};
        w.onComputerKeyDown(VK_DELETE);
        ASSERT_EQ(prompts_.shown.size(), 1u);
        EXPECT_EQ(prompts_.shown[0].kind, "confirmation");
        EXPECT_EQ(prompts_.shown[0].text, "Eintrag l\xc3\xb6schen?");
        EXPECT_EQ(w.computers().entries(), c.expected);
        prompts_.shown.clear();
    }
}

TEST_F(MainWindowTest, DelWithoutSelectionOrOtherKeysAsksNothing)
{
    MainWindow& w = open();
    w.onComputerKeyDown(VK_DELETE);
    w.computers().select(0);
    w.onComputerKeyDown(VK_BACK);
    w.onComputerKeyDown('D');
    EXPECT_TRUE(prompts_.shown.empty());
    EXPECT_EQ(w.computers().count(), 3);
}

TEST_F(MainWindowTest, DelKeyInTheFieldReachesTheHandler)
{
    MainWindow& w = open();
    w.computers().select(2);
    prompts_.answers = {Answer::Yes};
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(w.computers().handle(), &info));
    SetFocus(info.hwndItem);
    // A real key through the input queue; the dialog manager hands Delete to the field as it is.
    ASSERT_TRUE(test::waitUntilOnScreen(w.hwnd()));
    ASSERT_TRUE(test::pressKeys(info.hwndItem, {"Delete"}));
    EXPECT_EQ(w.computers().entries(), (std::vector<std::string>{"*", "Remote01"}));
}

TEST_F(MainWindowTest, EntriesAreSortedWithoutRegardToCase)
{
    MainWindow& w = open();
    for (const char* entry : {"beta", "Alpha", "alpha2", "Beta1", "zeta"})
        w.computers().add(entry);
    EXPECT_EQ(w.computers().entries(),
              (std::vector<std::string>{"*", "Alpha", "alpha2", "beta", "Beta1", "Remote01", "Remote02", "zeta"}));
}

TEST_F(MainWindowTest, TimeFieldClampsWhenLeftAndRefusesLetters)
{
    MainWindow& w = open();
    HWND time = w.control(id(MainId::TimeField));
    const std::pair<const char*, const char*> cases[] = {
        {"7", "60"}, {"99999", "20000"}, {"600", "600"}, {"-5", "60"}};
    for (const auto& [typed, shown] : cases) {
        SetWindowTextA(time, typed);
        SendMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(id(MainId::TimeField), EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(time));
        EXPECT_EQ(w.timeText(), shown) << typed;
    }
    SetWindowTextA(time, "60");
    SetFocus(time);
    Edit(time).select(2, 2);
    // Real keys, whose characters the field's own key handling sees as typed.
    ASSERT_TRUE(test::waitUntilOnScreen(w.hwnd()));
    ASSERT_TRUE(test::pressKeys(time, {"a", "5"}));
    EXPECT_EQ(w.timeText(), "605");
}

TEST_F(MainWindowTest, TimeFieldShowsFiveDigitsWithItsSpinButtonsAtTheDesignedRightEdge)
{
    MainWindow& w = open();
    HWND time = w.control(id(MainId::TimeField));
    EXPECT_LE(textWidth(time, "20000"), w.timeFieldTextRoom()) << "20000 fits in the field's font";
    auto rightEdge = [&](MainId control) {
        RECT r{};
        GetWindowRect(w.control(id(control)), &r);
        MapWindowPoints(nullptr, w.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    RECT field = rightEdge(MainId::TimeField), spin = rightEdge(MainId::TimeSpin), user = rightEdge(MainId::UserField);
    // The buttons sit at the field's right end, on its border, inside the designed right edge 320 + 57.
    EXPECT_LE(spin.right, 320 + 57);
    EXPECT_GE(spin.right, 320 + 57 - 4);
    EXPECT_LE(spin.left, field.right);
    EXPECT_GE(spin.right, field.right);
    EXPECT_GT(field.left, user.right) << "clear of the user field";
    EXPECT_EQ(rightEdge(MainId::TimeLabel).left, field.left) << "the label stays above the field";
}

TEST_F(MainWindowTest, ALongMessageIsSentOnlyWhenTheOperatorSaysYes)
{
    const std::string longMessage(300, 'x');
    struct Case {
        int answer;
        bool sent;
    };
    for (const Case c : {Case{IDNO, false}, Case{IDYES, true}}) {
        MainWindow& w = open({"Remote01"});
        setText(MainId::MessageEditor, longMessage);
        prompts_.boxResult = c.answer;
        clickSend();
        command(MainId::SendToAllButton);
        std::string shownTexts;
        for (const auto& shown : prompts_.shown)
            shownTexts += shown.kind + ": " + shown.text + " | ";
        ASSERT_EQ(prompts_.shown.size(), 2u) << "Send and Send to all ask: " << shownTexts << " log " << w.logText();
        for (const auto& shown : prompts_.shown) {
            EXPECT_EQ(shown.kind, "box");
            EXPECT_EQ(shown.text, "The message has 300 characters; the receiver sees only the first 255. Send anyway?");
        }
        EXPECT_EQ(logLines(w.logText(), "cmd.exe ").size() > 0, c.sent);
        EXPECT_EQ(w.sendToAllRunning() || !logLines(w.logText(), "cmd.exe ").empty(), c.sent);
        ASSERT_TRUE(waitForTheEnd(w));
        prompts_.shown.clear();
    }
    MainWindow& w = open({"Remote01"});
    setText(MainId::MessageEditor, std::string(255, 'x') + "\r\n");
    clickSend();
    EXPECT_TRUE(prompts_.shown.empty()) << "255 characters as sent: no question";
    ASSERT_TRUE(waitForTheEnd(w));
}

// Cyrillic, Chinese and an emoji (a surrogate pair in UTF-16), in UTF-8.
const std::string kCyrillic = "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82";  // "Привет"
const std::string kChinese = "\xe4\xbd\xa0\xe5\xa5\xbd";                           // "你好"
const std::string kEmoji = "\xf0\x9f\x98\x80";

TEST_F(MainWindowTest, FieldsAndTheListTakeAnyCharacters)
{
    MainWindow& w = open();
    COMBOBOXINFO combo{};
    ASSERT_TRUE(ComboBox(w.control(id(MainId::ComputerField))).parts(combo));
    // Typed as the keyboard delivers it: one WM_CHAR per UTF-16 unit.
    const std::wstring typed = L"\u0416\u4e2d\U0001F600";
    for (HWND field : {combo.hwndItem, w.control(id(MainId::UserField)), w.control(id(MainId::MessageEditor))}) {
        SetWindowTextW(field, L"");
        for (wchar_t unit : typed)
            SendMessageW(field, WM_CHAR, unit, 1);
        EXPECT_EQ(windowText(field), "\xd0\x96\xe4\xb8\xad" + kEmoji);
    }
    EXPECT_EQ(w.computers().typedText(), "\xd0\x96\xe4\xb8\xad" + kEmoji);

    const std::string lodz = "\xc5\x81\xc3\xb3\x64\xc5\xba-PC";  // "Łódź-PC"
    w.computers().add(lodz);
    EXPECT_TRUE(w.computers().isListed(lodz));
    EXPECT_TRUE(w.computers().isListed("\xc5\x82\xc3\x93\x44\xc5\xb9-pc")) << "letter case ignored beyond ASCII too";
    std::vector<std::string> entries = w.computers().entries();
    EXPECT_NE(std::find(entries.begin(), entries.end(), lodz), entries.end());
}

TEST_F(MainWindowTest, CharactersTheMessageFileCannotCarryAreAskedAboutFirst)
{
    ASSERT_EQ(GetACP(), 1252u) << "the cases are written for the Western code page";
    const std::string message = "Gr\xc3\xbc\xc3\x9f" "e " + kCyrillic + " " + kChinese + " " + kEmoji;  // "Grüße ..."
    const std::string question = "Some characters of the message cannot be sent and would arrive as \"?\": " +
                                 kCyrillic + kChinese + kEmoji + ". Send anyway?";
    struct Case {
        int answer;
        bool sent;
    };
    for (const Case c : {Case{IDNO, false}, Case{IDYES, true}}) {
        MainWindow& w = open({"Remote01"});
        Control(w.control(id(MainId::MessageEditor))).setText(message);
        prompts_.boxResult = c.answer;
        clickSend();
        command(MainId::SendToAllButton);
        ASSERT_EQ(prompts_.shown.size(), 2u) << "Send and Send to all ask";
        for (const auto& shown : prompts_.shown) {
            EXPECT_EQ(shown.kind, "box");
            EXPECT_EQ(shown.text, question);
        }
        EXPECT_EQ(!logLines(w.logText(), "cmd.exe ").empty() || w.sendToAllRunning(), c.sent);
        ASSERT_TRUE(waitForTheEnd(w));
        prompts_.shown.clear();
    }
    MainWindow& w = open({"Remote01"});
    Control(w.control(id(MainId::MessageEditor))).setText("Gr\xc3\xbc\xc3\x9f" "e");
    clickSend();
    EXPECT_TRUE(prompts_.shown.empty()) << "the code page holds every character: no question";
    ASSERT_TRUE(waitForTheEnd(w));
}

TEST_F(MainWindowTest, TheStatusBarCountsTheMessageWhileTheEditorHasTheFocus)
{
    MainWindow& w = open();
    HWND editor = w.control(id(MainId::MessageEditor));
    w.setStatusText(2, "OK");
    setText(MainId::MessageEditor, "Hello");
    SendMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(id(MainId::MessageEditor), EN_SETFOCUS), reinterpret_cast<LPARAM>(editor));
    EXPECT_EQ(w.statusText(2), "5 of 255 characters");
    Edit(editor).selectAll();
    Edit(editor).replaceSelection(" Hello, world \r\n");  // as typing does
    EXPECT_EQ(w.statusText(2), "12 of 255 characters") << "follows the typing, counted as sent";
    SendMessageA(w.hwnd(), WM_COMMAND, MAKEWPARAM(id(MainId::MessageEditor), EN_KILLFOCUS), reinterpret_cast<LPARAM>(editor));
    EXPECT_EQ(w.statusText(2), "OK") << "the panel's text is back";
    Edit(editor).replaceSelection("changed");
    EXPECT_EQ(w.statusText(2), "OK");
}

TEST_F(MainWindowTest, TimeAsTypedIsUsedBySend)
{
    MainWindow& w = open({"pc"});
    setText(MainId::TimeField, "7");
    setText(MainId::MessageEditor, "m");
    clickSend();
    EXPECT_NE(w.logText().find("/TIME:7 *"), std::string::npos);
}

TEST_F(MainWindowTest, LogPaneKeepsTheNewestLineInView)
{
    MainWindow& w = open();
    HWND log = w.control(id(MainId::LogPane));
    for (int i = 0; i < 60; ++i)
        w.appendLog("line " + std::to_string(i));
    int lines = static_cast<int>(SendMessageA(log, EM_GETLINECOUNT, 0, 0));
    int first = static_cast<int>(SendMessageA(log, EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_EQ(lines, 61) << "60 lines and the empty line after the last break";
    EXPECT_GT(first, 40) << "the view follows the new lines";
    EXPECT_EQ(w.logText().substr(0, 15), "line 0\r\nline 1\r");
}

TEST_F(MainWindowTest, AReaderScrolledUpIsMovedOnePageNotThrownToTheEnd)
{
    MainWindow& w = open();
    HWND log = w.control(id(MainId::LogPane));
    for (int i = 0; i < 60; ++i)
        w.appendLog("line " + std::to_string(i));
    auto firstVisible = [&] { return static_cast<int>(SendMessageA(log, EM_GETFIRSTVISIBLELINE, 0, 0)); };
    SendMessageA(log, EM_LINESCROLL, 0, -1000);
    ASSERT_EQ(firstVisible(), 0);
    SendMessageA(log, EM_SCROLL, SB_PAGEDOWN, 0);
    int onePage = firstVisible();
    ASSERT_GT(onePage, 0);
    SendMessageA(log, EM_LINESCROLL, 0, -1000);

    w.appendLog("line 60");
    EXPECT_EQ(firstVisible(), onePage);
    EXPECT_NE(w.logText().find("line 59\r\nline 60\r\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Ping, Send to all, remote desktop, client help and the scan from the window

TEST_F(MainWindowTest, PingLogsTheSelectedEntryAndItsAnswer)
{
    MainWindow& w = open();
    w.computers().replaceAll({"127.0.0.1", "*"});
    w.computers().setTypedText("typed-but-not-picked");
    w.computers().select(1);  // sorted: "*", "127.0.0.1"
    ASSERT_TRUE(pingAndWait(w));
    w.computers().select(0);
    ASSERT_TRUE(pingAndWait(w));
    EXPECT_EQ(w.logText(), "PING 127.0.0.1\r\n127.0.0.1 has answered on Ping\r\nPING *\r\n* is not reachable\r\n");
}

TEST_F(MainWindowTest, PingWithNothingSelectedTestsTheEmptyHost)
{
    MainWindow& w = open();
    ASSERT_TRUE(pingAndWait(w));
    // The empty text is this machine's own name to the resolver: loopback in the tests' namespace.
    EXPECT_EQ(w.logText(), "PING \r\n has answered on Ping\r\n");
}

TEST_F(MainWindowTest, PingWithoutTheIcmpLibraryLogsOneLineAndShowsTheError)
{
    MainWindow& w = open({}, "no-such-icmp.dll");
    w.computers().select(w.computers().add("127.0.0.1"));
    ASSERT_TRUE(pingAndWait(w));
    EXPECT_EQ(w.logText(), "PING 127.0.0.1\r\n");
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].kind, "error");
    EXPECT_EQ(prompts_.shown[0].text.rfind("icmp.dll library can not be loaded or not found. ", 0), 0u);
    ASSERT_TRUE(pingAndWait(w));
    EXPECT_EQ(w.logText(), "PING 127.0.0.1\r\nPING 127.0.0.1\r\n") << "the next Ping tries the library again";
    EXPECT_EQ(prompts_.shown.size(), 2u);
}

TEST_F(MainWindowTest, SendToAllSendsToEveryAnsweringEntryInListOrder)
{
    MainWindow& w = open();
    // "*" and the names do not resolve; the loopback addresses answer.
    w.computers().replaceAll({"127.0.0.3", "*", "127.0.0.1", "silent-name", "127.0.0.2"});
    setText(MainId::UserField, "Jane Doe");
    setText(MainId::TimeField, "90");
    setText(MainId::MessageEditor, "to all");
    command(MainId::SendToAllButton);
    ASSERT_TRUE(waitForTheEnd(w));

    std::vector<std::string> commands = logLines(w.logText(), "cmd.exe ");
    ASSERT_EQ(commands.size(), 3u) << w.logText();
    const char* hosts[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3"};
    for (std::size_t i = 0; i < 3; ++i) {
        std::string expected = expectedCommand(hosts[i], "\"Jane Doe\"", "90");
        EXPECT_EQ(commands[i].substr(0, expected.size()), expected);
        EXPECT_EQ(messageFileOf(commands[i]), messageFileOf(commands[0])) << "one file for the whole walk";
    }
    EXPECT_FALSE(test::fileExists(messageFileOf(commands[0]))) << "deleted after the last result";
    EXPECT_EQ(w.computers().typedText(), "silent-name") << "the last entry ends selected";
    EXPECT_EQ(w.computers().selectedIndex(), 4);
    auto runs = standins_.waitFor(3);
    ASSERT_EQ(runs.size(), 3u);
    for (const auto& run : runs) {
        EXPECT_EQ(run.input, "to all");
        EXPECT_NE(run.args.find("/TIME:90 \"Jane Doe\""), std::string::npos) << run.args;
    }
    std::vector<std::string> summary = logLines(w.logText(), "Send to all: ");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].rfind("Send to all: 3 delivered, 0 not delivered, 0 silent, 2 not found, in ", 0), 0u)
        << summary[0];
    EXPECT_EQ(logLines(w.logText(), "*: "), std::vector<std::string>{"*: not found"});
    EXPECT_EQ(logLines(w.logText(), "silent-name: "), std::vector<std::string>{"silent-name: not found"});
    EXPECT_EQ(w.logText().substr(w.logText().size() - summary[0].size() - 2), summary[0] + "\r\n") << "the last line";
    EXPECT_EQ(w.statusText(0), "Command") << "the progress is gone";
    EXPECT_TRUE(prompts_.shown.empty());
}

// The log lines that report a delivery, in the order they came.
std::vector<std::string> deliveryLines(const std::string& log)
{
    std::vector<std::string> lines;
    for (const std::string& line : logLines(log, ""))
        if (line.find(": delivered") != std::string::npos || line.find(": not delivered") != std::string::npos)
            lines.push_back(line);
    return lines;
}

TEST_F(MainWindowTest, SendReportsWhetherTheMessageArrived)
{
    SetEnvironmentVariableA("TALKPOST_STANDIN_FAIL", "refusing:5;Unreachable:1722");
    MainWindow& w = open();
    setText(MainId::MessageEditor, "m");
    for (const char* computer : {"Remote01", "refusing", "unreachable"}) {
        w.computers().setTypedText(computer);
        clickSend();
    }
    EXPECT_EQ(w.sendsRunning() + deliveryLines(w.logText()).size(), 3u);
    EXPECT_TRUE(waitForTheEnd(w));
    SetEnvironmentVariableA("TALKPOST_STANDIN_FAIL", nullptr);
    std::vector<std::string> lines = deliveryLines(w.logText());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"Remote01: delivered", "refusing: not delivered (exit code 5)",
                                               "unreachable: not delivered (exit code 1722)"}));
}

TEST_F(MainWindowTest, SendToAllGivesOneResultLinePerAnsweringEntry)
{
    SetEnvironmentVariableA("TALKPOST_STANDIN_FAIL", "127.0.0.2:1722");
    MainWindow& w = open();
    w.computers().replaceAll({"127.0.0.3", "*", "127.0.0.1", "silent-name", "127.0.0.2"});
    setText(MainId::MessageEditor, "to all");
    command(MainId::SendToAllButton);
    EXPECT_TRUE(waitForTheEnd(w));
    SetEnvironmentVariableA("TALKPOST_STANDIN_FAIL", nullptr);
    std::vector<std::string> lines = deliveryLines(w.logText());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"127.0.0.1: delivered", "127.0.0.2: not delivered (exit code 1722)",
                                               "127.0.0.3: delivered"}));
    EXPECT_EQ(logLines(w.logText(), "Send to all: ")
                  .at(0)
                  .rfind("Send to all: 2 delivered, 1 not delivered, 0 silent, 2 not found", 0),
              0u);
}

TEST_F(MainWindowTest, StopLaunchesNothingMoreWhileSendStillWorks)
{
    // One message command at a time, each taking a while like a remote call.
    test::TempFolder settingsDir;
    test::writeFile(settingsDir.file("Talkpost.ini"), "[Talkpost]\r\nParallelSends=1\r\n");
    _putenv_s("TALKPOST_SETTINGS_DIR", settingsDir.path().c_str());  // read through the C runtime
    SetEnvironmentVariableA("TALKPOST_STANDIN_DELAY_MS", "3000");
    MainWindow& w = open();
    w.computers().replaceAll({"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"});
    setText(MainId::MessageEditor, "m");
    command(MainId::SendToAllButton);
    ToolBar bar(w.control(id(MainId::ToolBar)));
    EXPECT_EQ(bar.buttonText(id(MainId::SendToAllButton)), "Stop");
    ASSERT_TRUE(test::waitUntil([&] { return logLines(w.logText(), "cmd.exe ").size() == 1; }));
    EXPECT_EQ(w.statusText(0), "Send to all: 0 of 4");

    w.computers().setTypedText("Remote01");  // a Send waits its turn under the same bound
    clickSend();
    EXPECT_EQ(logLines(w.logText(), "cmd.exe ").size(), 1u);
    EXPECT_EQ(w.sendsRunning(), 2u);

    command(MainId::SendToAllButton);  // Stop
    SetEnvironmentVariableA("TALKPOST_STANDIN_DELAY_MS", nullptr);
    _putenv_s("TALKPOST_SETTINGS_DIR", "");
    EXPECT_EQ(logLines(w.logText(), "Send to all stopped: "), std::vector<std::string>{"Send to all stopped: 3 not sent"});
    EXPECT_EQ(bar.buttonText(id(MainId::SendToAllButton)), "SendToAll");
    EXPECT_FALSE(w.sendToAllRunning());
    ASSERT_TRUE(waitForTheEnd(w));
    std::vector<std::string> lines = deliveryLines(w.logText());
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"127.0.0.1: delivered", "Remote01: delivered"}))
        << "what was launched still reports";
    EXPECT_EQ(logLines(w.logText(), "cmd.exe ").size(), 2u) << "nothing launched after Stop";
    EXPECT_EQ(logLines(w.logText(), "Send to all: ").size(), 1u);
    EXPECT_EQ(w.computers().typedText(), "127.0.0.1") << "the walk ended at its first entry";
}

// Names as real fleets are listed, resolved by the tests' own name server
// (tests/nettools/with_name_server.sh): names under answer.talkpost.test
// resolve to the address they carry, those under unknown.talkpost.test do not
// exist, and those under mute.talkpost.test never get an answer (the
// resolver gives up after 1 s). Runs as main_window_names.
class MainWindowNames : public MainWindowTest {
protected:
    void SetUp() override
    {
        if (std::getenv("TALKPOST_NAME_SERVER") == nullptr)
            GTEST_SKIP() << "runs as main_window_names, with the tests' name server";
        MainWindowTest::SetUp();
    }
};

TEST_F(MainWindowNames, SendToAllResolvesEveryNameAndCountsTheUnknownOnesApart)
{
    MainWindow& w = open();
    std::vector<std::string> entries = {"pc-127-0-3-1.answer.talkpost.test", "pc-127-0-3-2.answer.talkpost.test",
                                        "pc-127-1-3-1.answer.talkpost.test"};  // 127.1.x.y is silent
    std::vector<std::string> unknown;
    // More names without an answer than lookups run at once would be one
    // resolver time-out each if they were looked up one after another.
    for (int i = 0; i < 80; ++i)
        unknown.push_back("pc" + std::to_string(100 + i) + (i % 2 == 0 ? ".mute" : ".unknown") + ".talkpost.test");
    entries.insert(entries.end(), unknown.begin(), unknown.end());
    w.computers().replaceAll(entries);
    setText(MainId::MessageEditor, "by name");
    command(MainId::SendToAllButton);
    // Generous: the point is that it ends, with every line; the time is the benchmark's.
    ASSERT_TRUE(test::waitUntil([&] { return !w.sendToAllRunning() && w.sendsRunning() == 0; },
                                std::chrono::seconds(90)))
        << w.logText();

    std::string log = w.logText();
    std::vector<std::string> delivered = deliveryLines(log);
    std::sort(delivered.begin(), delivered.end());
    EXPECT_EQ(delivered, (std::vector<std::string>{"pc-127-0-3-1.answer.talkpost.test: delivered",
                                                   "pc-127-0-3-2.answer.talkpost.test: delivered"}));
    std::vector<std::string> notFound;
    for (const std::string& line : logLines(log, "pc1"))
        notFound.push_back(line);
    std::sort(unknown.begin(), unknown.end());  // the list's order
    std::vector<std::string> expected;
    for (const std::string& name : unknown)
        expected.push_back(name + ": not found");
    EXPECT_EQ(notFound, expected) << "one line each, in the list's order";
    EXPECT_EQ(logLines(log, "pc-127-1-3-1."), std::vector<std::string>{}) << "a silent computer gets no line";
    std::vector<std::string> summary = logLines(log, "Send to all: ");
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0].rfind("Send to all: 2 delivered, 0 not delivered, 1 silent, 80 not found, in ", 0), 0u)
        << summary[0];
    auto runs = standins_.waitFor(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NE(runs[0].args.find("/SERVER:pc-127-0-3-"), std::string::npos) << runs[0].args;
}

TEST_F(MainWindowNames, PingOfANameWithoutAnAnswerLeavesTheWindowAnswering)
{
    MainWindow& w = open();
    const std::string host = "pc1.mute.talkpost.test";
    w.computers().select(w.computers().add(host));
    command(MainId::Ping);
    // The lookup alone takes the resolver's second: the command is back long before.
    EXPECT_EQ(w.logText(), "PING " + host + "\r\n");
    EXPECT_EQ(w.pingsRunning(), 1u);
    // Meanwhile another thread gets its answer from the window.
    std::atomic<bool> answered{false};
    std::thread asker([&] {
        DWORD_PTR result = 0;
        answered = SendMessageTimeoutA(w.hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
    });
    ASSERT_TRUE(test::waitUntil([&] { return w.pingsRunning() == 0; }, std::chrono::seconds(30)));
    asker.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(w.logText(), "PING " + host + "\r\n" + host + " is not reachable\r\n");
}

TEST_F(MainWindowTest, SendToAllWithoutTheIcmpLibraryShowsTheErrorAtTheFirstEntry)
{
    MainWindow& w = open({}, "no-such-icmp.dll");
    w.computers().replaceAll({"127.0.0.1", "127.0.0.2"});
    setText(MainId::MessageEditor, "m");
    command(MainId::SendToAllButton);
    ASSERT_TRUE(test::waitUntil([&] { return !w.sendToAllRunning(); }));
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].kind, "error");
    EXPECT_EQ(prompts_.shown[0].text.rfind("icmp.dll library can not be loaded or not found. ", 0), 0u);
    EXPECT_EQ(logLines(w.logText(), "cmd.exe ").size(), 0u);
    EXPECT_EQ(w.computers().selectedIndex(), 0) << "the entry that failed stays selected";
}

TEST_F(MainWindowTest, ClosingWithSendsRunningKeepsTheLogAndLeavesTheInterpretersRunning)
{
    MainWindow& w = open();
    setText(MainId::MessageEditor, "m");
    w.computers().setTypedText("Remote01");
    clickSend();
    std::string log = w.logText();
    window_.reset();  // at once, whether or not the interpreter has ended
    auto runs = standins_.waitFor(1);
    EXPECT_EQ(runs.size(), 1u) << "the message still reaches msg.exe";
    EXPECT_EQ(runs.at(0).input, "m");
    EXPECT_EQ(log.rfind(expectedCommand("Remote01", "*"), 0), 0u) << log;
}

TEST_F(MainWindowTest, SendToAllSkipsEntriesTheInterpreterWouldActOnWithALogLine)
{
    MainWindow& w = open();
    w.computers().replaceAll({"127.0.0.1&calc", "127.0.0.1"});
    setText(MainId::MessageEditor, "m");
    command(MainId::SendToAllButton);
    ASSERT_TRUE(waitForTheEnd(w));
    std::string log = w.logText();
    EXPECT_EQ(logLines(log, "cmd.exe ").size(), 1u) << "exactly one launch: " << log;
    EXPECT_NE(log.find("/SERVER:127.0.0.1 "), std::string::npos);
    EXPECT_NE(log.find("skipped 127.0.0.1&calc: The computer \"127.0.0.1&calc\" contains the character \"&\""),
              std::string::npos)
        << log;
}

TEST_F(MainWindowTest, SendToAllWithAnEmptyListDoesNothing)
{
    MainWindow& w = open();
    w.computers().replaceAll({});
    setText(MainId::MessageEditor, "m");
    command(MainId::SendToAllButton);
    EXPECT_FALSE(w.sendToAllRunning());
    EXPECT_EQ(w.logText(), "");
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(MainWindowTest, SendToAllWithAnEmptyMessageShowsTheInformationBox)
{
    MainWindow& w = open();
    setText(MainId::MessageEditor, " \r\n");
    command(MainId::SendToAllButton);
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].text, "Please enter Message first");
    EXPECT_FALSE(w.sendToAllRunning());
    EXPECT_EQ(w.computers().selectedIndex(), -1);
}

TEST_F(MainWindowTest, RemoteDesktopStartsTheClientForTheSelectedEntry)
{
    MainWindow& w = open();
    w.computers().setTypedText("typed-only");
    command(MainId::RemoteDesktop);  // nothing picked: the empty entry
    w.computers().select(1);
    command(MainId::RemoteDesktop);
    std::string client = systemFolder() + "\\mstsc.exe";
    EXPECT_EQ(w.logText(), "cmd.exe /c " + client + " /v: /f\r\ncmd.exe /c " + client + " /v:Remote01 /f\r\n");
    auto runs = standins_.waitFor(2);
    ASSERT_EQ(runs.size(), 2u);
    std::vector<std::string> args = {trimRight(runs[0].args), trimRight(runs[1].args)};
    std::sort(args.begin(), args.end());
    EXPECT_EQ(args, (std::vector<std::string>{"/v: /f", "/v:Remote01 /f"}));
    EXPECT_EQ(runs[0].program, "mstsc.exe");
}

TEST_F(MainWindowTest, RemoteDesktopRefusesAnEntryWithABlankAQuoteOrAnOperator)
{
    MainWindow& w = open();
    w.computers().replaceAll({"pc /admin", "pc\" /public", "pc|evil"});
    for (int i = 0; i < 3; ++i) {
        w.computers().select(i);
        command(MainId::RemoteDesktop);
    }
    EXPECT_EQ(w.logText(), "");
    ASSERT_EQ(prompts_.shown.size(), 3u);
    for (const auto& shown : prompts_.shown)
        EXPECT_EQ(shown.kind, "information");
    EXPECT_TRUE(standins_.runs().empty());
}

TEST_F(MainWindowTest, ClientHelpShowsTheInformationBox)
{
    open();
    command(MainId::ClientHelp);
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].kind, "information");
    EXPECT_NE(prompts_.shown[0].text.find("HKLM\\ SYSTEM"), std::string::npos);
    EXPECT_NE(prompts_.shown[0].text.find("AllowRemoteRPC\tValue"), std::string::npos);
}

TEST_F(MainWindowTest, RealScanUnderWineLogsBeginAndFinishOnly)
{
    MainWindow& w = open();
    command(MainId::ScanNetwork);
    ASSERT_TRUE(test::waitUntil([&] { return !w.scan().running(); }));
    EXPECT_EQ(w.logText(), "...begin network scan\r\n... network scan finished\r\n");
    EXPECT_EQ(w.statusText(0), "...scan finished...");
    EXPECT_EQ(w.statusText(2), "OK");
    EXPECT_EQ(w.progressPosition(), 0);
    EXPECT_EQ(w.computers().count(), 3);
}

// The scan's menu entry while the walk waits on a domain that does not
// answer: it reads "Stop scan", the status bar counts what was found, and the
// entry stops the scan.
TEST_F(MainWindowTest, ScanRunsOffTheWindowsThreadAndItsMenuEntryStopsIt)
{
    MainWindow& w = open();
    UniqueHandle release(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE event = release.get();
    std::vector<test::NetNode> servers;
    for (int i = 0; i < 50; ++i)
        servers.push_back(test::server("\\\\SRV" + std::to_string(i)));
    test::NetNode slow = test::domain("SLOW", {test::server("\\\\LATE")});
    slow.onEnumerate = [event] { WaitForSingleObject(event, 60000); };
    test::NetNode top;
    top.children = {test::domain("FIRST", std::move(servers)), slow};
    auto net = std::make_shared<test::ScriptedNetwork>(top);
    w.setNetwork(net);
    HMENU menu = GetMenu(w.hwnd());
    EXPECT_EQ(menuEntryCaption(menu, id(MainId::ScanNetwork)), "&Scan network");

    command(MainId::ScanNetwork);
    ASSERT_TRUE(test::waitUntil([&] { return w.computers().count() == 53; }, std::chrono::seconds(60)));
    EXPECT_EQ(menuEntryCaption(menu, id(MainId::ScanNetwork)), "&Stop scan");
    EXPECT_EQ(w.statusText(0), "...scanne Netzwerk...");
    EXPECT_EQ(w.statusText(2), "50 found");
    EXPECT_TRUE(w.scan().running());

    command(MainId::ScanNetwork);
    EXPECT_FALSE(w.scan().running());
    EXPECT_EQ(menuEntryCaption(menu, id(MainId::ScanNetwork)), "&Scan network");
    EXPECT_EQ(logLines(w.logText(), "... network scan"),
              (std::vector<std::string>{"... network scan stopped: 50 found", "... network scan finished"}));
    EXPECT_EQ(logLines(w.logText(), "new Computer added: ").size(), 50u);
    EXPECT_EQ(w.statusText(0), "...scan finished...");
    EXPECT_EQ(w.statusText(2), "OK");
    SetEvent(event);
    ASSERT_TRUE(test::waitUntil([&] { return !w.scan().walking(); }));
    EXPECT_FALSE(w.computers().isListed("LATE"));
}

std::wstring widePath(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

TEST_F(MainWindowTest, ToolsMenuOffersImportAndExport)
{
    MainWindow& w = open();
    HMENU menu = GetMenu(w.hwnd());
    EXPECT_EQ(menuEntryCaption(menu, id(MainId::ImportComputers)), "&Import Computers...");
    EXPECT_EQ(menuEntryCaption(menu, id(MainId::ExportComputers)), "E&xport Computers...");
}

TEST_F(MainWindowTest, ImportAddsEachNewNameOnceAndLogsOneLine)
{
    MainWindow& w = open();
    w.computers().add("B\xC3\x9CRO");  // listed with letters past ASCII in other case ("BÜRO")
    w.computers().setTypedText("typed");
    std::string file = startDir_.file("fleet.csv");
    test::writeFile(file, "\xEF\xBB\xBFName,Room\r\n# the lab\r\npc01,A\r\nREMOTE01,B\r\n\r\n\"pc02\",C\r\nPC01,D\r\n"
                          "a&b,E\r\nx|y\r\npc03\r\nB\xC3\xBCro\r\n\xE6\x97\xA5\xE6\x9C\xAC\r\n");

    w.importComputersFrom(widePath(file));

    EXPECT_EQ(w.computers().entries(),
              (std::vector<std::string>{"*", "B\xC3\x9CRO", "pc01", "pc02", "pc03", "Remote01", "Remote02",
                                        "\xE6\x97\xA5\xE6\x9C\xAC"}));
    EXPECT_EQ(w.computers().typedText(), "typed");
    std::vector<std::string> lines = logLines(w.logText(), "Imported ");
    ASSERT_EQ(lines.size(), 1u);
    // A name in any language joins the list; only the command characters are refused.
    EXPECT_EQ(lines[0],
              "Imported 4 computers from " + file + ": 3 already listed, 2 refused (line 8: \"a&b\", line 9: \"x|y\")");

    // The same file again adds nothing.
    w.importComputersFrom(widePath(file));
    EXPECT_EQ(w.computers().count(), 8);
    EXPECT_EQ(logLines(w.logText(), "Imported 0 computers from " + file + ": 7 already listed, 2 refused").size(), 1u);
}

TEST_F(MainWindowTest, ImportRefusesAFileBeyondTheLimitsAndAddsNothing)
{
    MainWindow& w = open();
    std::string manyLines;
    for (int i = 0; i <= 100000; ++i)
        manyLines += "pc" + std::to_string(i) + "\r\n";
    std::string huge(16 * 1024 * 1024 + 1, 'a');
    struct Case {
        std::string name, bytes, message;
    };
    const Case cases[] = {
        {"lines.txt", manyLines, "has more than 100,000 lines and was not imported"},
        {"huge.txt", huge, "is larger than 16 MiB and was not imported"},
    };
    for (const Case& c : cases) {
        std::string file = startDir_.file(c.name);
        test::writeFile(file, c.bytes);
        try {
            w.importComputersFrom(widePath(file));
            ADD_FAILURE() << c.name << " was imported";
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()).find("The file " + file + " " + c.message), 0u) << e.what();
        }
        EXPECT_EQ(w.computers().count(), 3);
        EXPECT_TRUE(logLines(w.logText(), "Imported").empty());
    }
}

TEST_F(MainWindowTest, ExportWritesTheListOnePerLineAndReplacesTheOldFileWhole)
{
    MainWindow& w = open();
    w.computers().add("pc9");
    w.computers().add("B\xC3\xBCro");
    std::string file = startDir_.file("out.txt");
    test::writeFile(file, "an older list that is longer than the new one\r\n");

    w.exportComputersTo(widePath(file));

    EXPECT_EQ(test::readFile(file), "*\r\nB\xC3\xBCro\r\npc9\r\nRemote01\r\nRemote02\r\n");
    EXPECT_TRUE(test::filesIn(startDir_.path(), "*.tmp").empty());
    EXPECT_EQ(logLines(w.logText(), "Exported "), (std::vector<std::string>{"Exported 5 computers to " + file}));

    // A folder that is not there: nothing written, the error says where.
    std::string missing = startDir_.file("no such folder\\out.txt");
    EXPECT_THROW(w.exportComputersTo(widePath(missing)), AppError);
    EXPECT_FALSE(test::fileExists(missing));
    // What was exported reads back as the same list.
    w.computers().replaceAll({});
    w.importComputersFrom(widePath(file));
    EXPECT_EQ(w.computers().entries(), (std::vector<std::string>{"*", "B\xC3\xBCro", "pc9", "Remote01", "Remote02"}));
}

}  // namespace
}  // namespace talkpost
