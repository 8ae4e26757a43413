// The Edit Computer List dialog under Wine: made over a real combo box list,
// shown, and driven with real keys and pointer moves (xdotool), and with
// window messages where the mouse only selects.
#include "app/wiring_win.h"
#include "computers/edit_computer_list_dialog_win.h"
#include "settings/placement_store_win.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_file_win.h"
#include "support/real_input_win.h"
#include "win/controls_win.h"
#include "support/test_support_win.h"
#include "win/controls_win.h"

namespace talkpost {
namespace {

using Id = EditComputerListDialog::ControlId;
using test::Keys;
using test::typed;
using test::operator+;
using test::RecordingPrompts;
using test::TempFolder;

// Stands in for the main window: the computer field, and a user field that
// gets the focus back whenever the window is activated again. The field takes
// Enter as a new line, as the message editor does, so that a stray Enter shows.
class OwnerWindow : public Window {
public:
    explicit OwnerWindow(Prompts& prompts) : Window(prompts)
    {
        create("TalkpostDialogTestOwner", 0, "owner", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr);
        combo = test::createComputerField(hwnd());
        userField = CreateWindowExA(0, "EDIT", "*",
                                    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN, 10, 40, 120, 40, hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    HWND combo = nullptr;
    HWND userField = nullptr;

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override
    {
        if (msg == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE) {
            SetFocus(userField);
            Edit(userField).selectAll();
            return 0;
        }
        return defaultHandle(msg, wparam, lparam);
    }
};

// Tab from the dialog itself reaches the list first, then "+", "-", "Save", "Cancel".
Keys tabs(int count) { return Keys(static_cast<std::size_t>(count), "Tab"); }
// In the list with nothing selected, Down selects the first entry, and each further Down the next.
const Keys first{"Down"};
const Keys lastOfThree{"Down", "Down", "Down"};

class EditComputerListDialogTest : public ::testing::Test {
protected:
    EditComputerListDialogTest()
    {
        computers.replaceAll({"*", "Remote01", "Remote02"});
        computers.setTypedText("typed here");
        ShowWindow(owner.hwnd(), SW_SHOW);
        makeDialog();
    }
    // The dialog with the placement store the application gives it.
    void makeDialog()
    {
        placement.reset();
        dialog.reset();
        dialog = std::make_unique<EditComputerListDialog>(prompts, computers, owner.hwnd());
        placement = std::make_unique<settings::PlacementStore>(*dialog, settingsFile, editorPlacement());
    }
    ~EditComputerListDialogTest() override
    {
        if (GetCapture() != nullptr)
            ReleaseCapture();
        placement.reset();
        dialog.reset();
    }

    void open()
    {
        dialog->show();
        SetForegroundWindow(dialog->hwnd());
    }
    InPlaceListBox& list() { return dialog->listBox(); }
    void click(Id id) { SendMessageA(dialog->button(id), BM_CLICK, 0, 0); }
    // A real click while the editor is open reaches the editor, which holds the mouse.
    void clickThroughEditor(Id id)
    {
        RECT r{};
        GetWindowRect(dialog->button(id), &r);
        POINT p{r.left + 10, r.top + 10};
        ScreenToClient(list().editor(), &p);
        SendMessageA(list().editor(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        SendMessageA(list().editor(), WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    }
    void doubleClickRow(int row)
    {
        RECT r{};
        SendMessageA(list().hwnd(), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM(r.left + 5, r.top + 5);
        SendMessageA(list().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list().hwnd(), WM_LBUTTONUP, 0, at);
        SendMessageA(list().hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageA(list().hwnd(), WM_LBUTTONUP, 0, at);
    }
    bool visible() const { return IsWindowVisible(dialog->hwnd()) != FALSE; }
    // The dialog opened modally over the owner, with the owner's user field
    // focused and its text selected, as a person opens it from the main window.
    int runWithKeys(const test::KeyInput& input)
    {
        SetForegroundWindow(owner.hwnd());
        SetFocus(owner.userField);
        Edit(owner.userField).selectAll();
        return test::runModalWithKeys(*dialog, input);
    }
    int runWithKeys(const Keys& keys) { return runWithKeys(test::pressed(keys)); }

    settings::SettingsOptions settingsOptions() const
    {
        settings::SettingsOptions options;
        options.folder = folder.path();
        options.legacyFolder = folder.file("legacy");
        return options;
    }

    RecordingPrompts prompts;
    TempFolder folder;
    settings::SettingsFile settingsFile{settingsOptions()};
    OwnerWindow owner{prompts};
    ComputerList computers{owner.combo};
    std::unique_ptr<EditComputerListDialog> dialog;
    std::unique_ptr<settings::PlacementStore> placement;
};

TEST_F(EditComputerListDialogTest, WindowAndControlsFollowTheLayout)
{
    open();
    HWND hwnd = dialog->hwnd();
    EXPECT_EQ(windowText(hwnd), "Edit Computer List");
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 488);
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    EXPECT_EQ(frame.left, 517);
    EXPECT_EQ(frame.top, 143);
    LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), owner.hwnd());
    LOGBRUSH background{};
    GetObjectA(reinterpret_cast<HBRUSH>(GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND)), sizeof background, &background);
    EXPECT_EQ(background.lbColor, RGB(200, 219, 238));

    struct Expected {
        HWND control;
        int x, y, width, height;
        const char* text;
    } controls[] = {
        {list().hwnd(), 24, 64, 273, 361, ""},
        {dialog->button(Id::Add), 24, 8, 57, 41, "+"},
        {dialog->button(Id::Remove), 88, 8, 57, 41, "-"},
        {dialog->button(Id::Save), 24, 440, 100, 41, "Save"},
        {dialog->button(Id::Cancel), 200, 440, 100, 41, "Cancel"},
    };
    HWND previous = nullptr;
    for (const Expected& c : controls) {
        RECT r{};
        GetWindowRect(c.control, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, c.x) << c.text;
        EXPECT_EQ(r.top, c.y) << c.text;
        EXPECT_EQ(r.right - r.left, c.width) << c.text;
        EXPECT_EQ(r.bottom - r.top, c.height) << c.text;
        EXPECT_EQ(windowText(c.control), c.text);
        EXPECT_TRUE(GetWindowLongPtrA(c.control, GWL_STYLE) & WS_TABSTOP) << c.text;
        if (previous != nullptr) {  // tab order as listed
            EXPECT_EQ(GetNextDlgTabItem(hwnd, previous, FALSE), c.control) << c.text;
        }
        previous = c.control;
    }
    EXPECT_TRUE(GetWindowLongPtrA(list().hwnd(), GWL_STYLE) & LBS_SORT);
    EXPECT_EQ(list().itemHeight(), 20);
    EXPECT_FALSE(list().allowEdit());
    EXPECT_EQ(list().focusColor(), RGB(255, 255, 128));
    EXPECT_EQ(list().hint(), "double click to edit");
    EXPECT_EQ(list().scrollWidth(), 17);
}

// The computer list filled at once stands exactly as the same texts added one
// by one at the places the control finds for them, whether the list is sorted
// in one pass or falls back to the control's own order, and the control's own
// search still finds every entry.
TEST(ComputerListFill, ReplacingGivesTheListOfAddingOneByOne)
{
    const std::vector<std::vector<std::string>> lists = {
        {"computer00003", "computer00001", "Computer00002", "COMPUTER00000"},
        {"10.0.0.10", "10.0.0.9", "host.domain", "host", "Host2", "9host"},
        {"PC1", "pc2", "pc1", "Pc1", "b", "A"},
        {"a-c", "ab", "co-op", "coop", "a_b", "a1", "a~"},
        {"M\xc3\xbcller", "Muller", "Mueller", "zeta", "\xc3\x84rger", "Arger", "\xe6\x97\xa5\xe6\x9c\xac"},
        {"", "x", ""},
    };
    for (const auto& texts : lists) {
        RecordingPrompts prompts;
        OwnerWindow atOnce{prompts};
        OwnerWindow oneByOne{prompts};
        ComputerList filled(atOnce.combo);
        ComputerList added(oneByOne.combo);
        filled.replaceAll(texts);
        for (const std::string& text : texts)
            added.add(text);
        std::vector<std::string> inControl = ComboBox(atOnce.combo).items();
        EXPECT_EQ(filled.entries(), added.entries()) << texts[0];
        EXPECT_EQ(inControl, added.entries()) << texts[0];
        for (const std::string& text : texts)
            EXPECT_TRUE(filled.isListed(text)) << text;
    }
}

TEST_F(EditComputerListDialogTest, ShowLoadsTheComputerListWithNothingSelected)
{
    open();
    EXPECT_EQ(list().items(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
    EXPECT_EQ(list().itemIndex(), -1);
}

TEST_F(EditComputerListDialogTest, DoubleClickEditsTheEntryUnderThePointer)
{
    open();
    doubleClickRow(2);
    ASSERT_TRUE(list().editing());
    EXPECT_EQ(windowText(list().editor()), "Remote02");
    EXPECT_EQ(list().item(2), "");
    EXPECT_EQ(list().itemIndex(), -1);
    ASSERT_TRUE(test::pressKeys(list().editor(), {"Escape"}));
    EXPECT_FALSE(list().editing());
    EXPECT_EQ(list().item(2), "Remote02");

    list().clear();
    SendMessageA(list().hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(list().editing());
}

// F2 opens the editor on the selected entry as a double click does; Enter
// ends the edit, which leaves the renamed entry where it stood until "Save"
// (reached with Tab, pressed with Enter) sorts it into the computer list.
TEST_F(EditComputerListDialogTest, F2RenamesTheSelectedEntryWhichStaysInPlaceUntilSavedSorted)
{
    Keys keys = tabs(1) + lastOfThree + Keys{"F2"} + typed("aardvark") + Keys{"Return"} + tabs(3) + Keys{"Return"};
    EXPECT_EQ(runWithKeys(keys), IDOK);
    EXPECT_EQ(list().items(), (std::vector<std::string>{"*", "Remote01", "aardvark"}));
    EXPECT_EQ(computers.entries(), (std::vector<std::string>{"*", "aardvark", "Remote01"}));
    EXPECT_EQ(computers.typedText(), "typed here");
    EXPECT_EQ(windowText(owner.userField), "*");
}

// Puts the text on the clipboard, as another program's copy does.
void setClipboard(HWND owner, const std::wstring& text)
{
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    ASSERT_NE(block, nullptr);
    std::memcpy(GlobalLock(block), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(block);
    EXPECT_NE(SetClipboardData(CF_UNICODETEXT, block), nullptr);
    CloseClipboard();
}

// Ctrl+V in the list adds every line of the clipboard's text that is not
// listed yet (letter case ignored, blanks around dropped); a line the command
// interpreter would act on is refused, and the operator is told which.
TEST_F(EditComputerListDialogTest, CtrlVAddsEachLineOfTheClipboardAsAnEntry)
{
    setClipboard(owner.hwnd(), L"pc1\r\nPC2\nremote01\r\n\r\n  pc3  \r\na&b\r\npc1\r\n");
    Keys keys = tabs(1) + Keys{"ctrl+v"} + tabs(3) + Keys{"Return"};
    EXPECT_EQ(runWithKeys(keys), IDOK);
    EXPECT_EQ(computers.entries(), (std::vector<std::string>{"*", "pc1", "PC2", "pc3", "Remote01", "Remote02"}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "3 computers added, 1 refused (line 6: \"a&b\").");
}

// Enter and Space press the focused button, and the key that closes the
// dialog goes with it: the field behind keeps its text.
TEST_F(EditComputerListDialogTest, KeysThatPressSaveOrCancelCloseTheDialogAndReachNothingBehind)
{
    struct Case {
        Keys keys;
        int result;
        std::vector<std::string> saved;
    };
    const std::vector<std::string> unchanged{"*", "Remote01", "Remote02"};
    const std::vector<std::string> withoutFirst{"Remote01", "Remote02"};
    const Case cases[] = {
        {tabs(5) + Keys{"Return"}, IDCANCEL, unchanged},
        {tabs(5) + Keys{"space"}, IDCANCEL, unchanged},
        // "-" on the first entry, then "Save".
        {tabs(1) + first + tabs(2) + Keys{"Return", "Tab", "Return"}, IDOK, withoutFirst},
        {tabs(1) + first + tabs(2) + Keys{"space", "Tab", "space"}, IDOK, withoutFirst},
    };
    for (const Case& c : cases) {
        computers.replaceAll(unchanged);
        std::string keys;
        for (const std::string& k : c.keys)
            keys += k + " ";
        EXPECT_EQ(runWithKeys(c.keys), c.result) << keys;
        EXPECT_FALSE(visible()) << keys;
        EXPECT_EQ(computers.entries(), c.saved) << keys;
        EXPECT_EQ(windowText(owner.userField), "*") << keys;
    }
}

// A key held down repeats; once its press has closed the dialog, the
// repeats must not type into the window behind.
TEST_F(EditComputerListDialogTest, AHeldKeyThatClosedTheDialogDoesNotRepeatIntoTheWindowBehind)
{
    // Held well past the keyboard's repeat delay.
    EXPECT_EQ(runWithKeys(test::pressed(tabs(5)) + test::held("Return", std::chrono::milliseconds(1500))), IDCANCEL);
    EXPECT_EQ(windowText(owner.userField), "*");
}

TEST_F(EditComputerListDialogTest, ClickOnSaveWhileEditingOnlyEndsTheEditAndASecondSaves)
{
    open();
    click(Id::Add);
    ASSERT_TRUE(list().editing());
    EXPECT_EQ(list().items(), (std::vector<std::string>{"", "*", "Remote01", "Remote02"}));
    clickThroughEditor(Id::Save);
    EXPECT_FALSE(list().editing());
    EXPECT_TRUE(visible());
    EXPECT_EQ(computers.count(), 3);
    click(Id::Save);
    EXPECT_FALSE(visible());
    EXPECT_EQ(computers.entries(), (std::vector<std::string>{"", "*", "Remote01", "Remote02"}));
}

// A button's command that arrives while the editor is still open (sent, not
// clicked: a click would have ended the edit first) only ends the edit.
TEST_F(EditComputerListDialogTest, ButtonCommandsWhileEditingOnlyEndTheEdit)
{
    for (Id id : {Id::Add, Id::Remove, Id::Save, Id::Cancel}) {
        open();
        doubleClickRow(1);
        SetWindowTextA(list().editor(), "Typed");
        SendMessageA(dialog->hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<int>(id), BN_CLICKED),
                     reinterpret_cast<LPARAM>(dialog->button(id)));
        EXPECT_FALSE(list().editing());
        EXPECT_TRUE(visible());
        EXPECT_EQ(list().items(), (std::vector<std::string>{"*", "Typed", "Remote02"}));
        EXPECT_EQ(computers.count(), 3);
    }
}

TEST_F(EditComputerListDialogTest, CancelDiscardsTheChangesAndTheNextShowReloads)
{
    // Rename the last entry, remove it with "-", add one with "+", then "Cancel".
    Keys keys = tabs(1) + lastOfThree + Keys{"F2"} + typed("changed") + Keys{"Return"} + tabs(2) + Keys{"Return"} +
                Keys{"shift+Tab", "Return"} + typed("new") + Keys{"Return"} + tabs(4) + Keys{"Return"};
    EXPECT_EQ(runWithKeys(keys), IDCANCEL);
    EXPECT_EQ(list().items(), (std::vector<std::string>{"new", "*", "Remote01"}));
    EXPECT_FALSE(visible());
    EXPECT_EQ(computers.entries(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
    open();
    EXPECT_EQ(list().items(), (std::vector<std::string>{"*", "Remote01", "Remote02"}));
}

TEST_F(EditComputerListDialogTest, MinusRemovesTheSelectedEntryWithoutAsking)
{
    open();
    click(Id::Remove);  // nothing selected
    EXPECT_EQ(list().count(), 3);
    list().setItemIndex(1);
    click(Id::Remove);
    EXPECT_EQ(list().items(), (std::vector<std::string>{"*", "Remote02"}));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(computers.count(), 3);  // until "Save"
}

TEST_F(EditComputerListDialogTest, EntriesMadeEqualByEditingAreBothSaved)
{
    Keys keys = tabs(1) + lastOfThree + Keys{"F2"} + typed("remote01") + Keys{"Return"} + tabs(3) + Keys{"Return"};
    EXPECT_EQ(runWithKeys(keys), IDOK);
    EXPECT_EQ(computers.entries(), (std::vector<std::string>{"*", "remote01", "Remote01"}));
}

// The hints show when the pointer rests over the list: the full text of an
// entry too wide for the list, at the entry's row, and "double click to
// edit" over a short entry and below the last one.
TEST_F(EditComputerListDialogTest, HintsShowWhereThePointerRests)
{
    // Beyond the ANSI code page too: the hint shows every character.
    const std::string wide = "Print-Server-Łódź-東京-Building-C-Floor-3-Room-12";
    computers.add(wide);  // sorts to row 1
    open();
    ASSERT_EQ(list().item(1), wide);
    HWND hint = list().hintWindow();
    ASSERT_NE(hint, nullptr);
    struct Case {
        int row;
        std::string text;
    };
    const Case cases[] = {{1, wide}, {0, "double click to edit"}, {1, wide}, {8, "double click to edit"}};
    for (const Case& c : cases) {
        // The point is taken afresh while waiting: a window manager may still
        // move the dialog to its place after it has shown.
        POINT moved{-1, -1};
        auto restOnRow = [&] {
            POINT at{20, c.row * list().itemHeight() + list().itemHeight() / 2};
            ClientToScreen(list().hwnd(), &at);
            if (at.x != moved.x || at.y != moved.y) {
                moved = at;
                EXPECT_TRUE(test::movePointerTo(at));
            }
            return IsWindowVisible(hint) && windowText(hint) == c.text;
        };
        EXPECT_TRUE(test::waitUntil(restOnRow))
            << "row " << c.row << ": " << (IsWindowVisible(hint) ? windowText(hint) : "no hint");
        if (c.text == wide) {
            RECT row{}, tip{};
            ListBox(list().hwnd()).itemRect(c.row, row);
            MapWindowPoints(list().hwnd(), nullptr, reinterpret_cast<POINT*>(&row), 2);
            GetWindowRect(hint, &tip);
            // At the entry's left edge, 2 pixels above the row; the tip's own frame may take a pixel.
            EXPECT_NEAR(tip.left, row.left, 1);
            EXPECT_NEAR(tip.top, row.top - 2, 1);
        }
    }
    // Away from the list, the hint goes.
    RECT frame{};
    GetWindowRect(dialog->hwnd(), &frame);
    ASSERT_TRUE(test::movePointerTo({frame.right + 40, frame.top + 40}));
    EXPECT_TRUE(test::waitUntil([&] { return !IsWindowVisible(hint); }));
}

TEST_F(EditComputerListDialogTest, SavingAnEmptiedListEmptiesTheComputerList)
{
    open();
    while (list().count() > 0) {
        list().setItemIndex(0);
        click(Id::Remove);
    }
    click(Id::Save);
    EXPECT_EQ(computers.count(), 0);
    EXPECT_EQ(computers.typedText(), "typed here");
}

// The dialog has no default or cancel button and no close box: Enter and
// Escape in the list and Alt+F4 leave it open, so "Save" still ends it.
TEST_F(EditComputerListDialogTest, OnlySaveAndCancelCloseTheDialog)
{
    EXPECT_EQ(runWithKeys(tabs(1) + Keys{"Return", "Escape", "alt+F4"} + tabs(3) + Keys{"Return"}), IDOK);
}

TEST_F(EditComputerListDialogTest, ModalShowEndsWithTheButtonAndFreesTheOwner)
{
    PostMessageA(dialog->button(Id::Save), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog->showModal(), IDOK);
    EXPECT_FALSE(visible());
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    PostMessageA(dialog->button(Id::Cancel), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog->showModal(), IDCANCEL);
}

TEST_F(EditComputerListDialogTest, ReopensWhereItWasLeft)
{
    open();
    SetWindowPos(dialog->hwnd(), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    click(Id::Cancel);
    EXPECT_TRUE(settings::SettingsFile(settingsOptions()).values().editor.formVersion.has_value());

    makeDialog();
    open();
    RECT frame{};
    GetWindowRect(dialog->hwnd(), &frame);
    EXPECT_EQ(frame.left, 300);
    EXPECT_EQ(frame.top, 200);
    RECT client{};
    GetClientRect(dialog->hwnd(), &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 488);
}

}  // namespace
}  // namespace talkpost
