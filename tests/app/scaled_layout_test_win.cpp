// The main window and the Edit Computer List dialog at 100 %, 150 % and
// 200 %: every control where the designed layout scaled puts it, none over a
// sibling or outside its window, the fonts and list rows scaled, and a
// WM_DPICHANGED lays the window out again; the about box and the login
// dialog with nothing clipped or overlapping. Wine takes the screen's scale
// from the registry when a process starts, so each scale runs in a child
// process of this program; the parent sets the scale for it and puts the
// registry back afterwards.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "about/about_window_win.h"
#include "app/main_window_win.h"
#include "banner/banner_win.h"
#include "computers/edit_computer_list_dialog_win.h"
#include "update/wizard/login_dialog_win.h"
#include "win/controls_win.h"
#include "win/dpi_win.h"
#include "support/real_input_win.h"
#include "support/test_support_win.h"
#include "window_shot_win.h"

namespace talkpost {
namespace {

// The child runs at the scale named here; the parent sets it.
constexpr const char* kScaleVariable = "TALKPOST_SCALED_LAYOUT_DPI";
// Where Wine reads the screen's scale from when a process starts.
constexpr const char* kScaleKey = "Control Panel\\Desktop";
constexpr const char* kScaleValue = "LogPixels";
constexpr const char* kWineFontsKey = "Software\\Wine\\Fonts";
// How long one child may take: it creates two windows and lays them out a few times.
constexpr DWORD kChildMilliseconds = 120000;
// Off by at most this many pixels from the designed place scaled (rounding
// of sums, and frames drawn in whole pixels).
constexpr int kTolerance = 2;

// The side of the about box's picture (the program's resource), in its own pixels.
constexpr int kAboutPictureSide = 250;
// The banner panel's designed place in the main window (as the application wires it).
constexpr RECT kBannerPanel{392, 80, 392 + 148, 80 + 230};

struct Designed {
    const char* name;
    int id;
    RECT place;  // designed pixels, in the parent's client area
    // Its size comes partly from its font (the computer field's closed
    // height, the time field widened for five digits): within the tolerance
    // at 100 % too.
    bool fittedToFont = false;
};

constexpr RECT rectOf(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

// The designed places of the main window's controls (the time field with
// its spin buttons, which take the right end of its place).
const Designed kMainWindowPlaces[] = {
    {"tool bar", id(MainId::ToolBar), rectOf(3, 1, 552, 26)},
    {"computer label", id(MainId::ComputerLabel), rectOf(16, 40, 153, 13)},
    {"computer field", id(MainId::ComputerField), rectOf(16, 56, 153, 21), true},
    {"user label", id(MainId::UserLabel), rectOf(174, 40, 129, 13)},
    {"user field", id(MainId::UserField), rectOf(174, 56, 129, 21)},
    {"message label", id(MainId::MessageLabel), rectOf(16, 82, 361, 13)},
    {"message editor", id(MainId::MessageEditor), rectOf(16, 96, 361, 97)},
    {"log label", id(MainId::LogLabel), rectOf(16, 194, 361, 13)},
    {"log pane", id(MainId::LogPane), rectOf(16, 208, 361, 97)},
    {"time label", id(MainId::TimeLabel), rectOf(320, 40, 57, 13), true},
};
constexpr Designed kTimeFieldWithButtons{"time field with its buttons", id(MainId::TimeField), rectOf(320, 56, 57, 22),
                                         true};

using Dialog = EditComputerListDialog;
const Designed kDialogPlaces[] = {
    {"list", static_cast<int>(Dialog::ControlId::ComputerListBox), rectOf(24, 64, 273, 361)},
    {"+", static_cast<int>(Dialog::ControlId::Add), rectOf(24, 8, 57, 41)},
    {"-", static_cast<int>(Dialog::ControlId::Remove), rectOf(88, 8, 57, 41)},
    {"Save", static_cast<int>(Dialog::ControlId::Save), rectOf(24, 440, 100, 41)},
    {"Cancel", static_cast<int>(Dialog::ControlId::Cancel), rectOf(200, 440, 100, 41)},
};

RECT placeIn(HWND parent, HWND child)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string describe(const RECT& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// Each edge within the tolerance of the designed place scaled (exactly, at 100 %).
void expectPlace(const char* name, const RECT& actual, const RECT& designed, Dpi dpi, bool fittedToFont = false)
{
    RECT wanted = dpi.scale(designed);
    int tolerance = dpi.value() == Dpi::kDesigned && !fittedToFont ? 0 : kTolerance;
    bool within = std::abs(actual.left - wanted.left) <= tolerance && std::abs(actual.top - wanted.top) <= tolerance &&
                std::abs(actual.right - wanted.right) <= tolerance &&
                std::abs(actual.bottom - wanted.bottom) <= tolerance;
    EXPECT_TRUE(within) << name << " at " << dpi.value() << " DPI is " << describe(actual) << ", designed "
                      << describe(designed) << " scaled is " << describe(wanted);
}

// The rectangles of a window's visible children, by name.
struct Placed {
    std::string name;
    RECT place;
};

// No two overlap, and each lies inside the parent's client area.
void expectApartAndInside(HWND parent, const std::vector<Placed>& children, const char* window)
{
    RECT client{};
    GetClientRect(parent, &client);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const Placed& a = children[i];
        RECT inside{};
        IntersectRect(&inside, &a.place, &client);
        EXPECT_TRUE(EqualRect(&inside, &a.place))
            << a.name << " " << describe(a.place) << " lies outside the " << window << "'s client area "
            << describe(client);
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            const Placed& b = children[j];
            RECT common{};
            EXPECT_FALSE(IntersectRect(&common, &a.place, &b.place))
                << a.name << " " << describe(a.place) << " overlaps " << b.name << " " << describe(b.place) << " in the "
                << window;
        }
    }
}

int fontHeightOf(HWND control)
{
    LOGFONTA font{};
    GetObjectA(Control(control).font(), sizeof font, &font);
    return font.lfHeight;
}

// The suggested rectangle of a move to another scale: the client area grown
// by the scales' ratio about the window's top-left corner. The frame stays
// as it is: Wine draws it at the scale the process started with.
RECT suggestedRect(HWND window, Dpi from, Dpi to)
{
    RECT r{}, client{};
    GetWindowRect(window, &r);
    GetClientRect(window, &client);
    int width = r.right - r.left - client.right + MulDiv(client.right, to.value(), from.value());
    int height = r.bottom - r.top - client.bottom + MulDiv(client.bottom, to.value(), from.value());
    return {r.left, r.top, r.left + width, r.top + height};
}

void sendDpiChanged(HWND window, Dpi to, RECT suggested)
{
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(to.value(), to.value()), reinterpret_cast<LPARAM>(&suggested));
}

// Leaves a screenshot of the window, shown, in the build's screenshot folder
// ("<name>-<percent>.bmp"), for a person to look at.
void saveShot(HWND window, const std::string& name, Dpi dpi)
{
    ShowWindow(window, SW_SHOWNA);
    ASSERT_TRUE(test::waitUntilOnScreen(window)) << name << " did not come on screen";
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
    std::string folder = test::binaryDir() + "\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    saveWindowShot(window, folder + "\\" + name + "-" + std::to_string(dpi.scale(100)) + ".bmp");
    ShowWindow(window, SW_HIDE);
}

// ---------------------------------------------------------------------------
// The child: the windows at the scale this process started with.

class ScaledLayoutAtThisScale : public testing::Test {
protected:
    void SetUp() override
    {
        const char* wanted = std::getenv(kScaleVariable);
        if (wanted == nullptr)
            GTEST_SKIP() << "runs in the child that ScaledLayout.AtEveryScale starts";
        becomePerMonitorAware();
        dpi_ = Dpi(std::atoi(wanted));
        ASSERT_EQ(screenDpi().value(), dpi_.value()) << "Wine did not take the scale from the registry";
    }

