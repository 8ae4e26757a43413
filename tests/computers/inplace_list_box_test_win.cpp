// The in-place editing list box under Wine: a real list in a test window,
// driven with real keys (xdotool) that pass the window's dialog manager, as
// in the Edit Computer List dialog, and with window messages for the mouse.
#include "computers/inplace_list_box_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/real_input_win.h"
#include "support/test_support_win.h"
#include "base/app_error.h"
#include "win/window_win.h"

namespace talkpost {
namespace {

using test::Keys;
using test::typed;
using test::operator+;
using test::RecordingPrompts;

constexpr int kListId = 100;
constexpr int kOtherId = 101;

// Stands in for the main window, which the dialog returns to; the keyboard
// is its own once the dialog has closed, so the keys' releases reach this thread.
class OwnerWindow : public Window {
public:
    explicit OwnerWindow(Prompts& prompts) : Window(prompts)
    {
        create("TalkpostListTestOwner", 0, "owner", WS_OVERLAPPEDWINDOW, 480, 40, 300, 200, nullptr, nullptr);
        ShowWindow(hwnd(), SW_SHOW);
    }
};

// Stands in for the Edit Computer List dialog: the list and one more tab
// stop. Run modally, its loop hands every key to the dialog manager first;
// Escape that the dialog manager takes (the focused control does not want
// it) closes it, as Cancel closes the dialog.
class HostWindow : public Window {
public:
    HostWindow(Prompts& prompts, HWND owner) : Window(prompts)
    {
        create("TalkpostListTestHost", 0, "list test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 420, 540,
               owner, nullptr);
        other = CreateWindowExA(0, "BUTTON", "Other", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 24, 440, 100, 41, hwnd(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOtherId)), GetModuleHandleA(nullptr),
                                nullptr);
    }
    HWND other = nullptr;
    // The control that had the focus when Escape closed the window.
    HWND focusAtClose = nullptr;

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override
    {
        if (msg == WM_COMMAND && LOWORD(wparam) == IDCANCEL) {
            focusAtClose = GetFocus();
            // Closed once Escape is released: hidden any sooner, the window
            // could lose the keyboard before the release reaches this thread.
            test::waitUntil([] { return (GetKeyState(VK_ESCAPE) & 0x8000) == 0; }, std::chrono::seconds(10));
            endModal(IDCANCEL);
            return 0;
        }
        // Like a dialog, the window gives the focus back to the control that
        // had it when it is activated again (the default would take it itself).
        if (msg == WM_ACTIVATE) {
            HWND focus = GetFocus();
            if (LOWORD(wparam) == WA_INACTIVE)
                focus_ = focus;
            else if ((focus == nullptr || !IsChild(hwnd(), focus)) && focus_ != nullptr && IsWindow(focus_))
                SetFocus(focus_);
            return 0;
        }
        return defaultHandle(msg, wparam, lparam);
    }

private:
    HWND focus_ = nullptr;
};


// Shown by its own style: the host hides when its modal run ends.
bool shown(HWND window) { return (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// A point of one window in the client coordinates of another.
POINT mapPoint(HWND from, HWND to, POINT p)
{
    MapWindowPoints(from, to, &p, 1);
    return p;
}

class InPlaceListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        list = std::make_unique<InPlaceListBox>(prompts, host.hwnd(), kListId, 24, 64, 273, 361,
                                                LBS_SORT | WS_TABSTOP);
        font.reset(CreateFontA(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif"));
        list->setFont(static_cast<HFONT>(font.get()));
        list->setItemHeight(20);
        list->setFocusColor(RGB(255, 255, 128));
        list->setScrollWidth(17);
        list->setHint("double click to edit");
        for (const char* text : {"Remote02", "*", "Remote01"})
            list->add(text);
        list->onEditDone = [this](std::string& text, bool& allow) {
            doneTexts.push_back(text);
            if (rewrite)
                text = *rewrite;
            allow = allowEdits;
        };
        ASSERT_TRUE(activateHost(host.other));
    }
    void TearDown() override
    {
        if (GetCapture() != nullptr)
            ReleaseCapture();
        list.reset();
    }

    // Shows the host as the active window with the focus on the control. The
    // window manager may be activating the owner meanwhile: asked again until it sticks.
    bool activateHost(HWND focus)
    {
        ShowWindow(host.hwnd(), SW_SHOW);
        bool active = test::waitUntil([&] {
            if (GetForegroundWindow() != host.hwnd())
                SetForegroundWindow(host.hwnd());
            else if (GetFocus() != focus)
                SetFocus(focus);
            return GetForegroundWindow() == host.hwnd() && GetFocus() == focus;
        });
        return active && test::waitUntilOnScreen(host.hwnd());
    }

    void openOn(int index)
    {
        list->setItemIndex(index);
        list->startEdit();
        ASSERT_TRUE(list->editing());
    }

    // Runs the host modally and presses the keys, then Escape, which closes
    // the host once the focus is on a control that leaves Escape to the
    // dialog manager. True when that Escape closed it; the host is shown and
    // active again afterwards, its focus where the keys left it.
    bool pressInDialog(const Keys& keys)
    {
        host.focusAtClose = nullptr;
        int result = test::runModalWithKeys(host, keys + Keys{"Escape"});
        return result == IDCANCEL && activateHost(host.focusAtClose);
    }

    RecordingPrompts prompts;
    OwnerWindow owner{prompts};
    HostWindow host{prompts, owner.hwnd()};
    UniqueGdiObject font;
    std::unique_ptr<InPlaceListBox> list;
    std::vector<std::string> doneTexts;
    std::optional<std::string> rewrite;
    bool allowEdits = true;
};

TEST_F(InPlaceListBoxTest, StartEditWithoutSelectionOrOnEmptyListDoesNothing)
{
    int starts = 0;
    list->onEditStart = [&](int, bool&) { ++starts; };
    list->startEdit();
    EXPECT_FALSE(list->editing());
    list->clear();
    list->startEdit();
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(starts, 0);
    EXPECT_FALSE(IsWindowVisible(list->editor()));
}

TEST_F(InPlaceListBoxTest, OpenEditorLiesOverTheRowWhichShowsEmptyWithNothingSelected)
{
    int startedOn = -1;
    list->onEditStart = [&](int index, bool&) { startedOn = index; };
    openOn(1);
    EXPECT_EQ(startedOn, 1);
    EXPECT_EQ(list->items(), (std::vector<std::string>{"*", "", "Remote02"}));
    EXPECT_EQ(list->itemIndex(), -1);
    EXPECT_TRUE(IsWindowVisible(list->editor()));
    EXPECT_EQ(windowText(list->editor()), "Remote01");
    EXPECT_EQ(GetFocus(), list->editor());
    EXPECT_EQ(GetCapture(), list->editor());
    DWORD selection = static_cast<DWORD>(SendMessageA(list->editor(), EM_GETSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 8);
    RECT r{};
    GetWindowRect(list->editor(), &r);
    MapWindowPoints(nullptr, list->hwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.bottom - r.top, 20);
    EXPECT_TRUE(doneTexts.empty());
}

TEST_F(InPlaceListBoxTest, OnEditStartCanPreventTheEdit)
{
    list->onEditStart = [](int, bool& allow) { allow = false; };
    list->setItemIndex(1);
    list->startEdit();
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->item(1), "Remote01");
    EXPECT_EQ(list->itemIndex(), 1);
}

TEST_F(InPlaceListBoxTest, EnterStoresTheTypedTextInPlaceAndSelectsIt)
{
    openOn(1);
    // The typing replaces the selected text; Enter's character is swallowed.
    ASSERT_TRUE(pressInDialog(typed("zeta") + Keys{"Return"}));
    EXPECT_FALSE(list->editing());
    // Renamed so that it would sort last, it keeps its index.
    EXPECT_EQ(list->items(), (std::vector<std::string>{"*", "zeta", "Remote02"}));
    EXPECT_EQ(list->itemIndex(), 1);
    EXPECT_EQ(doneTexts, (std::vector<std::string>{"zeta"}));
    EXPECT_EQ(host.focusAtClose, list->hwnd());
    EXPECT_NE(GetCapture(), list->editor());
    EXPECT_FALSE(shown(list->editor()));
}

TEST_F(InPlaceListBoxTest, EnterOnAnEmptiedEditorStoresAnEmptyEntry)
{
    openOn(2);
    ASSERT_TRUE(pressInDialog({"BackSpace", "Return"}));
    EXPECT_EQ(list->items(), (std::vector<std::string>{"*", "Remote01", ""}));
    EXPECT_EQ(doneTexts, (std::vector<std::string>{""}));
}

TEST_F(InPlaceListBoxTest, EscapeStoresTheSavedTextAndStillReportsTheEnd)
{
    openOn(1);
    // The first Escape ends the edit; only the second reaches the dialog manager.
    ASSERT_TRUE(pressInDialog(typed("changed") + Keys{"Escape"}));
    EXPECT_EQ(host.focusAtClose, list->hwnd());
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->item(1), "Remote01");
    EXPECT_EQ(list->itemIndex(), 1);
    EXPECT_EQ(doneTexts, (std::vector<std::string>{"Remote01"}));
}

TEST_F(InPlaceListBoxTest, EditDoneHandlerDecidesWhatIsStored)
{
    struct Case {
        const char* name;
        bool allow;
        std::optional<std::string> rewrite;
        std::string stored;
    } cases[] = {
        {"veto keeps the old text", false, std::nullopt, "Remote01"},
        {"veto wins over a rewrite", false, std::string("Other"), "Remote01"},
        {"rewritten text is stored", true, std::string("Rewritten"), "Rewritten"},
        {"typed text is stored", true, std::nullopt, "typed"},
    };
    for (const Case& c : cases) {
        list->clear();
        for (const char* text : {"*", "Remote01", "Remote02"})
            list->add(text);
        allowEdits = c.allow;
        rewrite = c.rewrite;
        doneTexts.clear();
        openOn(1);
        ASSERT_TRUE(pressInDialog(typed("typed") + Keys{"Return"})) << c.name;
        EXPECT_EQ(list->item(1), c.stored) << c.name;
        EXPECT_EQ(doneTexts, (std::vector<std::string>{"typed"})) << c.name;
    }
}

TEST_F(InPlaceListBoxTest, UpAndDownEndTheEditAndSelectTheNeighbourButStopAtTheEnds)
{
    struct Case {
        int edited;
        const char* key;
        int selected;
    } cases[] = {{2, "Down", 2}, {1, "Down", 2}, {1, "Up", 0}, {0, "Up", 0}};
    for (const Case& c : cases) {
        doneTexts.clear();
        openOn(c.edited);
        std::string before = windowText(list->editor());
        // The list does not move again on the same key.
        ASSERT_TRUE(pressInDialog({c.key})) << c.key;
        EXPECT_FALSE(list->editing());
        EXPECT_EQ(list->itemIndex(), c.selected) << "edited " << c.edited << ", " << c.key;
        EXPECT_EQ(list->item(c.edited), before);
        EXPECT_EQ(doneTexts.size(), 1u);
        EXPECT_EQ(host.focusAtClose, list->hwnd());
    }
}

TEST_F(InPlaceListBoxTest, ClickOutsideTheEditorOnlyEndsTheEdit)
{
    int clicks = 0;
    list->onClick = [&] { ++clicks; };
    openOn(1);
    SetWindowTextA(list->editor(), "Renamed");
    // The capture brings a click on another row to the editor, in its coordinates.
    RECT row{};
    SendMessageA(list->hwnd(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    POINT p = mapPoint(list->hwnd(), list->editor(), {row.left + 5, row.top + 5});
    SendMessageA(list->editor(), WM_LBUTTONDOWN, MK_LBUTTON, at(p.x, p.y));
    SendMessageA(list->editor(), WM_LBUTTONUP, 0, at(p.x, p.y));
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->item(1), "Renamed");
    EXPECT_EQ(list->itemIndex(), 1);  // the edited entry, not the one clicked
    EXPECT_EQ(clicks, 0);
}

TEST_F(InPlaceListBoxTest, ClickInsideTheEditorKeepsEditingAndTheMouse)
{
    openOn(1);
    SendMessageA(list->editor(), WM_LBUTTONDOWN, MK_LBUTTON, at(3, 3));
    SendMessageA(list->editor(), WM_LBUTTONUP, 0, at(3, 3));
    EXPECT_TRUE(list->editing());
    EXPECT_EQ(GetCapture(), list->editor());
    ASSERT_TRUE(pressInDialog({"Return"}));
    EXPECT_EQ(list->item(1), "Remote01");
}

TEST_F(InPlaceListBoxTest, FocusMovingElsewhereEndsTheEditThroughFinishEdit)
{
    openOn(1);
    SetWindowTextA(list->editor(), "Moved");
    SetFocus(host.other);
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->item(1), "Moved");
    EXPECT_EQ(doneTexts, (std::vector<std::string>{"Moved"}));
    EXPECT_EQ(GetFocus(), list->hwnd());
}

TEST_F(InPlaceListBoxTest, ChangingAllowEditWhileEditingEndsTheEditAndFocusesTheList)
{
    openOn(1);
    SetWindowTextA(list->editor(), "Kept");
    list->setAllowEdit(false);
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->item(1), "Kept");
    EXPECT_EQ(list->editedIndex(), -1);
    EXPECT_EQ(GetFocus(), list->hwnd());
}

TEST_F(InPlaceListBoxTest, EntriesAddedWhileEditingDoNotReceiveTheEditedText)
{
    openOn(2);
    SetWindowTextA(list->editor(), "Edited");
    list->add("");  // sorts to the top and moves the edited row down
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->items(), (std::vector<std::string>{"", "*", "Remote01", "Edited"}));
}

