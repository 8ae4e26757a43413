// The about box as a real window: caption, texts, the version of this test
// program's own resource (1.2.3.4), the growth by the picture, the system
// information failure box, and real keys: Escape and Enter close it, Enter
// on a focused button presses that button.
#include "about/about_window_win.h"

#include <gtest/gtest.h>

#include "support/real_input_win.h"
#include "support/test_support_win.h"
#include "win/controls_win.h"
#include "win/folders_win.h"

namespace talkpost {
namespace {

RECT placeIn(HWND control, HWND parent)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE clientSize(HWND hwnd)
{
    RECT r;
    GetClientRect(hwnd, &r);
    return {r.right, r.bottom};
}

TEST(AboutWindow, ShowsNameVersionAndTexts)
{
    AboutInfo info;
    info.copyright = "Copyright line";
    info.url = "http://talkpost.example/";
    info.warning = "Warning text";
    test::RecordingPrompts prompts;
    AboutWindow about(prompts, nullptr, info);
    EXPECT_EQ(windowText(about.hwnd()), "About Talkpost \xc2\xae");
    EXPECT_EQ(windowText(about.control(AboutControl::AppName)), "Talkpost \xc2\xae");
    EXPECT_EQ(windowText(about.control(AboutControl::VersionInfo)), "Version:");
    EXPECT_TRUE(IsWindowVisible(about.control(AboutControl::VersionInfo)) ||
                (GetWindowLongA(about.control(AboutControl::VersionInfo), GWL_STYLE) & WS_VISIBLE));
    EXPECT_EQ(windowText(about.control(AboutControl::Version)), "1.2 (Build: 3.4)");
    EXPECT_EQ(runningProgramVersion(), "1.2 (Build: 3.4)");
    EXPECT_EQ(windowText(about.control(AboutControl::Copyright)), "Copyright line");
    EXPECT_EQ(windowText(about.control(AboutControl::Url)), "http://talkpost.example/");
    EXPECT_EQ(windowText(about.control(AboutControl::Warning)), "Warning text");
    EXPECT_EQ(windowText(about.control(AboutControl::SysInfo)), "System Info...");
    EXPECT_EQ(windowText(about.control(AboutControl::Ok)), "OK");
}

// Under whatever font the system gives, "Version:" shows its whole text to
// the right of the picture and its frame, the version after it, and the
// button its whole text, keeping the edge it is anchored to.
TEST(AboutWindow, TheVersionLabelAndTheSystemInfoButtonFitTheirTexts)
{
    test::RecordingPrompts prompts;
    AboutWindow about(prompts, nullptr, AboutInfo{});
    auto rectOf = [&](AboutControl c) {
        RECT r{};
        GetWindowRect(about.control(c), &r);
        MapWindowPoints(nullptr, about.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    auto textWidth = [&](AboutControl c) { return textWidthOf(about.control(c)); };
    RECT label = rectOf(AboutControl::VersionInfo), version = rectOf(AboutControl::Version);
    RECT picture = rectOf(AboutControl::Image), frame = rectOf(AboutControl::Outer);
    // The label's text starts at its left edge and runs as wide as the font makes it.
    EXPECT_GE(label.left, picture.right) << "the picture covers the start of \"Version:\"";
    EXPECT_GE(label.left, frame.right) << "the picture's frame runs through \"Version:\"";
    EXPECT_GE(label.right - label.left, textWidth(AboutControl::VersionInfo));
    EXPECT_LE(label.right, version.left) << "the label does not run into the version text";
    EXPECT_GE(version.right - version.left, textWidth(AboutControl::Version)) << "the version shows whole";
    RECT sysInfo = rectOf(AboutControl::SysInfo), ok = rectOf(AboutControl::Ok);
    EXPECT_GE(sysInfo.right - sysInfo.left, textWidth(AboutControl::SysInfo) + 8);
    EXPECT_EQ(ok.left - sysInfo.right, 7) << "the button keeps its right edge beside OK";
}

TEST(AboutWindow, OurPictureGrowsTheWindowAndMovesTheAnchoredControls)
{
    test::RecordingPrompts prompts;
    AboutWindow about(prompts, nullptr);
    SIZE client = clientSize(about.hwnd());
    EXPECT_EQ(client.cx, 297 + 202);
    EXPECT_EQ(client.cy, 321 + 50);

    RECT image = placeIn(about.control(AboutControl::Image), about.hwnd());
    EXPECT_EQ(image.right - image.left, 250);
    EXPECT_EQ(image.bottom - image.top, 250);
    RECT outer = placeIn(about.control(AboutControl::Outer), about.hwnd());
    EXPECT_EQ(outer.right - outer.left, 252);
    EXPECT_EQ(outer.bottom - outer.top, 201);
    EXPECT_TRUE(GetWindowLongA(about.control(AboutControl::Outer), GWL_STYLE) & WS_VISIBLE);

    struct Expected {
        AboutControl id;
        int x, y, width;
    };
    const Expected expected[] = {
        {AboutControl::AppName, 64 + 202, 8, 225},
        {AboutControl::Url, 64 + 202, 80, 225},
        {AboutControl::Separator, 8, 216 + 50, 281 + 202},
        {AboutControl::Warning, 8, 224 + 50, 281 + 202},
        {AboutControl::Ok, 216 + 202, 288 + 50, 73},
    };
    for (const Expected& e : expected) {
        RECT r = placeIn(about.control(e.id), about.hwnd());
        EXPECT_EQ(r.left, e.x) << static_cast<int>(e.id);
        EXPECT_EQ(r.top, e.y) << static_cast<int>(e.id);
        EXPECT_EQ(r.right - r.left, e.width) << static_cast<int>(e.id);
    }
    // Fitted to its text, the button keeps its right edge where the anchor puts it.
    RECT sysInfo = placeIn(about.control(AboutControl::SysInfo), about.hwnd());
    EXPECT_EQ(sysInfo.right, 136 + 202 + 73);
    EXPECT_EQ(sysInfo.top, 288 + 50);
}

TEST(AboutWindow, WithoutAPictureKeepsItsDesignedSizeAndHidesTheFrame)
{
    AboutInfo info;
    info.pictureResource = "";
    test::RecordingPrompts prompts;
    AboutWindow about(prompts, nullptr, info);
    SIZE client = clientSize(about.hwnd());
    EXPECT_EQ(client.cx, 297);
    EXPECT_EQ(client.cy, 321);
    EXPECT_FALSE(GetWindowLongA(about.control(AboutControl::Outer), GWL_STYLE) & WS_VISIBLE);
    RECT ok = placeIn(about.control(AboutControl::Ok), about.hwnd());
    EXPECT_EQ(ok.left, 216);
    EXPECT_EQ(ok.top, 288);
}

TEST(AboutWindow, SystemInfoThatCannotStartShowsTheErrorBox)
{
    test::RecordingPrompts prompts;
    AboutWindow about(prompts, nullptr);
    about.systemInfoProgram = "no-such-system-information-tool.exe";
    SendMessageA(about.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(AboutControl::SysInfo), BN_CLICKED),
                 reinterpret_cast<LPARAM>(about.control(AboutControl::SysInfo)));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, "box");
    EXPECT_EQ(prompts.shown[0].text, "Could not execute system information!");
    EXPECT_EQ(prompts.shown[0].caption, "Fehler");
}

// A program named like the system information tool in the current directory
// and a web address that names a program: "System Info..." starts the
// system's own tool, the address starts nothing. The planted stand-in
// records every run; started directly at the end, it shows that a run would
// have been recorded.
TEST(AboutWindow, StartsOnlyTheSystemsToolAndOpensOnlyAWebAddress)
{
    test::StandinLog standins;
    test::TempFolder planted;
    std::string system = systemFolder();
    std::string planted32 = planted.file("MSInfo32.EXE");
    ASSERT_TRUE(CopyFileA((system + "\\mstsc.exe").c_str(), planted32.c_str(), FALSE));
    std::string before = currentDirectory();
    SetCurrentDirectoryA(planted.path().c_str());
    {
        test::RecordingPrompts prompts;
        AboutInfo info;
        info.url = system + "\\mstsc.exe";
        AboutWindow about(prompts, nullptr, info);
        EXPECT_EQ(about.systemInfoProgram, system + "\\MSInfo32.EXE");
        SendMessageA(about.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(AboutControl::Url), STN_CLICKED),
                     reinterpret_cast<LPARAM>(about.control(AboutControl::Url)));
        SendMessageA(about.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(AboutControl::SysInfo), BN_CLICKED),
                     reinterpret_cast<LPARAM>(about.control(AboutControl::SysInfo)));
        EXPECT_TRUE(prompts.shown.empty()) << "the system's tool started";
    }
    SetCurrentDirectoryA(before.c_str());

    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string sentinel = "\"" + planted32 + "\" sentinel";
    ASSERT_TRUE(CreateProcessA(planted32.c_str(), sentinel.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    std::vector<test::StandinRun> runs = standins.runs();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].args.substr(0, 8), "sentinel");
    test::endChildProcesses();
}

// Real keys through the box's dialog manager: Escape and Enter close it (OK
// has the focus and is the default and the cancel button); Enter on "System
// Info..." presses that button instead, and Escape then closes the box.
TEST(AboutWindow, KeysCloseTheBoxOrPressTheFocusedButton)
{
    struct Case {
        test::Keys keys;
        std::size_t boxes;  // the failure box of "System Info..."
    };
    const Case cases[] = {
        {{"Escape"}, 0},
        {{"Return"}, 0},
        {{"shift+Tab", "Return", "Escape"}, 1},
    };
    for (const Case& c : cases) {
        test::RecordingPrompts prompts;
        HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
        AboutWindow about(prompts, owner);
        about.systemInfoProgram = "no-such-system-information-tool.exe";
        EXPECT_EQ(test::runModalWithKeys(about, c.keys), IDCANCEL) << c.keys.front();
        EXPECT_EQ(prompts.shown.size(), c.boxes) << c.keys.front();
        EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner takes input again";
        DestroyWindow(owner);
    }
}

}  // namespace
}  // namespace talkpost
