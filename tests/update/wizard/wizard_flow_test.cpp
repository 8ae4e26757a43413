// The update wizard's texts and its page flow, driven through a scripted
// engine and a view that keeps what the dialog would show.
#include "update/wizard/wizard_flow.h"

#include "scripted_wizard_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace talkpost {
namespace {

TEST(WizardTexts, DefaultsAreTheEnglishTexts)
{
    const UpdateWizardEnglish english;
    const std::pair<std::string, const char*> cases[] = {
        {english.welcome, "Press start to start checking for available application updates ..."},
        {english.startButton, "Start"},
        {english.nextButton, "Next"},
        {english.exitButton, "Exit"},
        {english.restartButton, "Restart"},
        {english.cancelButton, "Cancel"},
        {english.failedDownload, "Failed to download updates"},
        {english.getUpdateButton, "Get update"},
        {english.newVersionFound, "New version found"},
        {english.newVersion, "New version"},
        {english.noNewVersionAvail, "No new version available."},
        {english.newVersionAvail, "New version available."},
        {english.currentVersion, "Current version"},
        {english.noFilesFound, "No files found for update"},
        {english.noUpdateOnServer, "no update found on server ..."},
        {english.cannotConnect, "Could not connect to update server or"},
        {english.whatsNew, "What's new"},
        {english.license, "License agreement"},
        {english.acceptLicense, "I accept"},
        {english.notAcceptLicense, "I do not accept"},
        {english.componentsAvail, "Available application components"},
        {english.downloadingFiles, "Downloading files"},
        {english.currentProgress, "Current file progress"},
        {english.totalProgress, "Total file progress"},
        {english.updateComplete, "Update completed ..."},
        {english.restartInfo, "Press restart to start the updated application."},
        {english.whatsNewPopup, "View in Notepad"},
        {english.licensePopup, "View in Notepad"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text, expected);
    EXPECT_NE(english.getUpdateButton, english.exitButton);
}

TEST(WizardTexts, AssignCopiesEveryText)
{
    UpdateWizardLanguage german;
    german.exitButton = "Beenden";
    german.licensePopup = "Im Editor zeigen";
    UpdateWizardLanguage copy;
    copy.assign(german);
    EXPECT_EQ(copy.exitButton, "Beenden");
    EXPECT_EQ(copy.licensePopup, "Im Editor zeigen");
    EXPECT_EQ(copy.startButton, "Start");
}

TEST(WizardTexts, CheckResultTextPerCode)
{
    const UpdateWizardLanguage texts;
    CheckResultFacts facts{"01.02.2026", "24.12.2026", "", "2.0.1.2", "2.0.1.3", "Fixes.", ""};
    CheckResultFacts timed = facts;
    timed.newTime = "14:30:00";
    struct Case {
        int code;
        const CheckResultFacts* facts;
        std::string text;
    };
    const Case cases[] = {
        {update::CheckCode::DateNewer, &facts,
         "New version found :\rCurrent version : 01.02.2026\rNew version : 24.12.2026\r\rFixes."},
        {update::CheckCode::DateNewer, &timed,
         "New version found :\rCurrent version : 01.02.2026\rNew version : 24.12.2026 14:30:00\r\rFixes."},
        {update::CheckCode::NoNewVersion, &facts, "No new version available."},
        {update::CheckCode::VersionNewer, &facts, "New version found :\rCurrent version : 2.0.1.2\rNew version : 2.0.1.3\r\rFixes."},
        {update::CheckCode::Unconditional, &facts, "New version available."},
        {update::CheckCode::SizeDiffers, &facts, "New version available."},
        {update::CheckCode::ChecksumDiffers, &facts, "New version available."},
        {update::CheckCode::CustomAccepted, &facts, "New version available."},
        {5, &facts, ""},
        {-1, &facts, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkResultText(c.code, *c.facts, texts), c.text) << c.code;
    EXPECT_EQ(controlFileFailedText(texts), "Could not connect to update server or\rno update found on server ...");

    // The update rolled back here is named whichever rule found it; nothing
    // newer stays nothing newer.
    CheckResultFacts rolledBack = facts;
    rolledBack.rolledBackUpdate = "2.0.1.3";
    const std::string again =
        "The update to 2.0.1.3 did not start on this computer and was rolled back.\r\rPress Get update to try it again.";
    for (int code : {update::CheckCode::VersionNewer, update::CheckCode::DateNewer, update::CheckCode::Unconditional})
        EXPECT_EQ(checkResultText(code, rolledBack, texts), again) << code;
    EXPECT_EQ(checkResultText(update::CheckCode::NoNewVersion, rolledBack, texts), "No new version available.");
}

TEST(WizardProgress, FileNameIsThePartAfterTheLastSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Temp\\UPDT12.tmp", "UPDT12.tmp"},
        {"http://host/Updates/talkpost.exe", "//host/Updates/talkpost.exe"},
        {"C:file.cab", "file.cab"},
        {"plain.txt", "plain.txt"},
        {"folder\\", ""},
    };
    for (const auto& [name, shown] : cases)
        EXPECT_EQ(update::progressFileName(name), shown) << name;
}

using ScriptedEngine = test::ScriptedWizardEngine;

// A view that keeps what the dialog would show.
struct RecordingView : WizardView {
    WizardPage page = WizardPage::Welcome;
    std::string versionInfo;
    std::map<WizardButton, std::string> captions;
    std::map<WizardButton, bool> enabled;
    WizardButton focused = WizardButton::Start;
    std::map<WizardMemo, std::vector<std::string>> memos;
    std::vector<std::pair<std::string, bool>> rows;
    std::vector<bool> checked;
    bool accepted = false, declined = false;
    std::vector<std::string> messages;
    bool restartHint = true;
    bool closed = false;
    int pauses = 0;

    void showPage(WizardPage p) override { page = p; }
    void setBusy(bool) override {}
    void setVersionInfo(const std::string& text) override { versionInfo = text; }
    std::string buttonCaption(WizardButton b) const override
    {
        auto found = captions.find(b);
        return found == captions.end() ? std::string() : found->second;
    }
    void setButtonCaption(WizardButton b, const std::string& caption) override { captions[b] = caption; }
    void enableButton(WizardButton b, bool on) override { enabled[b] = on; }
    void focusButton(WizardButton b) override { focused = b; }
    bool canFocusStart() const override { return page == WizardPage::Welcome && enabled.at(WizardButton::Start); }
    void setPopupTexts(const std::string&, const std::string&) override {}
    void setMemoLines(WizardMemo memo, const std::vector<std::string>& lines) override { memos[memo] = lines; }
    void addComponentRow(const std::string& text, bool mandatory) override
    {
        rows.emplace_back(text, mandatory);
        checked.push_back(true);
    }
    std::vector<bool> componentRowsChecked() const override { return checked; }
    bool licenseAccepted() const override { return accepted; }
    bool licenseDeclined() const override { return declined; }
    void resetProgress() override {}
    void clearRestartHint() override { restartHint = false; }
    void plainMessage(const std::string& text) override { messages.push_back(text); }
    void closeDialog() override { closed = true; }
    void pause() override { ++pauses; }
};

class WizardFlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.captions = {{WizardButton::Control, texts.getUpdateButton}, {WizardButton::Eula, texts.nextButton},
                         {WizardButton::Restart, texts.restartButton}};
        view.enabled = {{WizardButton::Start, true}, {WizardButton::Eula, false}};
        engine.list = {{"Program", false, true}, {"Help", false, false}, {"Data", true, false}};
    }
    WizardFlow flow(bool autoRun = false, bool autoStart = false)
    {
        return WizardFlow(engine, view, texts, autoRun, autoStart);
    }

