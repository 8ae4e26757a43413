// The placement and form-state stores on a window of their own, under Wine:
// what a first start, a close and a restart keep, and what a damaged,
// foreign or interrupted settings file does.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "settings/placement_store_win.h"
#include "settings/settings_file_win.h"
#include "settings/test_form_win.h"
#include "support/test_support_win.h"

namespace talkpost::test {
namespace {

using settings::FormStateStore;
using settings::PlacementConfig;
using settings::PlacementStore;

const std::vector<std::string> kStoredProps = {"IPComboBox.Items", "UserEdit.Text", "RichText.Lines",
                                               "TimeEdit.Value"};
const std::vector<std::string> kDesignedComputers = {"*", "Remote01", "Remote02"};

// The form with the main window's two stores, made in the main window's order.
struct MainForm {
    MainForm()
        : placement(form, PlacementConfig{"Placement", true, true}),
          state(form, PlacementConfig{"Storage"}, form, kStoredProps)
    {
    }
    void close() { SendMessageA(form.hwnd(), WM_CLOSE, 0, 0); }
    TestForm form;
    PlacementStore placement;
    FormStateStore state;
};

class SettingsStores : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings::setSettingsFolder(appData_.path() + "\\Talkpost");
        settings::setLegacySettingsFolder(windowsFolder_.path());
        settings::setScreenForTest(settings::ScreenInfo{1280, 1024, 96});
    }
    void TearDown() override
    {
        settings::refuseSettingsWritesAfter(-1);
        settings::setScreenForTest(std::nullopt);
        settings::setSettingsFolder({});
        settings::setLegacySettingsFolder({});
    }
    std::string iniPath() const { return settings::settingsSavePath(); }
    void writeIni(const std::string& text)
    {
        CreateDirectoryA((appData_.path() + "\\Talkpost").c_str(), nullptr);
        writeFile(iniPath(), text);
    }
    std::string legacyPath() const { return windowsFolder_.file("Talkpost.ini"); }

    // One run of the form: shown, changed by the caller, closed.
    void runAndClose(const std::function<void(TestForm&)>& change)
    {
        MainForm m;
        m.form.show();
        pumpFor(std::chrono::milliseconds(50));
        change(m.form);
        m.close();
    }

    TempFolder appData_;
    TempFolder windowsFolder_;
    RecordingPrompts prompts_;
};

TEST_F(SettingsStores, FirstStartWithoutAFileShowsTheDesignedValues)
{
    MainForm m;
    m.form.show();
    EXPECT_EQ(m.form.computers(), kDesignedComputers);
    EXPECT_EQ(m.form.user(), "*");
    EXPECT_TRUE(m.form.messageLines().empty());
    EXPECT_EQ(m.form.time(), 60);
    RECT r = m.form.windowRect();
    EXPECT_EQ(r.left, TestForm::kDesignedLeft);
    EXPECT_EQ(r.top, TestForm::kDesignedTop);
    EXPECT_TRUE(prompts_.shown.empty());
    EXPECT_FALSE(fileExists(iniPath()));
}

