// The LiveUpdate dialog as a real window over a scripted engine: its layout,
// the pages the buttons lead to, the check list's mandatory rows, the license
// choice, the progress bars, Cancel during a download, and "View in Notepad".
#include "update/wizard/update_wizard_win.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "scripted_wizard_engine.h"
#include "support/test_support_win.h"
#include "win/folders_win.h"
#include "base/app_error.h"

namespace talkpost {
namespace {

// Answers like a server with one update of three files; the download reports
// progress in four blocks and stops when the dialog asks it to.
struct ScriptedEngine : test::ScriptedWizardEngine {
    ScriptedEngine()
    {
        list = {{"Program", false, true}, {"Help", false, false}, {"Data", true, false}};
        blocks = 4;
    }
};

RECT placeIn(HWND control, HWND parent)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool shown(HWND control) { return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0; }

// A click as a person gives it. The step it starts runs on the dialog's
// worker; the dialog's messages are processed until the step has ended.
void click(UpdateWizardDialog& dialog, WizardControl button)
{
    SendMessageA(dialog.control(button), BM_CLICK, 0, 0);
    EXPECT_TRUE(test::waitUntil([&] { return !dialog.stepRunning(); })) << "the step did not end";
}

class WizardDialogTest : public ::testing::Test {
protected:
    WizardDialogTest() { engine.watcher = &mailbox; }

    std::unique_ptr<UpdateWizardDialog> open(const UpdateWizardLanguage& texts = {})
    {
        auto dialog = std::make_unique<UpdateWizardDialog>(prompts, nullptr, engine, mailbox, texts, settings);
        dialog->show();
        return dialog;
    }

    WizardMailbox mailbox;
    ScriptedEngine engine;
    WizardDialogSettings settings = [] {
        WizardDialogSettings s;
        s.caption = "LiveUpdate";
        return s;
    }();
    test::RecordingPrompts prompts;
};

TEST_F(WizardDialogTest, LaysOutTheWelcomePageBesideTheBillboard)
{
    auto dialog = open();
    RECT client;
    GetClientRect(dialog->hwnd(), &client);
    EXPECT_EQ(client.right, 474);
    EXPECT_EQ(client.bottom, 284);
    EXPECT_EQ(windowText(dialog->hwnd()), "LiveUpdate");

    struct Case {
        WizardControl control;
        RECT place;
    };
    const Case cases[] = {
        {WizardControl::Billboard, {9, 27, 125, 228}},
        {WizardControl::StartButton, {360, 232, 451, 257}},
        {WizardControl::WhatsNewMemo, {136, 32, 449, 225}},
        {WizardControl::AcceptRadio, {137, 228, 361, 245}},
        {WizardControl::DeclineRadio, {137, 246, 361, 263}},
        {WizardControl::FileProgress, {136, 88, 449, 105}},
        {WizardControl::TotalProgress, {136, 168, 449, 185}},
        {WizardControl::FileLabel, {288, 64, 449, 79}},
    };
    for (const Case& c : cases) {
        RECT r = placeIn(dialog->control(c.control), dialog->hwnd());
        EXPECT_EQ(r.left, c.place.left) << static_cast<int>(c.control);
        EXPECT_EQ(r.top, c.place.top) << static_cast<int>(c.control);
        EXPECT_EQ(r.right, c.place.right) << static_cast<int>(c.control);
        EXPECT_EQ(r.bottom, c.place.bottom) << static_cast<int>(c.control);
    }
    EXPECT_TRUE(shown(dialog->control(WizardControl::WelcomeLabel)));
    EXPECT_FALSE(shown(dialog->control(WizardControl::ControlButton)));
    EXPECT_EQ(windowText(dialog->control(WizardControl::WelcomeLabel)),
              "Press start to start checking for available application updates ...");
    EXPECT_EQ(windowText(dialog->control(WizardControl::StartButton)), "Start");
    EXPECT_EQ(windowText(dialog->control(WizardControl::WhatsNewHeading)), "What's new");
    EXPECT_FALSE(IsWindowEnabled(dialog->control(WizardControl::EulaButton)));
}

TEST_F(WizardDialogTest, AWiderCaptionGrowsTheButtonToTheLeft)
{
    UpdateWizardLanguage texts;
    texts.exitButton = "Leave the update wizard without installing anything";
    engine.checkCode = update::CheckCode::NoNewVersion;
    auto dialog = open(texts);
    click(*dialog, WizardControl::StartButton);
    EXPECT_EQ(dialog->page(), WizardPage::CheckResult);
    HWND button = dialog->control(WizardControl::ControlButton);
    EXPECT_EQ(windowText(button), texts.exitButton);
    RECT r = placeIn(button, dialog->hwnd());
    EXPECT_EQ(r.right, 451);
    EXPECT_GT(r.right - r.left, 91);
    EXPECT_EQ(windowText(dialog->control(WizardControl::VersionInfoLabel)), "No new version available.");
}

TEST_F(WizardDialogTest, AMandatoryRowStaysCheckedWhenClicked)
{
    auto dialog = open();
    click(*dialog, WizardControl::StartButton);
    click(*dialog, WizardControl::ControlButton);
    ASSERT_EQ(dialog->page(), WizardPage::Components);
    HWND list = dialog->control(WizardControl::ComponentList);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);  // the hidden file has no row
    RECT row;
    for (int i = 0; i < 2; ++i) {
        SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&row));
        LPARAM at = MAKELPARAM(row.left + 6, row.top + 6);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list, WM_LBUTTONUP, 0, at);
    }
    EXPECT_TRUE(dialog->rowChecked(0));
    EXPECT_TRUE(dialog->rowMandatory(0));
    EXPECT_FALSE(dialog->rowChecked(1));

    click(*dialog, WizardControl::FilesButton);
    EXPECT_EQ(engine.kept, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(dialog->page(), WizardPage::Complete);
    // The download page names the file as the user knows it, not as it is stored meanwhile.
    EXPECT_EQ(windowText(dialog->control(WizardControl::FileLabel)), "Talkpost 1.0.0.2");
    EXPECT_EQ(SendMessageA(dialog->control(WizardControl::FileProgress), PBM_GETPOS, 0, 0), 4096);
    EXPECT_EQ(SendMessageA(dialog->control(WizardControl::TotalProgress), PBM_GETPOS, 0, 0), 4096);
    EXPECT_EQ(SendMessageA(dialog->control(WizardControl::TotalProgress), PBM_GETRANGE, FALSE, 0), 8192);
    EXPECT_EQ(windowText(dialog->control(WizardControl::RestartButton)), "Restart");
}

