// The main window's placement and form-state stores, as the application
// wires them, under Wine: what a first start, a close and a restart keep,
// and what a damaged, foreign or interrupted settings file does.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <thread>
#include <utility>

#include "app/main_rules.h"
#include "base/app_error.h"
#include "app/main_window_win.h"
#include "app/wiring_win.h"
#include "settings/ini_rules.h"
#include "settings/placement_store_win.h"
#include "settings/settings_file_win.h"
#include "support/test_support_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost::test {
namespace {

using settings::PlacementConfig;
using settings::PlacementStore;

PlacementConfig editorSection()
{
    PlacementConfig config;
    config.part = settings::SettingsPart::Editor;
    config.screen = [] { return settings::ScreenInfo{1280, 1024, 96}; };
    return config;
}

const std::vector<std::string> kDesignedComputers = {"*", "Remote01", "Remote02"};

// The real main window's stored values, read and set as the stores do.
std::vector<std::string> computersOf(MainWindow& w) { return w.computers().entries(); }
std::vector<std::string> messageLinesOf(MainWindow& w) { return *w.storedValues().messageLines; }
int timeOf(MainWindow& w) { return *w.storedValues().time; }
RECT windowRect(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// The main window with the settings read at its start and the stores the
// application gives it.
struct MainForm {
    MainForm(Prompts& prompts, const settings::SettingsOptions& options,
             settings::ScreenInfo screen = {1280, 1024, 96})
        : settings(options), window(prompts, {}, &settings), stores(window, [screen] { return screen; })
    {
        window.features.startBanner = [this](MainWindow& w) {
            ++ownShows;
            computersSeenByOwnShow = w.computers().entries();
        };
    }
    void close() { SendMessageA(window.hwnd(), WM_CLOSE, 0, 0); }
    settings::SettingsFile settings;
    MainWindow window;
    MainWindowStores stores;
    int ownShows = 0;
    std::vector<std::string> computersSeenByOwnShow;
};

class SettingsStores : public ::testing::Test {
protected:
    SettingsStores()
    {
        options_.folder = appData_.path() + "\\Talkpost";
        options_.legacyFolder = windowsFolder_.path();
        options_.refuseWrite = [this] {
            if (writesLeft_ <= 0)
                return writesLeft_ == 0;
            --writesLeft_;
            return false;
        };
    }
    std::string iniPath() const { return settings::SettingsLocation(options_).savePath(); }
    std::string iniText() const { return settings::settingsText(readFile(iniPath())); }
    std::string loadPath() const { return settings::SettingsLocation(options_).loadPath(); }
    // The settings as a new start reads them.
    settings::Settings reread() const { return settings::SettingsFile(options_).values(); }
    void writeIni(const std::string& text)
    {
        CreateDirectoryA((appData_.path() + "\\Talkpost").c_str(), nullptr);
        writeFile(iniPath(), text);
    }
    std::string legacyPath() const { return windowsFolder_.file("Talkpost.ini"); }

    // One run of the window: shown, changed by the caller, closed.
    void runAndClose(const std::function<void(MainWindow&)>& change)
    {
        MainForm m(prompts_, options_);
        m.window.show();
        change(m.window);
        m.close();
    }

    TempFolder appData_;
    TempFolder windowsFolder_;
    RecordingPrompts prompts_;
    int writesLeft_ = -1;  // writes that go through before every further one is refused; negative: none is
    settings::SettingsOptions options_;
};

TEST_F(SettingsStores, FirstStartWithoutAFileShowsTheDesignedValues)
{
    MainForm m(prompts_, options_);
    m.window.show();
    EXPECT_EQ(computersOf(m.window), kDesignedComputers);
    EXPECT_EQ(m.window.userText(), "*");
    EXPECT_TRUE(messageLinesOf(m.window).empty());
    EXPECT_EQ(timeOf(m.window), 60);
    RECT r = windowRect(m.window.hwnd());
    EXPECT_EQ(r.left, MainWindow::kLeft);
    EXPECT_EQ(r.top, MainWindow::kTop);
    EXPECT_TRUE(prompts_.shown.empty());
    EXPECT_FALSE(fileExists(iniPath()));
}

TEST_F(SettingsStores, CloseAndRestartRestoresPlaceListMessageAndTime)
{
    runAndClose([](MainWindow& f) {
        SetWindowPos(f.hwnd(), nullptr, 300, 210, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        f.computers().replaceAll({"beta", "Alpha", "\"quoted\"", "'single'"});
        f.setUserText("  admin  ");
        f.setMessageText("Server restarts at 18:00\r\n\r\nPlease save your work\r\n");
        f.setTimeText("300");
    });
    std::string text = iniText();
    EXPECT_NE(text.find("[Placement]"), std::string::npos);
    EXPECT_LT(text.find("[Placement]"), text.find("[Storage]"));
    EXPECT_NE(text.find("NormPos(1280x1024)=300,210,"), std::string::npos) << text;
    EXPECT_NE(text.find("UserEdit_Text=admin"), std::string::npos);
    EXPECT_NE(text.find("Visible=0"), std::string::npos);

    MainForm m(prompts_, options_);
    m.window.show();
    const std::vector<std::string> saved = {"beta", "Alpha", "\"quoted\"", "'single'"};
    std::vector<std::string> loaded = computersOf(m.window);
    EXPECT_TRUE(std::is_permutation(loaded.begin(), loaded.end(), saved.begin(), saved.end()));
    // The stored user is loaded, then the show handler puts the command line's user ("*" without one) in.
    EXPECT_EQ(m.window.userText(), "*");
    EXPECT_EQ(messageLinesOf(m.window),
              (std::vector<std::string>{"Server restarts at 18:00", "", "Please save your work"}));
    EXPECT_EQ(timeOf(m.window), 300);
    RECT r = windowRect(m.window.hwnd());
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 210);
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(SettingsStores, TheWindowsOwnShowRunsOnceAndSeesTheStoredValues)
{
    writeIni("[Storage.IPComboBox_Items]\r\nCount=1\r\nItem0=stored\r\n");
    MainForm m(prompts_, options_);
    m.window.show();
    EXPECT_EQ(m.ownShows, 1);
    EXPECT_EQ(m.computersSeenByOwnShow, (std::vector<std::string>{"stored"}));
    m.close();
    EXPECT_EQ(m.window.hwnd(), nullptr);
    EXPECT_NE(iniText().find("Item0=stored"), std::string::npos);
}

TEST_F(SettingsStores, AnEmptiedListIsSavedAsNoSectionAndComesBackAsTheDesignedEntries)
{
    runAndClose([](MainWindow& f) {
        f.computers().replaceAll({"one"});
        f.setMessageText("a line");
    });
    runAndClose([](MainWindow& f) {
        f.computers().replaceAll({});
        f.setMessageText("");
    });
    std::string text = iniText();
    EXPECT_EQ(text.find("Storage.IPComboBox_Items"), std::string::npos) << text;
    EXPECT_EQ(text.find("Storage.RichText_Lines"), std::string::npos) << text;
    MainForm m(prompts_, options_);
    m.window.show();
    EXPECT_EQ(computersOf(m.window), kDesignedComputers);
    EXPECT_TRUE(messageLinesOf(m.window).empty());
}

TEST_F(SettingsStores, StoredFilesLoadAsTheRulesSay)
{
    const std::string longItem(2100, 'h');
    struct Case {
        const char* what;
        std::string ini;
        std::vector<std::string> computers;
        int time;
    };
    const Case cases[] = {
        {"count above the items present gives empty entries",
         "[Storage.IPComboBox_Items]\r\nCount=3\r\nItem0=b\r\nItem2=a\r\n", {"", "a", "b"}, 60},
        {"quoted values come back without one pair of quotes",
         "[Storage.IPComboBox_Items]\r\nCount=2\r\nItem0=\"'x'\"\r\nItem1=  y  \r\n", {"'x'", "y"}, 60},
        {"a long item is cut to 2047 characters",
         "[Storage.IPComboBox_Items]\r\nCount=1\r\nItem0=" + longItem + "\r\n", {std::string(2047, 'h')}, 60},
        {"a time that is no number shows 60", "[Storage]\r\nTimeEdit_Value=abc\r\n", kDesignedComputers, 60},
        {"a time above 20000 shows 20000", "[Storage]\r\nTimeEdit_Value=99999\r\n", kDesignedComputers, 20000},
        {"a time beyond every integer is no number and shows 60", "[Storage]\r\nTimeEdit_Value=99999999999\r\n",
         kDesignedComputers, 60},
        {"a negative form version loads nothing",
         "[Storage]\r\nFormVersion=-1\r\nTimeEdit_Value=500\r\nUserEdit_Text=x\r\n"
         "[Storage.IPComboBox_Items]\r\nCount=1\r\nItem0=z\r\n",
         kDesignedComputers, 60},
        {"section and key names match without regard to case",
         "[storage]\r\ntimeedit_value=700\r\n[STORAGE.IPCOMBOBOX_ITEMS]\r\ncount=1\r\nitem0=q\r\n", {"q"}, 700},
    };
    for (const auto& c : cases) {
        writeIni(c.ini);
        MainForm m(prompts_, options_);
        m.window.show();
        EXPECT_EQ(computersOf(m.window), c.computers) << c.what;
        EXPECT_EQ(timeOf(m.window), c.time) << c.what;
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
        int width;
    };
    const std::string keys = "[Placement]\r\nPixelsPerInch=96\r\nNormPos(1280x1024)=400,300,820,620\r\n"
                             "NormPos=50,60,470,380\r\n";
    const Case cases[] = {
        {"the keys of this screen size", keys, {1280, 1024, 96}, {400, 300}, 420},
        {"another screen size uses the bare keys", keys, {1024, 768, 96}, {50, 60}, 420},
        {"other pixels per inch restore no position", keys, {1280, 1024, 120},
         {MainWindow::kLeft, MainWindow::kTop}, MainWindow::kWidth},
        {"a negative form version restores no position", "[Placement]\r\nFormVersion=-5\r\nNormPos=50,60,470,380\r\n",
         {1280, 1024, 96}, {MainWindow::kLeft, MainWindow::kTop}, MainWindow::kWidth},
    };
    for (const auto& c : cases) {
        writeIni(c.ini);
        MainForm m(prompts_, options_, c.screen);
        m.window.show();
        RECT r = windowRect(m.window.hwnd());
        EXPECT_EQ(r.left, c.topLeft.x) << c.what;
        EXPECT_EQ(r.top, c.topLeft.y) << c.what;
        EXPECT_EQ(r.right - r.left, c.width) << c.what;
    }
}

TEST_F(SettingsStores, ASizeableWindowTakesTheStoredSizeUnlessTheRectangleIsEmpty)
{
    {
        writeIni("[EditorPM]\r\nNormPos=50,60,650,560\r\n");
        settings::SettingsFile file(options_);
        MainWindow form(prompts_, {}, &file);
        PlacementStore store(form, file, editorSection());
        form.show();
        RECT r = windowRect(form.hwnd());
        EXPECT_EQ(r.left, 50);
        EXPECT_EQ(r.right - r.left, 600);
        EXPECT_EQ(r.bottom - r.top, 500);
    }
    {
        writeIni("[EditorPM]\r\nNormPos=500,60,500,380\r\n");
        settings::SettingsFile file(options_);
        MainWindow form(prompts_, {}, &file);
        PlacementStore store(form, file, editorSection());
        form.show();
        EXPECT_EQ(windowRect(form.hwnd()).left, MainWindow::kLeft);
        EXPECT_EQ(windowRect(form.hwnd()).top, MainWindow::kTop);
    }
}

TEST_F(SettingsStores, ClosingWhileMinimizedStartsMinimized)
{
    runAndClose([](MainWindow& f) {
        ShowWindow(f.hwnd(), SW_MINIMIZE);
        EXPECT_TRUE(waitUntil([&] { return IsIconic(f.hwnd()) != 0; }));
    });
    EXPECT_NE(iniText().find("ShowCmd=2"), std::string::npos);
    MainForm m(prompts_, options_);
    m.window.show();
    EXPECT_TRUE(waitUntil([&] { return IsIconic(m.window.hwnd()) != 0; }));
}

TEST_F(SettingsStores, TheResizeGuardKeepsTheSizeFixed)
{
    MainForm m(prompts_, options_);
    HWND hwnd = m.window.hwnd();
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    m.window.show();
    RECT r = windowRect(hwnd);
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
    EXPECT_EQ(loadPath(), legacyPath());
    EXPECT_EQ(reread().bannerServer, "http://127.0.0.1:8080");
    runAndClose([](MainWindow& f) {
        EXPECT_EQ(computersOf(f), (std::vector<std::string>{"old1", "old2"}));
        f.setTimeText("555");
    });
    EXPECT_EQ(loadPath(), iniPath());
    // Our own keys of the earlier file carry over; that file stays as it was.
    EXPECT_EQ(reread().bannerServer, "http://127.0.0.1:8080");
    EXPECT_EQ(settings::settingsText(readFile(legacyPath())).find("555"), std::string::npos);
    MainForm m(prompts_, options_);
    m.window.show();
    EXPECT_EQ(computersOf(m.window), (std::vector<std::string>{"old1", "old2"}));
    EXPECT_EQ(timeOf(m.window), 555);
}

TEST_F(SettingsStores, ARefusedWriteKeepsTheOldFileAndIsReportedAgainOnDestroy)
{
    runAndClose([](MainWindow& f) { f.computers().replaceAll({"kept1", "kept2"}); });
    std::string before = iniText();
    {
        MainForm m(prompts_, options_);
        m.window.show();
        m.window.computers().replaceAll({"lost"});
        writesLeft_ = 3;
        m.close();
        EXPECT_EQ(m.window.hwnd(), nullptr);  // the window closes anyway
    }
    writesLeft_ = -1;
    EXPECT_EQ(iniText(), before);
    ASSERT_GE(prompts_.shown.size(), 2u);
    for (const auto& shown : prompts_.shown) {
        EXPECT_EQ(shown.kind, "error");
        EXPECT_EQ(shown.text, "nach Talkpost.ini kann nicht geschrieben werden");
    }
    // No copy is left beside the file.
    EXPECT_TRUE(test::filesIn(appData_.path() + "\\Talkpost", "*.tmp").empty());
}

// The files of a folder, without "." and "..".
std::vector<std::string> filesOf(const std::string& folder)
{
    std::vector<std::string> names = filesIn(folder, "*");
    std::erase_if(names, [](const std::string& name) { return name == "." || name == ".."; });
    return names;
}

// Starts the settings helper (save_loop_child_win.cpp) with the given
// environment variables set for it; its process, or none.
UniqueHandle startHelper(const std::vector<std::pair<const char*, std::string>>& environment)
{
    std::string child = binaryDir() + "\\tests\\settings\\settings_save_loop_child.exe";
    for (const auto& [name, value] : environment)
        SetEnvironmentVariableA(name, value.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + child + "\"";
    BOOL started = CreateProcessA(child.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    for (const auto& [name, value] : environment)
        SetEnvironmentVariableA(name, nullptr);
    if (!started)
        return UniqueHandle();
    CloseHandle(pi.hThread);
    return UniqueHandle(pi.hProcess);
}

// A save killed at each of its steps leaves a file whose list is whole: all
// items of one round, as many as its count says; the copy it leaves goes at
// the next save. The helper stops itself at the step and reports it, so the
// kill lands inside the save every time.
TEST(SettingsFile, AKilledSaveLeavesAWholeList)
{
    TempFolder folder;
    std::string target = folder.path() + "\\Talkpost.ini";
    for (const char* step : {"copied", "written", "checked"}) {
        std::string eventName = "TalkpostSaveStopped" + std::to_string(GetCurrentProcessId()) + step;
        UniqueHandle stopped(CreateEventA(nullptr, TRUE, FALSE, eventName.c_str()));
        ASSERT_TRUE(stopped);
        UniqueHandle process = startHelper(
            {{"TALKPOST_SETTINGS_DIR", folder.path()}, {"TALKPOST_STOP_STEP", step}, {"TALKPOST_STOP_EVENT", eventName}});
        ASSERT_TRUE(process);
        EXPECT_EQ(WaitForSingleObject(stopped.get(), 120000), WAIT_OBJECT_0) << step;
        TerminateProcess(process.get(), 9);
        WaitForSingleObject(process.get(), 30000);
        // The killed save's copy is left; those of the kills before went at
        // this helper's first save.
        EXPECT_EQ(filesIn(folder.path(), "*.tmp").size(), 1u) << step;

        auto file = settings::readSettingsFile(target);
        ASSERT_TRUE(file) << step;
        auto items = settings::readList(settings::SectionValues::read(*file, "Storage.IPComboBox_Items"));
        ASSERT_TRUE(items) << step;
        ASSERT_EQ(items->size(), 5000u) << step;
        std::string round = items->front().substr(0, items->front().find('-'));
        EXPECT_EQ(round, "round0") << step;  // the interrupted round never replaced the file
        for (std::size_t i = 0; i < items->size(); ++i)
            ASSERT_EQ((*items)[i], round + "-computer" + std::to_string(i)) << step;
        DeleteFileA(target.c_str());
    }

    // The next save removes the last kill's copy and nothing else.
    const std::vector<std::string> foreign = {"Talkpost.ini.~notours.tmp", "tps1A2B.tmp", "Talkpost.ini.bak",
                                              "Other.ini.~1-0.tmp"};
    for (const std::string& name : foreign)
        writeFile(folder.file(name), "keep");
    {
        settings::SettingsWriter writer(target, target);
        writer.writeValue("S", "K", "v");
        writer.commit();
    }
    std::vector<std::string> left = filesOf(folder.path());
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = foreign;
    expected.push_back("Talkpost.ini");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

// Another process reads the file over and over with the program's own
// reader while this one saves: every save replaces the file, and the reader
// never finds it missing or half written. A reader that holds the file open
// (an earlier version, another program) delays the save until it lets go;
// one that holds it longer than the save waits gets a clear error that
// names the file, the file keeps its content and the next save goes through.
TEST(SettingsFile, ASaveReplacesTheFileWhileOthersReadIt)
{
    TempFolder folder;
    std::string target = folder.file("Talkpost.ini");
    writeFile(target, "[S]\r\nK=old\r\n");
    settings::SettingsOptions options;
    auto save = [&](const std::string& value) {
        settings::SettingsWriter writer(target, target, options);
        writer.writeValue("S", "K", value);
        writer.commit();
    };
    auto valueNow = [&] { return settings::readSettingsFile(target)->readValue("S", "K").value_or(""); };
    {
        UniqueHandle reader = startHelper({{"TALKPOST_READ_LOOP", target}});
        ASSERT_TRUE(reader);
        for (int i = 0; i < 20; ++i) {
            std::string value = "shared" + std::to_string(i);
            ASSERT_NO_THROW(save(value));
            EXPECT_EQ(valueNow(), value);
        }
        DWORD code = 0;
        GetExitCodeProcess(reader.get(), &code);
        EXPECT_EQ(code, STILL_ACTIVE) << "the reader found the file missing or not whole";
        TerminateProcess(reader.get(), 9);
        WaitForSingleObject(reader.get(), 30000);
    }
    {
        UniqueFile reader(CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader);
        // Closed a moment after the save has checked its copy and begun to
        // replace the file.
        UniqueHandle replacing(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        options.saveStep = [&](const char* step) {
            if (std::string(step) == "checked")
                SetEvent(replacing.get());
        };
        std::thread closer([&] {
            WaitForSingleObject(replacing.get(), 60000);
            Sleep(300);
            reader.reset();
        });
        EXPECT_NO_THROW(save("after-close"));
        closer.join();
        options.saveStep = nullptr;
        EXPECT_EQ(valueNow(), "after-close");
    }
    {
        UniqueFile reader(CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader);
        try {
            save("never");
            ADD_FAILURE() << "the save reported success";
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("nach " + target + " kann nicht geschrieben werden: ", 0), 0u)
                << e.what();
        }
    }
    EXPECT_EQ(valueNow(), "after-close");
    EXPECT_EQ(filesOf(folder.path()), (std::vector<std::string>{"Talkpost.ini"})) << "no copy is left";
    EXPECT_NO_THROW(save("next"));
    EXPECT_EQ(valueNow(), "next");
}

// The check of a save's copy expects the last word on each section and key.
TEST(SettingsFile, KeysWrittenAfterTheirSectionWasErasedOrReplacedAreSaved)
{
    TempFolder folder;
    std::string target = folder.file("Talkpost.ini");
    writeFile(target, "[S]\r\nCount=3\r\nItem0=old\r\n");
    {
        settings::SettingsWriter writer(target, target);
        writer.eraseSection("S");
        writer.writeValue("S", "Count", "1");
        writer.writeValue("S", "Item0", "new");
        writer.writeSection("L", settings::buildListSection({"x", "y"}));
        writer.writeValue("L", "Extra", "z");
        writer.commit();
    }
    auto reader = settings::readSettingsFile(target);
    ASSERT_TRUE(reader);
    EXPECT_EQ(settings::readList(settings::SectionValues::read(*reader, "S")), (std::vector<std::string>{"new"}));
    EXPECT_EQ(settings::readList(settings::SectionValues::read(*reader, "L")), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(reader->readValue("L", "Extra"), "z");
}

TEST_F(SettingsStores, ASaveBeforeAnyLoadDoesNothing)
{
    settings::SettingsFile file(options_);
    MainWindow form(prompts_, {}, &file);
    PlacementStore store(form, file, PlacementConfig{});
    store.saveWindowSettings();
    EXPECT_FALSE(fileExists(iniPath()));
}

TEST_F(SettingsStores, TheDialogKeepsItsPlaceInItsOwnSection)
{
    settings::SettingsFile file(options_);
    MainWindow owner(prompts_, {}, &file);
    owner.show();
    {
        EditComputerListDialog dialog(prompts_, owner.computers(), owner.hwnd());
        PlacementStore store(dialog, file, editorPlacement());
        dialog.show();
        SetWindowPos(dialog.hwnd(), nullptr, 333, 222, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SendMessageA(dialog.hwnd(), WM_CLOSE, 0, 0);
    }
    std::string text = iniText();
    EXPECT_NE(text.find("[EditorPM]"), std::string::npos);
    // Shown again in the same run, and in the next one.
    for (int run = 0; run < 2; ++run) {
        settings::SettingsFile next(options_);
        EditComputerListDialog dialog(prompts_, owner.computers(), owner.hwnd());
        PlacementStore store(dialog, run == 0 ? file : next, editorPlacement());
        dialog.show();
        EXPECT_EQ(windowRect(dialog.hwnd()).left, 333) << run;
        EXPECT_EQ(windowRect(dialog.hwnd()).top, 222) << run;
    }
}

}  // namespace
}  // namespace talkpost::test

namespace talkpost::test {
namespace {

// A file's bytes, by a path in UTF-8 that the ANSI code page may not hold.
std::string bytesOf(const std::string& path)
{
    UniqueFile file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes(GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty())
        ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

// What the platform's own profile reader gives for a key of the file.
std::string profileValue(const std::string& path, const wchar_t* section, const wchar_t* key)
{
    wchar_t value[2048] = {};
    GetPrivateProfileStringW(section, key, L"(none)", value, 2048, widen(path).c_str());
    return narrow(value);
}

// Names outside the ANSI code page, in a settings folder named so too: the
// file is UTF-16 with its mark, the platform's profile reader reads what we
// wrote, and the next start reads it back whole.
TEST(SettingsFile, TextOutsideTheAnsiCodePageRoundTripsInAFolderNamedSo)
{
    TempFolder root;
    const std::string named = "\xc5\x81\xc3\xb3" "d\xc5\xba \xe6\x9d\xb1\xe4\xba\xac";  // "Łódź 東京"
    settings::SettingsOptions options = settings::SettingsOptions::in(root.path() + "\\" + named);
    options.legacyFolder = root.path();
    const std::vector<std::string> names = {named, "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0", "Remote01"};
    {
        settings::SettingsFile file(options);
        file.save(settings::SettingsPart::MainStorage, [&](settings::Settings& s) {
            s.storedValues.computers = names;
            s.storedValues.user = named;
        });
    }
    const std::string path = settings::SettingsLocation(options).savePath();
    std::string bytes = bytesOf(path);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xff\xfe");
    EXPECT_EQ(profileValue(path, L"Storage.IPComboBox_Items", L"Item0"), named);
    EXPECT_EQ(profileValue(path, L"Storage.IPComboBox_Items", L"Count"), "3");
    EXPECT_EQ(profileValue(path, L"Storage", L"UserEdit_Text"), named);

    settings::SettingsFile next(options);
    EXPECT_EQ(next.values().storedValues.computers, names);
    EXPECT_EQ(next.values().storedValues.user, named);
}

// The earlier version's file: ANSI without a mark, in the Windows folder. It
// reads as it always did, and the first save keeps its text in the new form.
TEST(SettingsFile, TheEarlierVersionsAnsiFileReadsAsItWas)
{
    TempFolder appData;
    TempFolder windows;
    const std::string ansi = "Z\xe9" "bre-\xc4" "rger";  // Latin letters of the Western ANSI code page
    writeFile(windows.file("Talkpost.ini"), "[Storage.IPComboBox_Items]\r\nCount=1\r\nItem0=" + ansi +
                                                "\r\n[Talkpost]\r\nBannerServer=http://127.0.0.1:8080\r\n");
    const std::string utf8 = narrow(widen(ansi, CP_ACP));
    ASSERT_NE(utf8, ansi);
    settings::SettingsOptions options = settings::SettingsOptions::in(appData.path());
    options.legacyFolder = windows.path();
    {
        settings::SettingsFile file(options);
        EXPECT_EQ(file.values().storedValues.computers, std::vector<std::string>{utf8});
        file.save(settings::SettingsPart::MainStorage, [](settings::Settings& s) { s.storedValues.time = 120; });
    }
    const std::string path = settings::SettingsLocation(options).savePath();
    EXPECT_EQ(profileValue(path, L"Storage.IPComboBox_Items", L"Item0"), utf8);
    EXPECT_EQ(profileValue(path, L"Talkpost", L"BannerServer"), "http://127.0.0.1:8080");
    settings::SettingsFile next(options);
    EXPECT_EQ(next.values().storedValues.computers, std::vector<std::string>{utf8});
    EXPECT_EQ(next.values().storedValues.time, 120);
}

// A file above the limit is not read: the settings are the defaults, the
// reason is given, and a save does not write over it.
TEST(SettingsFile, AFileAboveTheLimitIsLeftAsItIs)
{
    TempFolder folder;
    std::string big = "[Talkpost]\r\nUpdateServer=http://127.0.0.1:1\r\n[Filler]\r\n";
    big += std::string(static_cast<std::size_t>(settings::kMaxSettingsFileBytes), ';');
    writeFile(folder.file("Talkpost.ini"), big);
    settings::SettingsOptions options = settings::SettingsOptions::in(folder.path());
    options.legacyFolder = folder.file("none");
    settings::SettingsFile file(options);
    EXPECT_EQ(file.values().updateServer, "");
    EXPECT_NE(file.loadError().find("larger than 16 MiB"), std::string::npos) << file.loadError();
    EXPECT_THROW(file.save(settings::SettingsPart::UpdateSerial, [](settings::Settings& s) { s.updateSerial = 9; }),
                 AppError);
    EXPECT_EQ(readFile(folder.file("Talkpost.ini")).size(), big.size());
}

}  // namespace
}  // namespace talkpost::test
