// The Edit Computer List dialog under Wine: made over a real combo box list,
// shown, and driven with window messages.
#include "app/wiring_win.h"
#include "computers/edit_computer_list_dialog_win.h"
#include "settings/placement_store_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/settings_file_win.h"
#include "support/test_support_win.h"

namespace talkpost {
namespace {

using Id = EditComputerListDialog::ControlId;
using test::RecordingPrompts;
using test::TempFolder;

class OwnerWindow : public Window {
public:
    OwnerWindow()
    {
        create("TalkpostDialogTestOwner", 0, "owner", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr);
        combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_SORT, 10,
                                10, 200, 150, hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    HWND combo = nullptr;
};

void key(HWND target, WPARAM vk)
{
    SendMessageA(target, WM_KEYDOWN, vk, 1);
    SendMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

class EditComputerListDialogTest : public ::testing::Test {
protected:
    EditComputerListDialogTest()
    {
        settings::setSettingsFolder(folder.path());
        settings::setLegacySettingsFolder(folder.file("legacy"));
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
        dialog = std::make_unique<EditComputerListDialog>(computers, owner.hwnd());
        placement = std::make_unique<settings::PlacementStore>(*dialog, editorPlacement());
    }
    ~EditComputerListDialogTest() override
    {
        if (GetCapture() != nullptr)
            ReleaseCapture();
        placement.reset();
        dialog.reset();
        settings::setSettingsFolder("");
        settings::setLegacySettingsFolder("");
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
    void editRow(int row, const std::string& text)
    {
        doubleClickRow(row);
        ASSERT_TRUE(list().editing());
        SetWindowTextA(list().editor(), text.c_str());
        key(list().editor(), VK_RETURN);
        ASSERT_FALSE(list().editing());
    }
    bool visible() const { return IsWindowVisible(dialog->hwnd()) != FALSE; }

    RecordingPrompts prompts;
    TempFolder folder;
    OwnerWindow owner;
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
        {"M\xfcller", "Muller", "Mueller", "zeta", "\xc4rger", "Arger"},
        {"", "x", ""},
    };
    for (const auto& texts : lists) {
        OwnerWindow atOnce;
        OwnerWindow oneByOne;
        ComputerList filled(atOnce.combo);
        ComputerList added(oneByOne.combo);
        filled.replaceAll(texts);
        for (const std::string& text : texts)
            added.add(text);
        std::vector<std::string> inControl;
        for (int i = 0; i < static_cast<int>(SendMessageA(atOnce.combo, CB_GETCOUNT, 0, 0)); ++i) {
            char text[64] = {};
            SendMessageA(atOnce.combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            inControl.push_back(text);
        }
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
    key(list().editor(), VK_ESCAPE);
    EXPECT_EQ(list().item(2), "Remote02");

    list().clear();
    SendMessageA(list().hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(list().editing());
}

TEST_F(EditComputerListDialogTest, RenamedEntryStaysInPlaceUntilSavedSorted)
{
    open();
    editRow(2, "Aardvark");
    EXPECT_EQ(list().items(), (std::vector<std::string>{"*", "Remote01", "Aardvark"}));
    EXPECT_EQ(list().itemIndex(), 2);
    click(Id::Save);
    EXPECT_FALSE(visible());
    EXPECT_EQ(computers.entries(), (std::vector<std::string>{"*", "Aardvark", "Remote01"}));
    EXPECT_EQ(computers.typedText(), "typed here");
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
    open();
    editRow(1, "Changed");
    list().setItemIndex(0);
    click(Id::Remove);
    click(Id::Add);
    key(list().editor(), VK_RETURN);
    click(Id::Cancel);
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
    open();
    editRow(2, "Remote01");
    click(Id::Save);
    EXPECT_EQ(computers.entries(), (std::vector<std::string>{"*", "Remote01", "Remote01"}));
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

TEST_F(EditComputerListDialogTest, OnlySaveAndCancelCloseTheDialog)
{
    open();
    SendMessageA(dialog->hwnd(), WM_COMMAND, IDOK, 0);
    SendMessageA(dialog->hwnd(), WM_COMMAND, IDCANCEL, 0);
    SendMessageA(dialog->hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(visible());
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
    EXPECT_NE(settings::readSettingsValue("EditorPM", "FormVersion", "none"), "none");

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