    UpdateWizardLanguage texts;
    ScriptedEngine engine;
    RecordingView view;
};

TEST_F(WizardFlowTest, NothingNewerOffersExitWhichClosesTheConnection)
{
    engine.checkCode = update::CheckCode::NoNewVersion;
    WizardFlow wizard = flow();
    wizard.onStart();
    EXPECT_EQ(view.page, WizardPage::CheckResult);
    EXPECT_EQ(view.versionInfo, "No new version available.");
    EXPECT_EQ(view.captions[WizardButton::Control], "Exit");
    EXPECT_TRUE(view.enabled[WizardButton::Control]);
    wizard.onGetUpdate();
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(engine.called("close"));
    EXPECT_FALSE(engine.called("actions"));
}

TEST_F(WizardFlowTest, MissingControlFileShowsTheTwoLinesAndExit)
{
    engine.controlFileResult = 5;
    WizardFlow wizard = flow();
    wizard.onStart();
    EXPECT_EQ(view.page, WizardPage::CheckResult);
    EXPECT_EQ(view.versionInfo, "Could not connect to update server or\rno update found on server ...");
    EXPECT_EQ(view.captions[WizardButton::Control], "Exit");
    EXPECT_FALSE(engine.called("check"));
}

TEST_F(WizardFlowTest, FailedConnectionClosesTheDialog)
{
    engine.connectResult = -1;
    WizardFlow wizard = flow();
    wizard.onStart();
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(engine.calls, (std::vector<std::string>{"open", "close"}));
}

