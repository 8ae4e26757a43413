// LiveUpdate as the operator meets it: the wizard over the real engine against
// our update server on 127.0.0.1 (started by with_wizard_server.sh), driven
// from a second thread through the dialog's own controls while the test's
// thread runs it modally.
#include "update/live_update_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include "support/test_support_win.h"
#include "update/engine/status_log.h"

namespace talkpost::update {
namespace {

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string work() { return test::unixToWindowsPath(env("TALKPOST_UPDATE_WORK")); }
std::string target(const std::string& name) { return work() + "\\target\\" + name; }

// What the operator's hands and eyes do, from the driver's thread.
class Operator {
public:
    explicit Operator(HWND dialog) : dialog_(dialog) {}

    HWND control(WizardControl id) const { return GetDlgItem(dialog_, static_cast<int>(id)); }
    bool shown(WizardControl id) const { return IsWindowVisible(control(id)) != FALSE; }
    bool enabled(WizardControl id) const { return IsWindowEnabled(control(id)) != FALSE; }
    std::string text(WizardControl id) const
    {
        char buffer[4096] = {};
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(control(id), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                            5000, &ignored);
        return buffer;
    }
    // Waits until the control shows, enabled: the page has arrived and waits for its button.
    bool waitFor(WizardControl id) const
    {
        bool gone = false;
        bool arrived = test::waitUntil(
            [&] {
                gone = !IsWindow(dialog_);
                return gone || (shown(id) && enabled(id));
            },
            std::chrono::seconds(30));
        return arrived && !gone;
    }
    // Whether the dialog answers a message within 200 ms, as the system asks a window that might hang.
    bool answers() const
    {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(dialog_, WM_NULL, 0, 0, SMTO_NORMAL, 200, &ignored) != 0;
    }
    void click(WizardControl id) const { PostMessageA(control(id), BM_CLICK, 0, 0); }
    // Start, then "Get update" once the check has answered.
    bool startAndGetUpdate() const
    {
        click(WizardControl::StartButton);
        if (!waitFor(WizardControl::ControlButton))
            return false;
        click(WizardControl::ControlButton);
        return true;
    }
    void closeFromTitleBar() const { PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); }
    void clickRow(int row) const
    {
        HWND list = control(WizardControl::ComponentList);
        RECT r{};
        SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM(r.left + 6, r.top + 6);
        // Sent, not posted: a message sent from this thread is handled before
        // any posted one, so a posted click could still be waiting when the
        // rows are read.
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list, WM_LBUTTONUP, 0, at);
    }
    std::vector<bool> rowsChecked() const
    {
        HWND list = control(WizardControl::ComponentList);
        std::vector<bool> checked;
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT row = 0; row < count; ++row)
            checked.push_back((SendMessageA(list, LB_GETITEMDATA, row, 0) & 1) != 0);
        return checked;
    }
    bool waitClosed() const
    {
        return test::waitUntil([&] { return !IsWindow(dialog_); }, std::chrono::seconds(30));
    }

private:
    HWND dialog_;
};

class LiveUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(env("TALKPOST_UPDATE_WORK").empty()) << "run through with_wizard_server.sh";
        setLogFileName(folder.file("upd.log"));
    }
    void TearDown() override { setLogFileName("UPDATE.LOG"); }

    // Runs LiveUpdate for one case of the server while the script acts on the
    // dialog.
    void run(const std::string& caseName, const std::function<void(Operator&)>& script)
    {
        std::atomic<bool> seen{false};
        std::thread driver([&] {
            HWND dialog = nullptr;
            seen = test::waitUntil(
                [&] {
                    dialog = FindWindowA("TalkpostUpdateWizard", "LiveUpdate");
                    return dialog != nullptr && IsWindowVisible(dialog);
                },
                std::chrono::seconds(30));
            if (seen) {
                Operator hands(dialog);
                script(hands);
                // A script that stopped half-way (a failed assertion) leaves
                // the wizard open: closed here, the test goes on to fail.
                if (IsWindow(dialog)) {
                    ADD_FAILURE() << caseName << ": the wizard was still open when the script ended";
                    hands.closeFromTitleBar();
                    hands.waitClosed();
                }
            }
        });
        // The serial each run accepts stays in this test's folder.
        settings::SettingsFile settings(settings::SettingsOptions::in(folder.path()));
        LiveUpdate live(settings, prompts);
        live.run(nullptr, env("TALKPOST_UPDATE_BASE") + "/" + caseName);
        driver.join();
        EXPECT_TRUE(seen) << caseName;
    }

    std::string log() const { return test::fileExists(folder.file("upd.log")) ? test::readFile(folder.file("upd.log")) : ""; }
    std::size_t logged(const std::string& part) const
    {
        std::string all = log();
        std::size_t count = 0;
        for (std::size_t at = all.find(part); at != std::string::npos; at = all.find(part, at + 1))
            ++count;
        return count;
    }

    test::TempFolder folder;
    test::RecordingPrompts prompts;
};