TEST_F(WizardDialogTest, TheLicenseWaitsForAChoiceAndDeclineCloses)
{
    engine.license = std::vector<std::string>{"Line one", "Line two"};
    auto dialog = open();
    click(*dialog, WizardControl::StartButton);
    click(*dialog, WizardControl::ControlButton);
    ASSERT_EQ(dialog->page(), WizardPage::License);
    EXPECT_EQ(windowText(dialog->control(WizardControl::EulaMemo)), "Line one\r\nLine two");
    EXPECT_FALSE(IsWindowEnabled(dialog->control(WizardControl::EulaButton)));
    click(*dialog, WizardControl::DeclineRadio);
    EXPECT_TRUE(IsWindowEnabled(dialog->control(WizardControl::EulaButton)));
    EXPECT_EQ(windowText(dialog->control(WizardControl::EulaButton)), "Exit");
    click(*dialog, WizardControl::AcceptRadio);
    EXPECT_EQ(windowText(dialog->control(WizardControl::EulaButton)), "Next");
    click(*dialog, WizardControl::DeclineRadio);
    click(*dialog, WizardControl::EulaButton);
    // The close query closes the connection a second time.
    EXPECT_TRUE(test::waitUntil([&] { return dialog->hwnd() == nullptr; }));
    EXPECT_EQ(engine.closes, 2);
}

TEST_F(WizardDialogTest, CancelDuringTheDownloadEndsItAsFailed)
{
    engine.blocks = 1000;
    auto dialog = open();
    click(*dialog, WizardControl::StartButton);
    click(*dialog, WizardControl::ControlButton);
    ASSERT_EQ(dialog->page(), WizardPage::Components);
    // Heard while the download runs on the worker.
    PostMessageA(dialog->control(WizardControl::CancelButton), BM_CLICK, 0, 0);
    click(*dialog, WizardControl::FilesButton);
    EXPECT_LT(engine.progressSeen.size(), 1000u);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Failed to download updates");
    EXPECT_EQ(prompts.shown[0].caption, "Talkpost");
    EXPECT_NE(dialog->page(), WizardPage::Complete);
    EXPECT_TRUE(test::waitUntil([&] { return dialog->hwnd() == nullptr; }));
}

TEST_F(WizardDialogTest, ViewInNotepadWritesTheTextToTheTemporaryFolder)
{
    engine.whatsNew = std::vector<std::string>{"New: a banner", "Fixed: a crash"};
    auto dialog = open();
    click(*dialog, WizardControl::StartButton);
    click(*dialog, WizardControl::ControlButton);
    ASSERT_EQ(dialog->page(), WizardPage::WhatsNew);
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + "whatsnew.txt";
    DeleteFileA(path.c_str());
    dialog->viewInNotepad(WizardMemo::WhatsNew);
    EXPECT_EQ(test::readFile(path), "New: a banner\r\nFixed: a crash\r\n");
    test::endChildProcesses();
    DeleteFileA(path.c_str());
}