TEST_F(SettingsStores, CloseAndRestartRestoresPlaceListMessageAndTime)
{
    runAndClose([](TestForm& f) {
        SetWindowPos(f.hwnd(), nullptr, 300, 210, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        f.setComputers({"beta", "Alpha", "\"quoted\"", "'single'"});
        f.setUser("  admin  ");
        f.setMessageLines({"Server restarts at 18:00", "", "Please save your work"});
        f.setTime(300);
    });
    std::string text = readFile(iniPath());
    EXPECT_NE(text.find("[Placement]"), std::string::npos);
    EXPECT_LT(text.find("[Placement]"), text.find("[Storage]"));
    EXPECT_NE(text.find("NormPos(1280x1024)=300,210,720,530"), std::string::npos) << text;
    EXPECT_NE(text.find("UserEdit_Text=admin"), std::string::npos);
    EXPECT_NE(text.find("Visible=0"), std::string::npos);

    MainForm m;
    m.form.show();
    const std::vector<std::string> saved = {"beta", "Alpha", "\"quoted\"", "'single'"};
    std::vector<std::string> loaded = m.form.computers();
    EXPECT_TRUE(std::is_permutation(loaded.begin(), loaded.end(), saved.begin(), saved.end()));
    EXPECT_EQ(m.form.user(), "admin");
    EXPECT_EQ(m.form.messageLines(),
              (std::vector<std::string>{"Server restarts at 18:00", "", "Please save your work"}));
    EXPECT_EQ(m.form.time(), 300);
    RECT r = m.form.windowRect();
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 210);
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(SettingsStores, HandlersAreChainedOnceAndTheFormsOwnShowSeesTheStoredValues)
{
    writeIni("[Storage]\r\nUserEdit_Text=stored\r\n");
    MainForm m;
    m.form.show();
    EXPECT_EQ(m.form.ownShows, 1);
    EXPECT_EQ(m.form.userSeenByOwnShow, "stored");
    m.close();
    EXPECT_EQ(m.form.ownCloseQueries, 1);
    EXPECT_EQ(m.form.ownDestroys, 1);
}

TEST_F(SettingsStores, AnEmptiedListIsSavedAsNoSectionAndComesBackAsTheDesignedEntries)
{
    runAndClose([](TestForm& f) { f.setComputers({"one"}); });
    runAndClose([](TestForm& f) { f.setComputers({}); });
    std::string text = readFile(iniPath());
    EXPECT_EQ(text.find("Storage.IPComboBox_Items"), std::string::npos) << text;
    EXPECT_EQ(text.find("Storage.RichText_Lines"), std::string::npos) << text;
    MainForm m;
    m.form.show();
    EXPECT_EQ(m.form.computers(), kDesignedComputers);
}

TEST_F(SettingsStores, StoredFilesLoadAsTheRulesSay)
{
    const std::string longItem(2100, 'h');
    struct Case {
        const char* what;
        std::string ini;
        std::vector<std::string> computers;
        std::string user;
        int time;
    };
    const Case cases[] = {
        {"count above the items present gives empty entries",
         "[Storage.IPComboBox_Items]\r\nCount=3\r\nItem0=b\r\nItem2=a\r\n", {"", "a", "b"}, "*", 60},
        {"quoted values come back without one pair of quotes",
         "[Storage]\r\nUserEdit_Text=\"\"op\"\"\r\n[Storage.IPComboBox_Items]\r\nCount=2\r\nItem0=\"'x'\"\r\n"
         "Item1=  y  \r\n",
         {"'x'", "y"}, "\"op\"", 60},
        {"a long item is cut to 2047 characters",
         "[Storage.IPComboBox_Items]\r\nCount=1\r\nItem0=" + longItem + "\r\n", {std::string(2047, 'h')}, "*", 60},
        {"a time that is no number shows 60", "[Storage]\r\nTimeEdit_Value=abc\r\n", kDesignedComputers, "*", 60},
        {"a time above 20000 shows 20000", "[Storage]\r\nTimeEdit_Value=99999\r\n", kDesignedComputers, "*", 20000},
        {"a negative form version loads nothing",
         "[Storage]\r\nFormVersion=-1\r\nTimeEdit_Value=500\r\nUserEdit_Text=x\r\n"
         "[Storage.IPComboBox_Items]\r\nCount=1\r\nItem0=z\r\n",
         kDesignedComputers, "*", 60},
        {"section and key names match without regard to case",
         "[storage]\r\ntimeedit_value=700\r\n[STORAGE.IPCOMBOBOX_ITEMS]\r\ncount=1\r\nitem0=q\r\n", {"q"}, "*", 700},
    };
    for (const auto& c : cases) {
        writeIni(c.ini);
        MainForm m;
        m.form.show();
        EXPECT_EQ(m.form.computers(), c.computers) << c.what;
        EXPECT_EQ(m.form.user(), c.user) << c.what;
        EXPECT_EQ(m.form.time(), c.time) << c.what;
    }
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(SettingsStores, PositionIsRestoredOnlyFromAUsableRectangle)
{
    struct Case {
        const char* what;
        std::string ini;
        settings::ScreenInfo screen;
        POINT topLeft;
    };
    const std::string keys = "[Placement]\r\nPixelsPerInch=96\r\nNormPos(1280x1024)=400,300,820,620\r\n"
                             "NormPos=50,60,470,380\r\n";
    const Case cases[] = {
        {"the keys of this screen size", keys, {1280, 1024, 96}, {400, 300}},
        {"another screen size uses the bare keys", keys, {1024, 768, 96}, {50, 60}},
        {"other pixels per inch restore no position", keys, {1280, 1024, 120},
         {TestForm::kDesignedLeft, TestForm::kDesignedTop}},
        {"a negative form version restores no position", "[Placement]\r\nFormVersion=-5\r\nNormPos=50,60,470,380\r\n",
         {1280, 1024, 96}, {TestForm::kDesignedLeft, TestForm::kDesignedTop}},
    };
    for (const auto& c : cases) {
        writeIni(c.ini);
        settings::setScreenForTest(c.screen);
        MainForm m;
        m.form.show();
        RECT r = m.form.windowRect();
        EXPECT_EQ(r.left, c.topLeft.x) << c.what;
        EXPECT_EQ(r.top, c.topLeft.y) << c.what;
        EXPECT_EQ(r.right - r.left, TestForm::kDesignedWidth) << c.what;  // not sizeable: the size stays
    }
}

TEST_F(SettingsStores, ASizeableWindowTakesTheStoredSizeUnlessTheRectangleIsEmpty)
{
    {
        writeIni("[EditorPM]\r\nNormPos=50,60,650,560\r\n");
        TestForm form(true);
        PlacementStore store(form, PlacementConfig{"EditorPM"});
        form.show();
        RECT r = form.windowRect();
        EXPECT_EQ(r.left, 50);
        EXPECT_EQ(r.right - r.left, 600);
        EXPECT_EQ(r.bottom - r.top, 500);
    }
    {
        writeIni("[EditorPM]\r\nNormPos=500,60,500,380\r\n");
        TestForm form(true);
        PlacementStore store(form, PlacementConfig{"EditorPM"});
        form.show();
        EXPECT_EQ(form.windowRect().left, TestForm::kDesignedLeft);
        EXPECT_EQ(form.windowRect().top, TestForm::kDesignedTop);
    }
}

TEST_F(SettingsStores, ClosingWhileMinimizedStartsMinimized)
{
    runAndClose([](TestForm& f) {
        ShowWindow(f.hwnd(), SW_MINIMIZE);
        pumpFor(std::chrono::milliseconds(50));
    });
    EXPECT_NE(readFile(iniPath()).find("ShowCmd=2"), std::string::npos);
    MainForm m;
    m.form.show();
    EXPECT_TRUE(pumpUntil([&] { return IsIconic(m.form.hwnd()) != 0; }));
}

TEST_F(SettingsStores, TheResizeGuardKeepsTheSizeFixed)
{
    MainForm m;
    HWND hwnd = m.form.hwnd();
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    m.form.show();
    RECT r = m.form.windowRect();
    MINMAXINFO info{};
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, r.right - r.left);
    EXPECT_EQ(info.ptMaxTrackSize.y, r.bottom - r.top);
    // The lower right corner of the frame is no sizing border.
    LRESULT hit = SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, r.bottom - 1));
    EXPECT_FALSE(hit >= HTLEFT && hit <= HTBOTTOMRIGHT) << hit;
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
    EXPECT_TRUE(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(SettingsStores, TheEarlierVersionsFileIsReadUntilTheFirstSave)
{
    writeFile(legacyPath(), "[Storage.IPComboBox_Items]\r\nCount=2\r\nItem0=old1\r\nItem1=old2\r\n"
                            "[Talkpost]\r\nBannerServer=http://127.0.0.1:8080\r\n");
    EXPECT_EQ(settings::settingsFilePath(), legacyPath());
    EXPECT_EQ(settings::readSettingsValue("Talkpost", "BannerServer"), "http://127.0.0.1:8080");
    runAndClose([](TestForm& f) {
        EXPECT_EQ(f.computers(), (std::vector<std::string>{"old1", "old2"}));
        f.setUser("new");
    });
    EXPECT_EQ(settings::settingsFilePath(), iniPath());
    // Our own keys of the earlier file carry over; that file stays as it was.
    EXPECT_EQ(settings::readSettingsValue("Talkpost", "BannerServer"), "http://127.0.0.1:8080");
    EXPECT_EQ(readFile(legacyPath()).find("new"), std::string::npos);
    MainForm m;
    m.form.show();
    EXPECT_EQ(m.form.computers(), (std::vector<std::string>{"old1", "old2"}));
    EXPECT_EQ(m.form.user(), "new");
}

TEST_F(SettingsStores, ARefusedWriteKeepsTheOldFileAndIsReportedAgainOnDestroy)
{
    runAndClose([](TestForm& f) { f.setComputers({"kept1", "kept2"}); });
    std::string before = readFile(iniPath());
    {
        MainForm m;
        m.form.show();
        m.form.setComputers({"lost"});
        settings::refuseSettingsWritesAfter(3);
        m.close();
        EXPECT_EQ(m.form.hwnd(), nullptr);  // the window closes anyway
    }
    settings::refuseSettingsWritesAfter(-1);
    EXPECT_EQ(readFile(iniPath()), before);
    ASSERT_GE(prompts_.shown.size(), 2u);
    for (const auto& shown : prompts_.shown) {
        EXPECT_EQ(shown.kind, "error");
        EXPECT_EQ(shown.text, "nach Talkpost.ini kann nicht geschrieben werden");
    }
    // No copy is left beside the file.
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((settings::settingsFolder() + "\\*.tmp").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

// A save killed at any moment leaves a file whose list is whole: all items of
// one round, as many as its count says.
TEST(SettingsFile, AKilledSaveLeavesAWholeList)
{
    TempFolder folder;
    std::string child = binaryDir() + "\\tests\\settings\\settings_save_loop_child.exe";
    std::string target = folder.path() + "\\Talkpost.ini";
    for (int kill = 0; kill < 4; ++kill) {
        SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", folder.path().c_str());
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string command = "\"" + child + "\"";
        BOOL started = CreateProcessA(child.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        SetEnvironmentVariableA("TALKPOST_SETTINGS_DIR", nullptr);
        ASSERT_TRUE(started) << child;
        // Let it finish a save or two, then stop it wherever it is.
        EXPECT_TRUE(pumpUntil([&] { return fileExists(target); }, std::chrono::seconds(60)));
        Sleep(150 + 170 * kill);
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);

        settings::SettingsReader reader(target);
        auto items = settings::readList(reader.readSection("Storage.IPComboBox_Items"));
        ASSERT_TRUE(items) << "kill " << kill;
        ASSERT_EQ(items->size(), 5000u) << "kill " << kill;
        std::string round = items->front().substr(0, items->front().find('-'));
        for (std::size_t i = 0; i < items->size(); ++i)
            ASSERT_EQ((*items)[i], round + "-computer" + std::to_string(i)) << "kill " << kill;
    }
}

TEST_F(SettingsStores, ASaveBeforeAnyLoadDoesNothing)
{
    TestForm form;
    PlacementStore store(form, PlacementConfig{});
    store.saveWindowSettings();
    EXPECT_FALSE(fileExists(iniPath()));
}

TEST_F(SettingsStores, TheDialogKeepsItsPlaceInItsOwnSection)
{
    TestForm owner;
    owner.show();
    {
        TestForm dialog(false, owner.hwnd());
        PlacementStore store(dialog, PlacementConfig{"EditorPM"});
        dialog.show();
        SetWindowPos(dialog.hwnd(), nullptr, 333, 222, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SendMessageA(dialog.hwnd(), WM_CLOSE, 0, 0);
    }
    std::string text = readFile(iniPath());
    EXPECT_NE(text.find("[EditorPM]"), std::string::npos);
    TestForm dialog(false, owner.hwnd());
    PlacementStore store(dialog, PlacementConfig{"EditorPM"});
    dialog.show();
    EXPECT_EQ(dialog.windowRect().left, 333);
    EXPECT_EQ(dialog.windowRect().top, 222);
}

}  // namespace
}  // namespace talkpost::test