TEST_F(WizardFlowTest, FtpUpdateConnectsTheHostBeforeTheControlFile)
{
    engine.ftp = true;
    WizardFlow wizard = flow();
    wizard.onStart();
    EXPECT_EQ(engine.calls, (std::vector<std::string>{"open", "ftp", "silent", "control", "check"}));
}

TEST_F(WizardFlowTest, DeclinedActionsCloseTheDialog)
{
    engine.actionsResult = -1;
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    EXPECT_TRUE(view.closed);
    EXPECT_FALSE(engine.called("whatsnew"));
}

TEST_F(WizardFlowTest, WhatsNewThenLicenseWaitsForAChoiceAndDeclineExits)
{
    engine.whatsNew = std::vector<std::string>{"New: a banner"};
    engine.license = std::vector<std::string>{"Terms"};
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    EXPECT_EQ(view.page, WizardPage::WhatsNew);
    EXPECT_EQ(view.memos[WizardMemo::WhatsNew], engine.whatsNew);
    EXPECT_EQ(view.focused, WizardButton::New);

    wizard.onWhatsNewNext();
    EXPECT_EQ(view.page, WizardPage::License);
    EXPECT_FALSE(view.enabled[WizardButton::Eula]);

    wizard.onLicenseNext();  // neither choice: nothing
    EXPECT_FALSE(view.closed);
    view.declined = true;
    wizard.onLicenseChoice();
    EXPECT_TRUE(view.enabled[WizardButton::Eula]);
    EXPECT_EQ(view.captions[WizardButton::Eula], "Exit");
    wizard.onLicenseNext();
    EXPECT_TRUE(view.closed);
    EXPECT_FALSE(engine.called("read"));
}

TEST_F(WizardFlowTest, AcceptedLicenseListsTheVisibleFiles)
{
    engine.license = std::vector<std::string>{"Terms"};
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    view.accepted = true;
    wizard.onLicenseChoice();
    EXPECT_EQ(view.captions[WizardButton::Eula], "Next");
    wizard.onLicenseNext();
    EXPECT_EQ(view.page, WizardPage::Components);
    EXPECT_EQ(view.rows, (std::vector<std::pair<std::string, bool>>{{"Program", true}, {"Help", false}}));
    EXPECT_FALSE(engine.called("download"));
}