// Points .txt files at a type that has no program for the life of the object.
class NoProgramForTextFiles {
public:
    NoProgramForTextFiles()
    {
        char value[256] = {};
        LONG size = sizeof value;
        if (RegQueryValueA(HKEY_CLASSES_ROOT, ".txt", value, &size) == ERROR_SUCCESS)
            previous_ = value;
        RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, kNoType, sizeof kNoType - 1);
    }
    ~NoProgramForTextFiles()
    {
        if (previous_.empty())
            RegDeleteKeyA(HKEY_CLASSES_ROOT, ".txt");
        else
            RegSetValueA(HKEY_CLASSES_ROOT, ".txt", REG_SZ, previous_.c_str(), static_cast<DWORD>(previous_.size()));
    }

private:
    static constexpr char kNoType[] = "TalkpostTypeWithoutAProgram";
    std::string previous_;
};

// The system's editor opens the text whatever program the text files' type
// names, here none; an editor that cannot start is reported with the path.
TEST_F(WizardDialogTest, ViewInNotepadStartsTheSystemsEditorAndSaysSoWhenItCannot)
{
    engine.license = std::vector<std::string>{"License text"};
    auto dialog = open();
    click(*dialog, WizardControl::StartButton);
    click(*dialog, WizardControl::ControlButton);
    ASSERT_EQ(dialog->page(), WizardPage::License);
    std::string path = tempFolder();
    if (path.back() != '\\')
        path += '\\';
    path += "eula.txt";
    EXPECT_EQ(dialog->notepadProgram, systemFolder() + "\\notepad.exe");
    {
        NoProgramForTextFiles noProgram;
        dialog->viewInNotepad(WizardMemo::License);
    }
    EXPECT_EQ(test::readFile(path), "License text\r\n");
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front().text;

    dialog->notepadProgram = systemFolder() + "\\no-such-editor.exe";
    dialog->viewInNotepad(WizardMemo::License);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "error");
    EXPECT_NE(prompts.shown[0].text.find(path), std::string::npos) << prompts.shown[0].text;
    EXPECT_NE(prompts.shown[0].text.find("no-such-editor.exe"), std::string::npos) << prompts.shown[0].text;
    test::endChildProcesses();
    DeleteFileA(path.c_str());
}

TEST_F(WizardDialogTest, ACancelledRunLeavesTheNextOneUncancelled)
{
    {
        auto dialog = open();
        EXPECT_FALSE(mailbox.cancelRequested());
        PostMessageA(dialog->control(WizardControl::CancelButton), BM_CLICK, 0, 0);
        EXPECT_TRUE(test::waitUntil([&] { return mailbox.cancelRequested(); }));
    }
    auto dialog = open();
    EXPECT_FALSE(mailbox.cancelRequested());
}

TEST_F(WizardDialogTest, WalksEveryPageAndLeavesAScreenshotOfEach)
{
    engine.whatsNew = std::vector<std::string>{"Version 1.0.0.2", "", "- Each message reports whether it arrived."};
    engine.license = std::vector<std::string>{"Talkpost license", "", "You may use this program on your network."};
    auto dialog = open();
    std::string folder = test::binaryDir() + "\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    auto shoot = [&](const char* name) {
        RedrawWindow(dialog->hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        test::pumpFor(std::chrono::milliseconds(200));
        saveWindowShot(dialog->hwnd(), folder + "\\wizard-" + name + ".bmp");
    };
    SetForegroundWindow(dialog->hwnd());
    shoot("0-welcome");
    click(*dialog, WizardControl::StartButton);
    EXPECT_EQ(windowText(dialog->control(WizardControl::VersionInfoLabel)),
              "New version found :\r\nCurrent version : 1.0.0.1\r\nNew version : 1.0.0.2\r\n\r\nFixes.");
    shoot("1-check");
    click(*dialog, WizardControl::ControlButton);
    ASSERT_EQ(dialog->page(), WizardPage::WhatsNew);
    shoot("2-whatsnew");
    click(*dialog, WizardControl::NewButton);
    ASSERT_EQ(dialog->page(), WizardPage::License);
    click(*dialog, WizardControl::AcceptRadio);
    shoot("3-license");
    click(*dialog, WizardControl::EulaButton);
    ASSERT_EQ(dialog->page(), WizardPage::Components);
    shoot("4-components");
    // Halfway through the download, on the worker: the picture is taken on the dialog's thread.
    engine.duringDownload = [&] { onWindowThread(dialog->hwnd(), [&] { shoot("5-download"); }); };
    click(*dialog, WizardControl::FilesButton);
    ASSERT_EQ(dialog->page(), WizardPage::Complete);
    shoot("6-complete");
}

TEST(UpdateWizard, RunWithoutAnEngineFails)
{
    test::RecordingPrompts prompts;
    UpdateWizard wizard(prompts);
    try {
        wizard.runWizard(nullptr);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_STREQ(e.what(), "No update engine assigned");
    }
}

}  // namespace
}  // namespace talkpost