TEST_F(InPlaceListBoxTest, FailingEditDoneHandlerKeepsTheOldTextAndShowsTheError)
{
    list->onEditDone = [](std::string&, bool&) { throw AppError("handler failed"); };
    openOn(1);
    ASSERT_TRUE(pressInDialog(typed("lost") + Keys{"Return"}));
    EXPECT_FALSE(list->editing());
    EXPECT_EQ(list->item(1), "Remote01");
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "handler failed");
}

TEST_F(InPlaceListBoxTest, EditorWidensWithItsTextUpToTheClientWidthPlusOne)
{
    openOn(1);
    RECT client{};
    GetClientRect(list->hwnd(), &client);
    auto editorWidth = [&] {
        RECT r{};
        GetWindowRect(list->editor(), &r);
        return static_cast<int>(r.right - r.left);
    };
    HDC dc = GetDC(list->editor());
    HGDIOBJ old = SelectObject(dc, font.get());
    SIZE size{};
    GetTextExtentPoint32A(dc, "Remote01", 8, &size);
    SelectObject(dc, old);
    ReleaseDC(list->editor(), dc);
    EXPECT_EQ(editorWidth(), size.cx + 15);
    // Typed text widens it; the keys need no dialog manager to reach the editor.
    ASSERT_TRUE(test::pressKeys(list->editor(), Keys(40, "w")));
    EXPECT_EQ(editorWidth(), client.right + 1);
    SetWindowTextA(list->editor(), "W");
    EXPECT_LT(editorWidth(), 50);
    ASSERT_TRUE(pressInDialog({"Escape"}));
}