TEST_F(WizardFlowTest, UncheckedRowsAreDroppedAndHiddenFilesStay)
{
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    ASSERT_EQ(view.page, WizardPage::Components);
    view.checked = {true, false};
    wizard.onFilesNext();
    EXPECT_EQ(engine.kept, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(engine.called("download"));
    EXPECT_EQ(view.page, WizardPage::Complete);
    EXPECT_EQ(view.focused, WizardButton::Restart);
    EXPECT_TRUE(view.restartHint);
    wizard.onRestart();
    EXPECT_TRUE(engine.called("restart"));
}

TEST_F(WizardFlowTest, EveryRowUncheckedEndsWithNoFilesFound)
{
    engine.list = {{"Help", false, false}, {"Docs", false, false}};
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    view.checked = {false, false};
    wizard.onFilesNext();
    EXPECT_EQ(view.messages, (std::vector<std::string>{"No files found for update"}));
    EXPECT_TRUE(view.closed);
    EXPECT_FALSE(engine.called("download"));
}

TEST_F(WizardFlowTest, AllHiddenFilesAreFetchedAtOnceWhenReachedDirectly)
{
    engine.list = {{"Program", true, false}};
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    EXPECT_TRUE(engine.called("download"));
    EXPECT_EQ(view.page, WizardPage::Complete);
}

TEST_F(WizardFlowTest, AllHiddenFilesWaitWhenReachedThroughWhatsNew)
{
    engine.list = {{"Program", true, false}};
    engine.whatsNew = std::vector<std::string>{"News"};
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    wizard.onWhatsNewNext();
    EXPECT_EQ(view.page, WizardPage::Components);
    EXPECT_FALSE(engine.called("download"));
}

TEST_F(WizardFlowTest, FailedDownloadTellsAndClosesWithoutRestart)
{
    engine.downloadResult = -1;
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    wizard.onFilesNext();
    EXPECT_EQ(view.messages, (std::vector<std::string>{"Failed to download updates"}));
    EXPECT_TRUE(engine.called("cancelUpdate"));
    EXPECT_TRUE(engine.called("finish"));
    EXPECT_TRUE(view.closed);
    EXPECT_NE(view.page, WizardPage::Complete);
}

TEST_F(WizardFlowTest, NoRestartNeededTurnsRestartIntoExit)
{
    engine.restart = false;
    WizardFlow wizard = flow();
    wizard.onStart();
    wizard.onGetUpdate();
    wizard.onFilesNext();
    EXPECT_EQ(view.page, WizardPage::Complete);
    EXPECT_EQ(view.captions[WizardButton::Restart], "Exit");
    EXPECT_FALSE(view.restartHint);
    wizard.onRestart();
    EXPECT_TRUE(view.closed);
    EXPECT_FALSE(engine.called("restart"));
}

TEST_F(WizardFlowTest, AutoStartAndAutoRunWalkToTheRestart)
{
    engine.whatsNew = std::vector<std::string>{"News"};
    WizardFlow wizard = flow(true, true);
    wizard.onActivate();
    EXPECT_TRUE(engine.called("restart"));
    EXPECT_FALSE(view.enabled[WizardButton::Cancel]);
    EXPECT_GE(view.pauses, 4);
    // The welcome page is gone: a later activation does nothing.
    std::size_t calls = engine.calls.size();
    wizard.onActivate();
    EXPECT_EQ(engine.calls.size(), calls);
}

TEST_F(WizardFlowTest, AnUpdateRolledBackHereIsFetchedOnlyWhenAsked)
{
    engine.facts.rolledBackUpdate = "1.0.0.2";
    WizardFlow wizard = flow(true, false);
    wizard.onStart();
    EXPECT_EQ(view.page, WizardPage::CheckResult);
    EXPECT_EQ(view.versionInfo.rfind("The update to 1.0.0.2 did not start on this computer and was rolled back.", 0), 0u);
    // Even with AutoRun nothing is fetched until Get update is pressed.
    EXPECT_FALSE(engine.called("actions"));
    EXPECT_EQ(view.captions[WizardButton::Control], texts.getUpdateButton);
    EXPECT_EQ(view.focused, WizardButton::Control);
    wizard.onGetUpdate();
    EXPECT_TRUE(engine.called("restart"));
}

TEST_F(WizardFlowTest, ActivationWithoutAutoStartOnlyFocusesStart)
{
    WizardFlow wizard = flow();
    view.focused = WizardButton::Cancel;
    wizard.onActivate();
    EXPECT_EQ(view.focused, WizardButton::Start);
    EXPECT_TRUE(engine.calls.empty());
}

TEST_F(WizardFlowTest, ClosingTheDialogClosesTheConnection)
{
    WizardFlow wizard = flow();
    wizard.onCloseQuery();
    EXPECT_TRUE(engine.called("close"));
}

}  // namespace
}  // namespace talkpost