// The check page for what a server has when there is nothing to get; Exit
// closes the dialog and the connection.
TEST_F(LiveUpdateTest, TheCheckPageOffersExitWhenThereIsNothingToGet)
{
    const std::string failed = "Could not connect to update server or\r\nno update found on server ...";
    struct Case {
        std::string name, info;
    };
    const Case cases[] = {
        {"nothing", "No new version available."},
        {"missing", failed},
        {"tampered", failed},  // changed after it was signed
    };
    for (const Case& c : cases) {
        std::string info, caption;
        std::size_t closedBefore = logged("[949] Closed Internet connection");
        run(c.name, [&](Operator& hands) {
            hands.click(WizardControl::StartButton);
            ASSERT_TRUE(hands.waitFor(WizardControl::ControlButton));
            info = hands.text(WizardControl::VersionInfoLabel);
            caption = hands.text(WizardControl::ControlButton);
            hands.click(WizardControl::ControlButton);
            EXPECT_TRUE(hands.waitClosed());
        });
        EXPECT_EQ(info, c.info) << c.name << "\n" << log();
        EXPECT_EQ(caption, "Exit") << c.name;
        EXPECT_GE(logged("[949] Closed Internet connection") - closedBefore, 2u) << c.name;
    }
    EXPECT_EQ(logged("[927]"), 1u);
}

TEST_F(LiveUpdateTest, ADateBasedUpdateShowsTheTimeOnlyWhenItHasOne)
{
    std::map<std::string, std::string> newLine;
    for (const std::string caseName : {"dated", "midnight"}) {
        run(caseName, [&](Operator& hands) {
            hands.click(WizardControl::StartButton);
            ASSERT_TRUE(hands.waitFor(WizardControl::ControlButton));
            std::string info = hands.text(WizardControl::VersionInfoLabel);
            std::size_t at = info.find("New version : ");
            if (at != std::string::npos)
                newLine[caseName] = info.substr(at + 14, info.find('\r', at) - at - 14);
            EXPECT_EQ(hands.text(WizardControl::ControlButton), "Get update");
            hands.closeFromTitleBar();
            EXPECT_TRUE(hands.waitClosed());
        });
    }
    ASSERT_EQ(newLine.size(), 2u);
    EXPECT_NE(newLine["dated"].find(' '), std::string::npos) << newLine["dated"];
    EXPECT_NE(newLine["dated"].find("30"), std::string::npos) << newLine["dated"];
    EXPECT_EQ(newLine["midnight"].find(' '), std::string::npos) << newLine["midnight"];
    // The title bar's close closes the connection too.
    EXPECT_GE(logged("[949] Closed Internet connection"), 4u);
}

TEST_F(LiveUpdateTest, DecliningTheLicenseEndsWithoutInstalling)
{
    std::string whatsNew, exitCaption;
    bool nextAtFirst = true;
    run("documents", [&](Operator& hands) {
        ASSERT_TRUE(hands.startAndGetUpdate());
        ASSERT_TRUE(hands.waitFor(WizardControl::NewButton));
        whatsNew = hands.text(WizardControl::WhatsNewMemo);
        hands.click(WizardControl::NewButton);
        ASSERT_TRUE(hands.waitFor(WizardControl::DeclineRadio));
        nextAtFirst = hands.enabled(WizardControl::EulaButton);
        hands.click(WizardControl::DeclineRadio);
        ASSERT_TRUE(hands.waitFor(WizardControl::EulaButton));
        exitCaption = hands.text(WizardControl::EulaButton);
        hands.click(WizardControl::EulaButton);
        EXPECT_TRUE(hands.waitClosed());
    });
    EXPECT_EQ(whatsNew, "Version 1.0.0.2\r\n- every message reports whether it arrived");
    EXPECT_FALSE(nextAtFirst);
    EXPECT_EQ(exitCaption, "Exit");
    EXPECT_FALSE(test::fileExists(target("program.dat")));
}

TEST_F(LiveUpdateTest, AMandatoryRowStaysCheckedAndHiddenFilesComeAlong)
{
    std::vector<bool> rows;
    std::string restartCaption, hint;
    run("documents", [&](Operator& hands) {
        ASSERT_TRUE(hands.startAndGetUpdate());
        ASSERT_TRUE(hands.waitFor(WizardControl::NewButton));
        hands.click(WizardControl::NewButton);
        ASSERT_TRUE(hands.waitFor(WizardControl::AcceptRadio));
        hands.click(WizardControl::AcceptRadio);
        ASSERT_TRUE(hands.waitFor(WizardControl::EulaButton));
        hands.click(WizardControl::EulaButton);
        ASSERT_TRUE(hands.waitFor(WizardControl::FilesButton));
        hands.clickRow(0);  // mandatory: stays
        hands.clickRow(1);
        rows = hands.rowsChecked();
        hands.click(WizardControl::FilesButton);
        ASSERT_TRUE(hands.waitFor(WizardControl::RestartButton));
        restartCaption = hands.text(WizardControl::RestartButton);
        hint = hands.text(WizardControl::RestartHint);
        hands.click(WizardControl::RestartButton);
        EXPECT_TRUE(hands.waitClosed());
    });
    EXPECT_EQ(rows, (std::vector<bool>{true, false}));
    EXPECT_EQ(test::readFile(target("program.dat")), "program bytes\r\n");
    EXPECT_EQ(test::readFile(target("data.txt")), "sample data\r\n");
    EXPECT_FALSE(test::fileExists(target("help.txt")));
    // Nothing of the program itself was fetched: no restart.
    EXPECT_EQ(restartCaption, "Exit");
    EXPECT_EQ(hint, "");
    DeleteFileA(target("program.dat").c_str());
    DeleteFileA(target("data.txt").c_str());
}