TEST_F(InPlaceListBoxTest, FocusColourShowsOnlyWhileTheListHasTheFocus)
{
    auto shownColour = [&] {
        HDC dc = GetDC(list->hwnd());
        auto brush = reinterpret_cast<HBRUSH>(SendMessageA(host.hwnd(), WM_CTLCOLORLISTBOX,
                                                            reinterpret_cast<WPARAM>(dc),
                                                            reinterpret_cast<LPARAM>(list->hwnd())));
        ReleaseDC(list->hwnd(), dc);
        LOGBRUSH lb{};
        GetObjectA(brush, sizeof lb, &lb);
        return lb.lbColor;
    };
    COLORREF window = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(shownColour(), window);
    SetFocus(list->hwnd());
    EXPECT_EQ(shownColour(), RGB(255, 255, 128));
    openOn(1);
    EXPECT_EQ(shownColour(), window);  // the editor has the focus, not the list
    ASSERT_TRUE(pressInDialog({"Return"}));
    EXPECT_EQ(shownColour(), RGB(255, 255, 128));
    SetFocus(host.other);
    EXPECT_EQ(shownColour(), window);
}

TEST_F(InPlaceListBoxTest, HorizontalExtentFollowsTheWidestEntry)
{
    auto extent = [&] { return static_cast<int>(SendMessageA(list->hwnd(), LB_GETHORIZONTALEXTENT, 0, 0)); };
    EXPECT_EQ(extent(), 0);
    list->add(std::string(60, 'W'));
    EXPECT_GT(extent(), 273);
    list->remove(list->count() - 1);
    EXPECT_EQ(extent(), 0);
    list->add(std::string(60, 'W'));
    list->setScrollHorizontal(false);
    EXPECT_EQ(extent(), 0);
    list->setScrollHorizontal(true);
    EXPECT_GT(extent(), 0);
    list->clear();
    EXPECT_EQ(extent(), 0);
}