    // The main window's controls as laid out now, checked against the designed places at the scale.
    void checkMainWindow(MainWindow& w, BannerRotator& banner, Dpi dpi)
    {
        HWND main = w.hwnd();
        EXPECT_EQ(dpiOf(main).value(), dpi.value());
        std::vector<Placed> children;
        for (const Designed& d : kMainWindowPlaces) {
            RECT place = placeIn(main, w.control(d.id));
            expectPlace(d.name, place, d.place, dpi, d.fittedToFont);
            children.push_back({d.name, place});
        }
        RECT field = placeIn(main, w.control(id(MainId::TimeField)));
        RECT spin = placeIn(main, w.control(id(MainId::TimeSpin)));
        RECT both{};
        UnionRect(&both, &field, &spin);
        expectPlace(kTimeFieldWithButtons.name, both, kTimeFieldWithButtons.place, dpi, true);
        EXPECT_NEAR(spin.right - spin.left, dpi.scale(16), kTolerance) << "the spin buttons' width";
        // The buttons lie on the field's right border by design: one rectangle for both.
        children.push_back({kTimeFieldWithButtons.name, both});
        RECT panel = placeIn(main, banner.panel());
        expectPlace("banner panel", panel, kBannerPanel, dpi);
        expectPlace("banner picture", placeIn(banner.panel(), banner.pictureWindow()), rectOf(8, 8, 132, 214), dpi);
        children.push_back({"banner panel", panel});
        HWND status = w.control(id(MainId::StatusBar));
        children.push_back({"status bar", placeIn(main, status)});
        expectApartAndInside(main, children, "main window");

        // Fonts and bars at the scale: "MS Sans Serif" 8 point is 11 pixels at 100 %.
        EXPECT_EQ(fontHeightOf(w.control(id(MainId::UserField))), -dpi.scale(11));
        EXPECT_EQ(fontHeightOf(w.control(id(MainId::MessageEditor))), -dpi.scale(13));
        EXPECT_EQ(fontHeightOf(w.control(id(MainId::LogPane))), -dpi.scale(8));
        ToolBar bar(w.control(id(MainId::ToolBar)));
        RECT send{};
        ASSERT_TRUE(bar.buttonRect(id(MainId::SendButton), send));
        EXPECT_NEAR(send.bottom - send.top, dpi.scale(22), kTolerance) << "Send button height";
        EXPECT_GE(send.right - send.left, dpi.scale(40) - kTolerance) << "Send button width";
        StatusBar statusBar(status);
        int designedEdges[] = {320, 480, 610};
        for (int panelIndex = 0; panelIndex < 2; ++panelIndex)
            EXPECT_NEAR(statusBar.panelRect(panelIndex).right, dpi.scale(designedEdges[panelIndex]), kTolerance)
                << "status panel " << panelIndex;
        RECT progress = placeIn(status, GetDlgItem(status, id(MainId::Progress)));
        RECT progressPanel = statusBar.panelRect(1);
        EXPECT_TRUE(progress.left >= progressPanel.left && progress.right <= progressPanel.right &&
                    progress.top >= progressPanel.top && progress.bottom <= progressPanel.bottom)
            << "the progress bar " << describe(progress) << " stays in its panel " << describe(progressPanel);
    }