TEST_F(LiveUpdateTest, HiddenFilesAloneAreFetchedAtOnceUnlessNewsCameFirst)
{
    bool passedOver = false;
    run("hidden", [&](Operator& hands) {
        ASSERT_TRUE(hands.startAndGetUpdate());
        passedOver = hands.waitFor(WizardControl::RestartButton);
        hands.click(WizardControl::RestartButton);
        EXPECT_TRUE(hands.waitClosed());
    });
    EXPECT_TRUE(passedOver);
    EXPECT_TRUE(test::fileExists(target("data.txt")));
    DeleteFileA(target("data.txt").c_str());

    std::size_t rowsShown = 99;
    run("hiddennews", [&](Operator& hands) {
        ASSERT_TRUE(hands.startAndGetUpdate());
        ASSERT_TRUE(hands.waitFor(WizardControl::NewButton));
        hands.click(WizardControl::NewButton);
        ASSERT_TRUE(hands.waitFor(WizardControl::FilesButton));
        rowsShown = hands.rowsChecked().size();
        EXPECT_FALSE(test::fileExists(target("data.txt")));  // page 4 waits
        hands.click(WizardControl::FilesButton);
        ASSERT_TRUE(hands.waitFor(WizardControl::RestartButton));
        hands.click(WizardControl::RestartButton);
        EXPECT_TRUE(hands.waitClosed());
    });
    EXPECT_EQ(rowsShown, 0u);
    EXPECT_TRUE(test::fileExists(target("data.txt")));
    DeleteFileA(target("data.txt").c_str());
}

TEST_F(LiveUpdateTest, EveryRowUncheckedEndsWithNoFilesFound)
{
    run("choices", [&](Operator& hands) {
        ASSERT_TRUE(hands.startAndGetUpdate());
        ASSERT_TRUE(hands.waitFor(WizardControl::FilesButton));
        hands.clickRow(0);
        hands.clickRow(1);
        hands.click(WizardControl::FilesButton);
        EXPECT_TRUE(hands.waitClosed());
    });
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "No files found for update");
    EXPECT_EQ(prompts.shown[0].caption, "Talkpost");
    EXPECT_FALSE(test::fileExists(target("help.txt")));
}

TEST_F(LiveUpdateTest, CancelOrAForgedFileEndsAsAFailedDownload)
{
    std::string fileLabel;
    bool answered = true;
    for (const std::string caseName : {"slow", "forged"}) {
        prompts.shown.clear();
        run(caseName, [&](Operator& hands) {
            ASSERT_TRUE(hands.startAndGetUpdate());
            ASSERT_TRUE(hands.waitFor(WizardControl::FilesButton));
            hands.click(WizardControl::FilesButton);
            if (caseName == "slow") {
                ASSERT_TRUE(hands.waitFor(WizardControl::CancelButton));
                // The page names the file as the components page did, and answers throughout.
                test::waitUntil([&] { return !hands.text(WizardControl::FileLabel).empty(); });
                fileLabel = hands.text(WizardControl::FileLabel);
                for (int i = 0; i < 10; ++i)
                    answered = hands.answers() && answered;
                hands.click(WizardControl::CancelButton);
            }
            EXPECT_TRUE(hands.waitClosed());
        });
        ASSERT_EQ(prompts.shown.size(), 1u) << caseName;
        EXPECT_EQ(prompts.shown[0].text, "Failed to download updates") << caseName;
    }
    EXPECT_EQ(fileLabel, "Slow");
    EXPECT_TRUE(answered);
    EXPECT_FALSE(test::fileExists(target("slow.dat")));
    EXPECT_FALSE(test::fileExists(target("forged.dat")));
    EXPECT_GE(logged("[964] Update process cancelled"), 1u);
}

TEST_F(LiveUpdateTest, AStalledCheckAnswersAndClosingCancelsIt)
{
    bool answered = true;
    run("stall", [&](Operator& hands) {
        hands.click(WizardControl::StartButton);
        // The server holds the control file back: the dialog still answers.
        test::waitUntil([&] { return logged("[915] Download : ") > 0; });
        for (int i = 0; i < 10; ++i)
            answered = hands.answers() && answered;
        hands.closeFromTitleBar();
        EXPECT_TRUE(hands.waitClosed());
    });
    EXPECT_TRUE(answered);
    EXPECT_EQ(logged("[964] Update process cancelled"), 1u);
    EXPECT_EQ(logged("[925] Update control file not found"), 1u);
    EXPECT_EQ(logged("[975]"), 0u);  // cancelled, not timed out
}

}  // namespace
}  // namespace talkpost::update
