// The Edit Computer List dialog: layout, buttons and the copy of the list
// that the in-place list box holds while the dialog is shown.
#include "computers/edit_computer_list_dialog_win.h"

#include <algorithm>

#include "computers/computer_files_win.h"
#include "computers/list_merge.h"
#include "win/controls_win.h"
#include "win/dpi_win.h"
#include "win/prompts_win.h"

namespace talkpost {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;  // no system menu: no title-bar buttons
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr COLORREF kBackground = RGB(200, 219, 238);
constexpr COLORREF kFocusColor = RGB(255, 255, 128);
constexpr COLORREF kHintColor = RGB(255, 255, 255);
constexpr int kClientWidth = 320;
constexpr int kClientHeight = 488;
constexpr POINT kDesignedPosition{517, 143};
constexpr int kFontPoints = 8;
// Heights of the list's font and of the "+" and "-" signs, in pixels.
constexpr int kListFontHeight = 16;
constexpr int kSignFontHeight = 21;
constexpr int kListRowHeight = 20;
constexpr int kListScrollWidth = 17;
constexpr RECT kListPlace{24, 64, 24 + 273, 64 + 361};

using Id = EditComputerListDialog::ControlId;

constexpr int id(Id i) { return static_cast<int>(i); }

constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const ControlRow kButtons[] = {
    {id(Id::Add), "BUTTON", 24, 8, 57, 41, "+", kButton},
    {id(Id::Remove), "BUTTON", 88, 8, 57, 41, "-", kButton},
    {id(Id::Save), "BUTTON", 24, 440, 100, 41, "Save", kButton},
    {id(Id::Cancel), "BUTTON", 200, 440, 100, 41, "Cancel", kButton},
};

// The class keeps its background brush for the life of the process.
HBRUSH backgroundBrush()
{
    static HBRUSH brush = CreateSolidBrush(kBackground);
    return brush;
}

HFONT makeFont(int designedHeight, Dpi dpi)
{
    return createScaledFont("MS Sans Serif", -designedHeight, FW_NORMAL, DEFAULT_CHARSET, dpi);
}

}  // namespace