    void checkDialog(Dialog& dialog, Dpi dpi)
    {
        HWND window = dialog.hwnd();
        EXPECT_EQ(dpiOf(window).value(), dpi.value());
        std::vector<Placed> children;
        for (const Designed& d : kDialogPlaces) {
            RECT place = placeIn(window, dialog.control(d.id));
            expectPlace(d.name, place, d.place, dpi);
            children.push_back({d.name, place});
        }
        expectApartAndInside(window, children, "Edit Computer List dialog");
        EXPECT_EQ(dialog.listBox().itemHeight(), dpi.scale(20));
        EXPECT_EQ(fontHeightOf(dialog.listBox().hwnd()), -dpi.scale(16));
        EXPECT_EQ(fontHeightOf(dialog.button(Dialog::ControlId::Add)), -dpi.scale(21));
        EXPECT_EQ(fontHeightOf(dialog.button(Dialog::ControlId::Save)), dpi.fontHeightOfPoints(8));
    }

    Dpi dpi_;
};

TEST_F(ScaledLayoutAtThisScale, MainWindowControlsSitAtTheirDesignedPlacesScaled)
{
    test::RecordingPrompts prompts;
    MainWindow w(prompts);
    BannerRotator banner(prompts, w.hwnd(), kBannerPanel.left, kBannerPanel.top,
                         kBannerPanel.right - kBannerPanel.left, kBannerPanel.bottom - kBannerPanel.top);
    w.show(SW_HIDE);
    RECT client{};
    GetClientRect(w.hwnd(), &client);
    // The client area grows with the scale: the status bar below the log pane and the banner.
    SCOPED_TRACE("client area " + describe(client));
    checkMainWindow(w, banner, dpi_);

    // Moved to another scale and back: each time laid out for the new one, in the suggested rectangle.
    Dpi other(dpi_.value() == 192 ? 96 : 192);
    for (Dpi to : {other, dpi_}) {
        SCOPED_TRACE("after WM_DPICHANGED to " + std::to_string(to.value()));
        RECT suggested = suggestedRect(w.hwnd(), dpiOf(w.hwnd()), to);
        sendDpiChanged(w.hwnd(), to, suggested);
        RECT now{};
        GetWindowRect(w.hwnd(), &now);
        EXPECT_TRUE(EqualRect(&now, &suggested)) << describe(now) << " is not the suggested " << describe(suggested);
        checkMainWindow(w, banner, to);
    }
}

TEST_F(ScaledLayoutAtThisScale, EditComputerListDialogAndItsEditorScale)
{
    test::RecordingPrompts prompts;
    MainWindow w(prompts);
    Dialog dialog(prompts, w.computers(), w.hwnd());
    RECT client{};
    GetClientRect(dialog.hwnd(), &client);
    EXPECT_NEAR(client.right, dpi_.scale(320), kTolerance);
    EXPECT_NEAR(client.bottom, dpi_.scale(488), kTolerance);
    checkDialog(dialog, dpi_);

    Dpi other(dpi_.value() == 192 ? 96 : 192);
    for (Dpi to : {other, dpi_}) {
        SCOPED_TRACE("after WM_DPICHANGED to " + std::to_string(to.value()));
        sendDpiChanged(dialog.hwnd(), to, suggestedRect(dialog.hwnd(), dpiOf(dialog.hwnd()), to));
        checkDialog(dialog, to);
    }

    // The in-place editor covers the entry's row at the scale.
    dialog.show(SW_HIDE);
    InPlaceListBox& list = dialog.listBox();
    list.add("Remote01");
    list.setItemIndex(list.count() - 1);
    list.startEdit();
    ASSERT_TRUE(list.editing());
    RECT editor = placeIn(list.hwnd(), list.editor());
    RECT listClient{};
    GetClientRect(list.hwnd(), &listClient);
    EXPECT_EQ(editor.bottom - editor.top, dpi_.scale(20));
    EXPECT_EQ(editor.top, (list.count() - 1 - static_cast<int>(SendMessageA(list.hwnd(), LB_GETTOPINDEX, 0, 0))) *
                              dpi_.scale(20));
    EXPECT_EQ(fontHeightOf(list.editor()), -dpi_.scale(16));
    list.endEdit();
    saveShot(dialog.hwnd(), "edit-computer-list", dpi_);
}

// The visible children of a window with their places, but those named.
std::vector<Placed> visibleChildren(HWND parent, std::initializer_list<int> except = {})
{
    std::vector<Placed> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        int childId = GetDlgCtrlID(child);
        if (IsWindowVisible(child) && std::find(except.begin(), except.end(), childId) == except.end())
            children.push_back({"control " + std::to_string(childId), placeIn(parent, child)});
    }
    return children;
}