TEST_F(InPlaceListBoxTest, HintShowsTheFullTextOfEntriesWiderThanTheList)
{
    list->add("Remote03 " + std::string(40, 'W'));  // sorts last, row 3
    auto hintAtRow = [&](int row) { return list->hintAt({5, row * 20 + 5}); };
    InPlaceListBox::HintInfo wide = hintAtRow(3);
    EXPECT_TRUE(wide.entryText);
    EXPECT_EQ(wide.text, list->item(3));
    EXPECT_EQ(hintAtRow(1).text, "double click to edit");
    EXPECT_FALSE(hintAtRow(1).entryText);
    EXPECT_EQ(hintAtRow(10).text, "double click to edit");  // below the last entry

    // Resting over the wide entry shows its text; a click withdraws it.
    SendMessageA(list->hwnd(), WM_MOUSEHOVER, 0, at(5, 3 * 20 + 5));
    HWND tip = list->hintWindow();
    EXPECT_TRUE(IsWindowVisible(tip));
    EXPECT_EQ(windowText(tip), list->item(3));
    SendMessageA(list->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at(5, 5));
    SendMessageA(list->hwnd(), WM_LBUTTONUP, 0, at(5, 5));
    EXPECT_FALSE(IsWindowVisible(tip));
}

// The features the Edit Computer List dialog leaves off.
TEST_F(InPlaceListBoxTest, AllowEditStartsEditingOnASecondClickOrTheSpaceKey)
{
    RECT row{};
    SendMessageA(list->hwnd(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    LPARAM point = at(row.left + 5, row.top + 5);
    SendMessageA(list->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(list->hwnd(), WM_LBUTTONUP, 0, point);
    EXPECT_EQ(list->itemIndex(), 1);
    EXPECT_FALSE(list->editing());  // the first click only selects
    SendMessageA(list->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(list->hwnd(), WM_LBUTTONUP, 0, point);
    EXPECT_TRUE(list->editing());
    ASSERT_TRUE(pressInDialog({"Escape"}));

    // Space on the list opens the editor, which then takes Escape.
    int starts = 0;
    list->onEditStart = [&](int, bool&) { ++starts; };
    ASSERT_TRUE(pressInDialog({"space", "Escape"}));
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(list->editing());

    list->setAllowEdit(false);
    SendMessageA(list->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(list->hwnd(), WM_LBUTTONUP, 0, point);
    EXPECT_FALSE(list->editing());
    ASSERT_TRUE(pressInDialog({"space"}));
    EXPECT_EQ(starts, 1);
}

TEST_F(InPlaceListBoxTest, AutoInsertAddsAnEntryAndEditsIt)
{
    SetFocus(list->hwnd());
    ASSERT_TRUE(pressInDialog({"Insert"}));
    EXPECT_EQ(list->count(), 3);  // off by default
    list->autoInsert = true;
    list->onAutoInsert = [](std::string& value) { value = "Remote015"; };
    std::vector<std::string> editorTexts;
    std::vector<std::string> rowTexts;
    list->onEditStart = [&](int, bool&) { rowTexts = list->items(); };
    list->onEditDone = [&](std::string& text, bool&) { editorTexts.push_back(text); };
    ASSERT_TRUE(pressInDialog({"Insert", "Return"}));
    EXPECT_EQ(list->count(), 4);
    // Sorted in between Remote01 and Remote02, and edited there.
    EXPECT_EQ(rowTexts, (std::vector<std::string>{"*", "Remote01", "Remote015", "Remote02"}));
    EXPECT_EQ(editorTexts, (std::vector<std::string>{"Remote015"}));
    EXPECT_EQ(list->item(2), "Remote015");
    EXPECT_EQ(list->itemIndex(), 2);
}

TEST_F(InPlaceListBoxTest, AutoDeleteRemovesTheSelectedEntryUnlessVetoed)
{
    list->setItemIndex(2);
    SetFocus(list->hwnd());
    ASSERT_TRUE(pressInDialog({"Delete"}));
    EXPECT_EQ(list->count(), 3);  // off by default
    list->autoDelete = true;
    std::vector<std::string> asked;
    bool allow = false;
    list->onAutoDelete = [&](std::string& value, bool& allowDelete) {
        asked.push_back(value);
        allowDelete = allow;
    };
    ASSERT_TRUE(pressInDialog({"Delete"}));
    EXPECT_EQ(list->count(), 3);
    allow = true;
    ASSERT_TRUE(pressInDialog({"Delete"}));  // the last one: the new last is selected
    EXPECT_EQ(list->items(), (std::vector<std::string>{"*", "Remote01"}));
    EXPECT_EQ(list->itemIndex(), 1);
    list->setItemIndex(0);
    ASSERT_TRUE(pressInDialog({"Delete"}));  // the first one: the one now at its index
    EXPECT_EQ(list->items(), (std::vector<std::string>{"Remote01"}));
    EXPECT_EQ(list->itemIndex(), 0);
    EXPECT_EQ(asked, (std::vector<std::string>{"Remote02", "Remote02", "*"}));
}

TEST_F(InPlaceListBoxTest, IncrementalLookupSelectsByPrefixThenBySubstring)
{
    list->add("xyRemote");
    list->lookupIncr = true;
    SetFocus(list->hwnd());
    // The search text and the selection as each key reaches the list (the
    // focus coming back to the list starts a new search).
    std::vector<std::pair<std::string, int>> seen;
    list->onKeyDown = [&](WPARAM) {
        seen.emplace_back(list->lookupText(), list->itemIndex());
        return false;
    };
    // No entry begins with "Y": the search text is dropped.
    ASSERT_TRUE(pressInDialog(typed("rem") + Keys{"Home", "y", "e"}));
    const std::vector<std::pair<std::string, int>> expected = {
        {"", -1}, {"R", 1}, {"RE", 1}, {"REM", 1}, {"", 0}, {"", 0}};
    EXPECT_EQ(seen, expected);
    list->lookupFull = true;
    ASSERT_TRUE(pressInDialog({"y"}));
    EXPECT_EQ(list->itemIndex(), 3);
}

TEST_F(InPlaceListBoxTest, ReturnOptionsTurnEnterIntoClickDoubleClickAndTab)
{
    int clicks = 0, doubleClicks = 0;
    list->onClick = [&] { ++clicks; };
    list->onDblClick = [&] { ++doubleClicks; };
    SetFocus(list->hwnd());
    // Without an option Enter belongs to the dialog manager.
    ASSERT_TRUE(pressInDialog({"Return"}));
    EXPECT_EQ(clicks + doubleClicks, 0);
    list->returnIsClick = true;
    list->returnIsDblClick = true;
    ASSERT_TRUE(pressInDialog({"Return"}));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(host.focusAtClose, list->hwnd());
    // Enter as Tab moves on to the next tab stop.
    list->returnIsTab = true;
    ASSERT_TRUE(pressInDialog({"Return"}));
    EXPECT_EQ(host.focusAtClose, host.other);
}

TEST_F(InPlaceListBoxTest, SelectionChangesAreReportedWhoeverMakesThem)
{
    std::vector<int> changes;
    list->onSelChange = [&](int index) { changes.push_back(index); };
    list->setItemIndex(2);
    SetFocus(list->hwnd());
    ASSERT_TRUE(pressInDialog({"Up"}));  // the list notifies its parent
    EXPECT_EQ(changes, (std::vector<int>{2, 1}));
}

TEST_F(InPlaceListBoxTest, TabStopsWidenEntriesAndStyledScrollBarsKeepTheHorizontalBar)
{
    auto extent = [&] { return static_cast<int>(SendMessageA(list->hwnd(), LB_GETHORIZONTALEXTENT, 0, 0)); };
    auto horizontalBarShown = [&] {
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        return GetScrollBarInfo(list->hwnd(), OBJID_HSCROLL, &info) &&
               (info.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0;
    };
    list->add("a\tb\tc");
    EXPECT_EQ(extent(), 0);  // with the list's own stops the entry fits
    list->setTabPositions({{60, TabAlign::Left}, {400, TabAlign::Left}});
    EXPECT_GT(extent(), 400);
    EXPECT_TRUE(horizontalBarShown());
    struct Style {
        ScrollStyle style;
        std::optional<COLORREF> color;
    };
    for (const Style& s : {Style{ScrollStyle::Flat, std::nullopt}, Style{ScrollStyle::Framed, RGB(1, 2, 3)},
                           Style{ScrollStyle::Normal, RGB(1, 2, 3)}, Style{ScrollStyle::Normal, std::nullopt}}) {
        list->setScrollStyle(s.style);
        list->setScrollColor(s.color);
        EXPECT_EQ(list->scrollStyle(), s.style);
        EXPECT_GT(extent(), 400) << static_cast<int>(s.style);
        EXPECT_TRUE(horizontalBarShown()) << static_cast<int>(s.style);
    }
    list->setTabPositions({});
    EXPECT_EQ(extent(), 0);
    EXPECT_FALSE(horizontalBarShown());
}

}  // namespace
}  // namespace talkpost