EditComputerListDialog::EditComputerListDialog(Prompts& prompts, ComputerList& computers, HWND owner)
    : Window(prompts), computers_(computers)
{
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    create("TalkpostEditComputerList", kExStyle, "Edit Computer List", kStyle, kDesignedPosition.x,
           kDesignedPosition.y, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, backgroundBrush());

    // The list first: the tab order follows the order of creation.
    list_ = std::make_unique<InPlaceListBox>(prompts_, hwnd(), id(Id::ComputerListBox), kListPlace.left,
                                             kListPlace.top, kListPlace.right - kListPlace.left,
                                             kListPlace.bottom - kListPlace.top, LBS_SORT | WS_TABSTOP);
    list_->setAllowEdit(false);
    list_->setFocusColor(kFocusColor);
    list_->setHintColor(kHintColor);
    list_->setScrollHorizontal(true);
    list_->setHint("double click to edit");
    // The first click of the double click has selected the entry under the pointer.
    list_->onDblClick = [this] { list_->startEdit(); };
    // F2 does from the keyboard what the double click does; Ctrl+V adds
    // every line of the clipboard's text as an entry.
    list_->onKeyDown = [this](WPARAM key) {
        bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0 && (GetKeyState(VK_MENU) & 0x8000) == 0;
        if (key == 'V' && control) {
            pasteLines();
            return true;
        }
        if (key != VK_F2)
            return false;
        list_->startEdit();
        return true;
    };
    // Every edit is kept as typed, an empty one included.
    list_->onEditDone = [this](std::string&, bool&) { Control(list_->hwnd()).invalidate(); };

    createControls(kButtons, std::size(kButtons), nullptr);
    // The designed size holds at 100 %; at another scale the client area grows by it.
    Dpi dpi = dpiOf(hwnd());
    scaleTo(dpi.value());
    if (dpi.value() != Dpi::kDesigned) {
        SIZE scaled = frameSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, false, dpi);
        SetWindowPos(hwnd(), nullptr, 0, 0, scaled.cx, scaled.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    onShow = [this] { reloadFromComputerList(); };
}

void EditComputerListDialog::scaleTo(int dpiValue)
{
    Dpi dpi(dpiValue);
    rememberDpi(hwnd(), dpi);
    // New fonts first; the old ones go once no control uses them.
    UniqueGdiObject font(createPointFont("MS Sans Serif", kFontPoints, FW_NORMAL, DEFAULT_CHARSET, dpi));
    UniqueGdiObject listFont(makeFont(kListFontHeight, dpi)), signFont(makeFont(kSignFontHeight, dpi));
    Control(hwnd()).setFont(static_cast<HFONT>(font.get()));
    for (const ControlRow& row : kButtons)
        Button(button(static_cast<Id>(row.id))).setFont(static_cast<HFONT>(font.get()));
    for (Id sign : {Id::Add, Id::Remove})
        Button(button(sign)).setFont(static_cast<HFONT>(signFont.get()));
    // The list's font also reaches its in-place editor.
    list_->setFont(static_cast<HFONT>(listFont.get()));
    std::swap(font_, font);
    std::swap(listFont_, listFont);
    std::swap(signFont_, signFont);

    placeControl(list_->hwnd(), kListPlace.left, kListPlace.top, kListPlace.right - kListPlace.left,
                 kListPlace.bottom - kListPlace.top, dpi);
    list_->setItemHeight(dpi.scale(kListRowHeight));
    list_->setScrollWidth(dpi.scale(kListScrollWidth));
    placeControls(hwnd(), kButtons, std::size(kButtons), dpi);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

EditComputerListDialog::~EditComputerListDialog()
{
    list_.reset();
}

void EditComputerListDialog::reloadFromComputerList()
{
    // Whatever an earlier use left behind (changes dropped by "Cancel") goes.
    if (list_->editing())
        list_->endEdit();
    list_->clear();
    for (const std::string& entry : computers_.entries())
        list_->add(entry);
}

void EditComputerListDialog::pasteLines()
{
    std::vector<NameAt> lines = clipboardListTexts(hwnd());
    ListMerge merge = mergeIntoList(list_->items(), lines);
    for (const std::string& name : merge.added)
        list_->add(name);
    if (merge.refused.empty())
        return;
    prompts_.information(hwnd(), std::to_string(merge.added.size()) + " computers added, " +
                                      std::to_string(merge.refused.size()) + " refused" +
                                      refusedNamesText(merge.refused) + ".");
}

// A button pressed while the editor is open only ends the edit, as a click on
// it would: the editor holds the mouse until then.
void EditComputerListDialog::onAdd()
{
    if (list_->editing())
        return list_->endEdit();
    list_->add("");
    list_->setItemIndex(0);
    list_->startEdit();
}

void EditComputerListDialog::onRemove()
{
    if (list_->editing())
        return list_->endEdit();
    int index = list_->itemIndex();
    if (index >= 0)
        list_->remove(index);
}

void EditComputerListDialog::onSave()
{
    if (list_->editing())
        return list_->endEdit();
    computers_.replaceAll(list_->items());
    closeDialog(IDOK);
}

void EditComputerListDialog::onCancel()
{
    if (list_->editing())
        return list_->endEdit();
    closeDialog(IDCANCEL);
}

void EditComputerListDialog::closeDialog(int result)
{
    // The close-query event lets the placement store save where the dialog stands.
    bool canClose = true;
    if (onCloseQuery)
        onCloseQuery(canClose);
    if (!canClose)
        return;
    if (isModal())
        endModal(result);
    else
        ShowWindow(hwnd(), SW_HIDE);
}

LRESULT EditComputerListDialog::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wparam) == BN_CLICKED) {
            switch (static_cast<Id>(LOWORD(wparam))) {
            case Id::Add:
                onAdd();
                return 0;
            case Id::Remove:
                onRemove();
                return 0;
            case Id::Save:
                onSave();
                return 0;
            case Id::Cancel:
                onCancel();
                return 0;
            default:
                break;
            }
        }
        // Enter and Escape act only inside the focused control: the dialog
        // has no default or cancel button, so IDOK and IDCANCEL do nothing.
        return 0;
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_CLOSE)
            return 0;  // only "Save" and "Cancel" close the dialog
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(backgroundBrush());
    default:
        break;
    }
    return defaultHandle(msg, wparam, lparam);
}

}  // namespace talkpost