TEST_F(ScaledLayoutAtThisScale, AboutBoxAndLoginDialogScaleWithNothingClippedOrOverlapping)
{
    test::RecordingPrompts prompts;
    MainWindow w(prompts);
    {
        AboutWindow about(prompts, w.hwnd());
        EXPECT_EQ(dpiOf(about.hwnd()).value(), dpi_.value());
        // The frame around the picture holds the picture by design.
        expectApartAndInside(about.hwnd(), visibleChildren(about.hwnd(), {static_cast<int>(AboutControl::Outer)}),
                             "about box");
        RECT image = placeIn(about.hwnd(), about.control(AboutControl::Image));
        RECT frame = placeIn(about.hwnd(), about.control(AboutControl::Outer));
        EXPECT_NEAR(image.left, dpi_.scale(9), kTolerance);
        EXPECT_NEAR(frame.bottom - frame.top, dpi_.scale(201), kTolerance);
        // The program's picture has 250 × 250 pixels: it takes them at 100 % and grows with the scale.
        EXPECT_NEAR(image.right - image.left, dpi_.scale(kAboutPictureSide), kTolerance);
        EXPECT_NEAR(image.bottom - image.top, dpi_.scale(kAboutPictureSide), kTolerance);
        EXPECT_EQ(fontHeightOf(about.control(AboutControl::Copyright)), dpi_.fontHeightOfPoints(8));
        saveShot(about.hwnd(), "about", dpi_);
    }
    {
        update::LoginDialog login(prompts, "Login", w.hwnd());
        EXPECT_EQ(dpiOf(login.hwnd()).value(), dpi_.value());
        expectApartAndInside(login.hwnd(), visibleChildren(login.hwnd()), "login dialog");
        HWND user = login.control(static_cast<int>(update::LoginDialog::ControlId::UserEdit));
        expectPlace("user name field", placeIn(login.hwnd(), user), rectOf(104, 80, 193, 21), dpi_);
        EXPECT_EQ(fontHeightOf(user), dpi_.fontHeightOfPoints(8));
        saveShot(login.hwnd(), "login", dpi_);
    }
}

// ---------------------------------------------------------------------------
// The parent: one child per scale, with the registry set for it.

// A DWORD value of the current user's registry, put back as it was (or
// removed, when there was none) when the guard goes.
class RegistryValueGuard {
public:
    RegistryValueGuard(const char* key, const char* name) : name_(name)
    {
        RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                        nullptr);
        DWORD value = 0, size = sizeof value, type = 0;
        if (RegQueryValueExA(key_, name_, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
            type == REG_DWORD)
            previous_ = value;
    }
    ~RegistryValueGuard()
    {
        if (previous_)
            set(*previous_);
        else
            RegDeleteValueA(key_, name_);
        RegCloseKey(key_);
    }
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;

    void set(DWORD value) { RegSetValueExA(key_, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value); }

private:
    HKEY key_ = nullptr;
    const char* name_;
    std::optional<DWORD> previous_;
};

// Runs this program's child tests at the scale; its exit code (or -1 when it did not end in time).
int runChildAt(int dpi)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\" --gtest_filter=ScaledLayoutAtThisScale.*";
    SetEnvironmentVariableA(kScaleVariable, std::to_string(dpi).c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessA(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    SetEnvironmentVariableA(kScaleVariable, nullptr);
    if (!started)
        return -2;
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, kChildMilliseconds) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    else
        TerminateProcess(process.hProcess, static_cast<UINT>(-1));
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

TEST(ScaledLayout, AtEveryScaleTheWindowsAreLaidOutForIt)
{
    if (std::getenv(kScaleVariable) != nullptr)
        GTEST_SKIP() << "the child runs only the tests at its scale";
    // Wine notes the scale its fonts were last set up for as well; both go back as they were.
    RegistryValueGuard screenScale(kScaleKey, kScaleValue), fontScale(kWineFontsKey, kScaleValue);
    for (int dpi : {96, 144, 192}) {
        screenScale.set(static_cast<DWORD>(dpi));
        EXPECT_EQ(runChildAt(dpi), 0) << "the layout at " << dpi << " DPI (the child's output above)";
    }
}

}  // namespace
}  // namespace talkpost
