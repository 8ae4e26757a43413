// The in-place editing list box: a subclassed platform list box with an
// edit control as its child, plus a subclass of the parent window for the
// list's background colour and its notifications.
#include "computers/inplace_list_box_win.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <algorithm>

#include "base/app_error.h"
#include "win/controls_win.h"
#include "win/text_win.h"
#include "win/win32_error_win.h"
#include "win/window_win.h"

namespace talkpost {

namespace {

constexpr UINT_PTR kSubclassId = 1;
// The hint of the list itself shows below the pointer, clear of the arrow.
constexpr int kHintBelowPointer = 20;
// The hint of a too-wide entry stands this much above the entry's row.
constexpr int kEntryHintLift = 2;

bool sameTopLevel(HWND a, HWND b)
{
    return a != nullptr && b != nullptr && GetAncestor(a, GA_ROOT) == GetAncestor(b, GA_ROOT);
}

int clientWidth(HWND hwnd)
{
    RECT r{};
    GetClientRect(hwnd, &r);
    return r.right - r.left;
}

// A device context of a window with the window's font selected, released on every path.
class FontDc {
public:
    explicit FontDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd))
    {
        HFONT font = Control(hwnd).font();
        old_ = SelectObject(dc_, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    }
    ~FontDc()
    {
        SelectObject(dc_, old_);
        ReleaseDC(hwnd_, dc_);
    }
    FontDc(const FontDc&) = delete;
    FontDc& operator=(const FontDc&) = delete;
    HDC get() const { return dc_; }
    int textWidth(const std::string& text) const
    {
        SIZE size{};
        std::wstring wide = widen(text);
        GetTextExtentPoint32W(dc_, wide.c_str(), static_cast<int>(wide.size()), &size);
        return size.cx;
    }

private:
    HWND hwnd_;
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

InPlaceListBox::InPlaceListBox(Prompts& prompts, HWND parent, int id, int x, int y, int width, int height,
                               DWORD extraStyle, DWORD exStyle)
    : prompts_(prompts),
      parent_(parent),
      normalColor_(GetSysColor(COLOR_WINDOW)),
      focusColor_(normalColor_),
      shownColor_(normalColor_),
      scrollWidth_(GetSystemMetrics(SM_CXVSCROLL))
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_CLIPCHILDREN | LBS_NOTIFY | LBS_USETABSTOPS |
                  LBS_NOINTEGRALHEIGHT | extraStyle;
    list_ = CreateWindowExW(exStyle, L"LISTBOX", L"", style, x, y, width, height, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (list_ == nullptr)
        throw Win32Error("list box");
    // The hint: a tool over the whole list whose text is asked for when it shows.
    hintTip_ = std::make_unique<ListHint>(list_, hintColor_);
    flatBars_ = std::make_unique<FlatScrollBars>(list_);
    editor_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, 0, 0, 0, 0, list_, nullptr,
                              instance, nullptr);
    if (editor_ == nullptr) {
        DestroyWindow(list_);
        throw Win32Error("in-place editor");
    }
    setBrush(shownColor_);
    SetWindowSubclass(list_, &InPlaceListBox::listProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(editor_, &InPlaceListBox::editorProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(parent_, &InPlaceListBox::parentProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));

}

InPlaceListBox::~InPlaceListBox()
{
    if (parent_ != nullptr && IsWindow(parent_))
        RemoveWindowSubclass(parent_, &InPlaceListBox::parentProc, reinterpret_cast<UINT_PTR>(this));
    hintTip_.reset();
    if (list_ != nullptr && IsWindow(list_)) {
        flatBars_.reset();
        RemoveWindowSubclass(editor_, &InPlaceListBox::editorProc, kSubclassId);
        RemoveWindowSubclass(list_, &InPlaceListBox::listProc, kSubclassId);
        DestroyWindow(list_);
    }
}

// ---- entries -------------------------------------------------------------

int InPlaceListBox::count() const { return ListBox(list_).count(); }

std::string InPlaceListBox::item(int index) const { return ListBox(list_).itemText(index); }

std::vector<std::string> InPlaceListBox::items() const { return ListBox(list_).items(); }

int InPlaceListBox::add(const std::string& text)
{
    int index = box().add(text);
    if (index < 0)
        throw AppError(kRowNotInsertedText);
    return index;
}

void InPlaceListBox::remove(int index) { box().remove(index); }

void InPlaceListBox::clear() { box().clear(); }

void InPlaceListBox::setItemHeight(int height)
{
    box().setItemHeight(height);
    box().invalidate();
}

int InPlaceListBox::itemHeight() const { return box().itemHeight(); }

void InPlaceListBox::setFont(HFONT font) { box().setFont(font, true); }

int InPlaceListBox::itemIndex() const { return box().selected(); }

void InPlaceListBox::setItemIndex(int index)
{
    box().select(index);
    updateScrollBars();
    selectionChanged();
}

void InPlaceListBox::storeInPlace(int index, const std::string& text)
{
    if (index < 0 || index >= count())
        return;
    // A list box has no "set text": the entry is taken out and put back at the
    // same index, which never sorts, keeping its data, the selection and the scroll position.
    bool wasStoring = storing_;
    storing_ = true;
    ListBox list = box();
    int top = list.topIndex();
    int selected = list.selected();
    LPARAM data = list.itemData(index);
    list.setRedraw(false);
    list.remove(index);
    list.insert(index, text);
    list.setItemData(index, data);
    if (selected >= 0)
        list.select(selected);
    list.setTopIndex(top);
    list.setRedraw(true);
    list.invalidate();
    storing_ = wasStoring;
    updateScrollBars();
}

// ---- editing -------------------------------------------------------------

void InPlaceListBox::startEdit()
{
    if (editorOpen_)
        endEdit();
    int index = itemIndex();
    if (index < 0 || count() == 0)
        return;
    bool allow = true;
    if (onEditStart)
        onEditStart(index, allow);
    if (!allow)
        return;

    withdrawHint();
    box().scrollToLeft();
    int top = box().topIndex();
    int rowHeight = itemHeight();

    updating_ = true;
    InvalidateRect(list_, nullptr, TRUE);
    UpdateWindow(list_);

    std::string text = item(index);
    SetWindowPos(editor_, HWND_TOP, 0, (index - top) * rowHeight, clientWidth(list_) + 1, rowHeight,
                 SWP_NOACTIVATE);
    Control(editor_).setText(text);
    resizeEditor();
    editIndex_ = index;
    editCount_ = count();
    savedText_ = text;
    editorOpen_ = true;
    ShowWindow(editor_, SW_SHOW);
    SetFocus(editor_);
    SetCapture(editor_);

    storeInPlace(index, "");
    setItemIndex(-1);

    Edit(editor_).selectAll();
    updating_ = false;
    rethrowPending();
}

void InPlaceListBox::endEdit()
{
    if (editorOpen_)
        closeEditFromEditor(editIndex_);
    rethrowPending();
}

void InPlaceListBox::finishEdit()
{
    std::string newText = windowText(editor_);
    bool allow = true;
    updating_ = true;
    storeInPlace(editIndex_, newText);
    try {
        if (onEditDone)
            onEditDone(newText, allow);
    } catch (...) {
        // The handler failed: the entry keeps its old text and the failure is
        // shown once the edit has been closed.
        pending_ = std::current_exception();
        allow = false;
    }
    updating_ = false;
    storeInPlace(editIndex_, allow ? newText : savedText_);
}

// The editor lost the focus, whatever the cause: the edit ends here.
bool InPlaceListBox::closeAndWriteBack()
{
    if (!editorOpen_)
        return false;
    editorOpen_ = false;
    if (GetCapture() == editor_)
        ReleaseCapture();
    finishEdit();
    return true;
}

void InPlaceListBox::onEditorLostFocus(HWND newFocus)
{
    if (!closeAndWriteBack())
        return;
    if (editIndex_ >= 0 && editIndex_ < count())
        setItemIndex(editIndex_);
    ShowWindow(editor_, SW_HIDE);
    // Focus that leaves the window altogether (another program activated) is not pulled back.
    if (newFocus != list_ && sameTopLevel(newFocus, list_))
        SetFocus(list_);
    savedText_.clear();
}

void InPlaceListBox::closeEditFromEditor(int selectRow)
{
    if (!editorOpen_)
        return;
    ShowWindow(editor_, SW_HIDE);
    SetFocus(list_);
    // The editor may not have held the focus (its window inactive): end the edit all the same.
    if (editorOpen_)
        onEditorLostFocus(list_);
    if (selectRow >= 0 && selectRow < count())
        setItemIndex(selectRow);
    savedText_.clear();
}

void InPlaceListBox::closeEditorOnListFocusLoss()
{
    if (!closeAndWriteBack())
        return;
    ShowWindow(editor_, SW_HIDE);
    savedText_.clear();
    editIndex_ = -1;
}

void InPlaceListBox::setAllowEdit(bool allow)
{
    allowEdit_ = allow;
    if (editorOpen_) {
        closeEditorOnListFocusLoss();
        SetFocus(list_);
        rethrowPending();
    }
}

void InPlaceListBox::resizeEditor()
{
    int textWidth = FontDc(editor_).textWidth(windowText(editor_));
    RECT r{};
    GetWindowRect(editor_, &r);
    SetWindowPos(editor_, nullptr, 0, 0, inPlaceEditorWidth(textWidth, clientWidth(list_)), r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT InPlaceListBox::guarded(HWND hwnd, const std::function<LRESULT()>& handler)
{
    // Messages nest (a focus change inside a key press): a failure kept for
    // later is shown once, when the outermost message is done.
    ++depth_;
    LRESULT result = 0;
    try {
        result = handler();
    } catch (...) {
        --depth_;
        reportException(prompts_, GetAncestor(hwnd, GA_ROOT));
        return 0;
    }
    --depth_;
    try {
        rethrowPending();
    } catch (...) {
        reportException(prompts_, GetAncestor(hwnd, GA_ROOT));
    }
    return result;
}

void InPlaceListBox::rethrowPending()
{
    if (pending_ && depth_ == 0) {
        std::exception_ptr p = pending_;
        pending_ = nullptr;
        std::rethrow_exception(p);
    }
}

// ---- selection, colours, hints ---------------------------------------------

void InPlaceListBox::selectionChanged()
{
    if (inSelChange_)
        return;
    inSelChange_ = true;
    try {
        if (onSelChange)
            onSelChange(itemIndex());
    } catch (...) {
        inSelChange_ = false;
        throw;
    }
    inSelChange_ = false;
}

void InPlaceListBox::setBrush(COLORREF color)
{
    brush_.reset(CreateSolidBrush(color));
    if (list_ != nullptr)
        InvalidateRect(list_, nullptr, TRUE);
}

void InPlaceListBox::setFocusColor(COLORREF color)
{
    focusColor_ = color;
    if (GetFocus() == list_) {
        shownColor_ = color;
        setBrush(color);
    }
}

void InPlaceListBox::setColor(COLORREF color)
{
    normalColor_ = color;
    if (GetFocus() != list_) {
        shownColor_ = color;
        setBrush(color);
    }
}

void InPlaceListBox::setHintColor(COLORREF color)
{
    hintColor_ = color;
    hintTip_->setColor(color);
}

void InPlaceListBox::setHint(const std::string& text) { hint_ = text; }

int InPlaceListBox::rowAt(POINT p) const
{
    RECT client{};
    GetClientRect(list_, &client);
    int rowHeight = itemHeight();
    if (!PtInRect(&client, p) || rowHeight <= 0)
        return -1;
    int row = box().topIndex() + p.y / rowHeight;
    return row < count() ? row : -1;
}

int InPlaceListBox::entryWidth(HDC dc, const std::string& text) const
{
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    int width = 0;
    std::wstring wide = widen(text);
    if (!tabPositions_.empty()) {
        std::vector<int> stops;
        for (const TabPosition& t : tabPositions_)
            stops.push_back(t.position);
        DWORD extent = GetTabbedTextExtentW(dc, wide.c_str(), static_cast<int>(wide.size()),
                                            static_cast<int>(stops.size()), stops.data());
        width = LOWORD(extent);
    } else {
        SIZE size{};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        width = size.cx;
    }
    return width + metrics.tmAveCharWidth;
}

InPlaceListBox::HintInfo InPlaceListBox::hintAt(POINT clientPoint) const
{
    HintInfo info;
    info.text = hint_;
    int row = rowAt(clientPoint);
    if (row < 0)
        return info;
    info.row = row;
    std::string text = item(row);
    FontDc dc(list_);
    RECT r{};
    GetWindowRect(list_, &r);
    if (entryNeedsHint(entryWidth(dc.get(), text), r.right - r.left, scrollWidth_)) {
        info.text = text;
        info.entryText = true;
    }
    return info;
}

// ---- scroll bars and tab stops --------------------------------------------

void InPlaceListBox::setScrollStyle(ScrollStyle style)
{
    scrollStyle_ = style;
    applyScrollStyle();
}

void InPlaceListBox::setScrollColor(std::optional<COLORREF> color)
{
    scrollColor_ = color;
    applyScrollStyle();
}

void InPlaceListBox::setScrollWidth(int width)
{
    scrollWidth_ = width;
    applyScrollStyle();
}

void InPlaceListBox::setScrollHorizontal(bool on)
{
    scrollHorizontal_ = on;
    updateScrollBars();
}

void InPlaceListBox::applyScrollStyle()
{
    if (flatBars_->apply(scrollStyle_, scrollColor_, scrollWidth_))
        updateScrollBars();
}

void InPlaceListBox::updateScrollBars()
{
    if (updating_ || inScrollUpdate_ || list_ == nullptr)
        return;
    inScrollUpdate_ = true;
    int extent = 0;
    if (scrollHorizontal_ && count() > 0) {
        FontDc dc(list_);
        int widest = 0;
        for (const std::string& text : items())
            widest = std::max(widest, entryWidth(dc.get(), text));
        extent = horizontalExtentFor(widest, clientWidth(list_));
    }
    box().setHorizontalExtent(extent);
    if (extent == 0)
        box().scrollToLeft();
    flatBars_->showHorizontal(extent > 0);
    flatBars_->syncInfo();
    inScrollUpdate_ = false;
}

void InPlaceListBox::setTabPositions(const std::vector<TabPosition>& positions)
{
    tabPositions_ = positions;
    applyTabStops();
    updateScrollBars();
}

void InPlaceListBox::applyTabStops()
{
    int xWidth = FontDc(list_).textWidth("x");
    std::vector<int> stops = tabStopsInDialogUnits(tabPositions_, xWidth);
    // No positions: the list's own stops every eight dialog units come back.
    box().setTabStops(stops);
    box().invalidate();
}

// ---- lookup ----------------------------------------------------------------

void InPlaceListBox::runLookup()
{
    if (!(lookupIncr || lookupFull) || lookup_.empty())
        return;
    int found = findLookupEntry(items(), lookup_, lookupFull);
    if (found >= 0)
        setItemIndex(found);
    else
        lookup_.clear();
}

// ---- message handling --------------------------------------------------------

LRESULT CALLBACK InPlaceListBox::listProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data)
{
    auto* self = reinterpret_cast<InPlaceListBox*>(data);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &InPlaceListBox::listProc, kSubclassId);
        self->list_ = nullptr;
        return DefSubclassProc(hwnd, msg, wparam, lparam);
    }
    return self->guarded(hwnd, [&] { return self->handleList(msg, wparam, lparam); });
}

LRESULT CALLBACK InPlaceListBox::editorProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                            DWORD_PTR data)
{
    auto* self = reinterpret_cast<InPlaceListBox*>(data);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &InPlaceListBox::editorProc, kSubclassId);
        return DefSubclassProc(hwnd, msg, wparam, lparam);
    }
    return self->guarded(hwnd, [&] { return self->handleEditor(msg, wparam, lparam); });
}

LRESULT CALLBACK InPlaceListBox::parentProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                            DWORD_PTR data)
{
    auto* self = reinterpret_cast<InPlaceListBox*>(data);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, &InPlaceListBox::parentProc, id);
        self->parent_ = nullptr;
        return DefSubclassProc(hwnd, msg, wparam, lparam);
    }
    bool handled = false;
    LRESULT result = self->guarded(hwnd, [&] { return self->handleParent(hwnd, msg, wparam, lparam, handled); });
    return handled ? result : DefSubclassProc(hwnd, msg, wparam, lparam);
}

LRESULT InPlaceListBox::handleParent(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam, bool& handled)
{
    switch (msg) {
    case WM_CTLCOLORLISTBOX:
        if (reinterpret_cast<HWND>(lparam) == list_) {
            handled = true;
            auto dc = reinterpret_cast<HDC>(wparam);
            SetBkColor(dc, shownColor_);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(brush_.get());
        }
        break;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lparam) == list_) {
            // The parent sees the notification after the list's own events.
            if (HIWORD(wparam) == LBN_SELCHANGE) {
                updateScrollBars();
                selectionChanged();
                if (onClick)
                    onClick();
            } else if (HIWORD(wparam) == LBN_DBLCLK) {
                if (onDblClick)
                    onDblClick();
            }
            handled = true;
            return DefSubclassProc(parent, msg, wparam, lparam);
        }
        break;
    default:
        break;
    }
    return 0;
}

namespace {
POINT pointOf(LPARAM lparam) { return {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))}; }
}  // namespace

LRESULT InPlaceListBox::handleList(UINT msg, WPARAM wparam, LPARAM lparam)
{
    std::optional<LRESULT> result;
    switch (msg) {
    case WM_GETDLGCODE: result = onListGetDlgCode(wparam, lparam); break;
    case WM_KEYDOWN: result = onListKeyDown(wparam); break;
    case WM_KEYUP: result = onListKeyUp(wparam, lparam); break;
    // A Unicode list: a character past ASCII takes no part in the search.
    case WM_CHAR: result = onListChar(wparam < 0x80 ? static_cast<char>(wparam) : '\0'); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: result = onListButtonDown(msg, pointOf(lparam)); break;
    case WM_LBUTTONUP: result = onListButtonUp(wparam, lparam); break;
    case WM_MOUSEMOVE: result = onListMouseMove(pointOf(lparam)); break;
    case WM_MOUSEHOVER: result = onListMouseHover(pointOf(lparam)); break;
    case WM_MOUSELEAVE: result = onListMouseLeave(); break;
    case WM_SETFOCUS: result = onListSetFocus(); break;
    case WM_KILLFOCUS: result = onListKillFocus(reinterpret_cast<HWND>(wparam)); break;
    case WM_SETFONT: result = onListSetFont(wparam, lparam); break;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT: result = onListContentChange(msg, wparam, lparam); break;
    case WM_SIZE: result = onListSize(wparam, lparam); break;
    case WM_HSCROLL:
    case WM_VSCROLL: result = onListScroll(msg, wparam, lparam); break;
    case WM_COMMAND: result = onListCommand(wparam, lparam); break;
    default: break;
    }
    if (result)
        return *result;
    return DefSubclassProc(list_, msg, wparam, lparam);
}

std::optional<LRESULT> InPlaceListBox::onListGetDlgCode(WPARAM wparam, LPARAM lparam)
{
    LRESULT code = DefSubclassProc(list_, WM_GETDLGCODE, wparam, lparam);
    auto* pending = reinterpret_cast<MSG*>(lparam);
    if ((returnIsTab || returnIsClick || returnIsDblClick) && pending != nullptr && pending->message == WM_KEYDOWN &&
        pending->wParam == VK_RETURN)
        code |= DLGC_WANTMESSAGE;
    return code;
}

std::optional<LRESULT> InPlaceListBox::onListKeyDown(WPARAM key)
{
    withdrawHint();
    if (onKeyDown && onKeyDown(key))
        return 0;
    switch (key) {
    case VK_ESCAPE:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
        lookup_.clear();
        break;
    case VK_INSERT:
        if (insertOnKey())
            return 0;
        break;
    case VK_DELETE:
        if (deleteOnKey())
            return 0;
        break;
    case VK_RETURN:
        if (returnOnKey())
            return 0;
        break;
    default:
        break;
    }
    return std::nullopt;
}

bool InPlaceListBox::insertOnKey()
{
    if (!autoInsert)
        return false;
    std::string value;
    if (onAutoInsert)
        onAutoInsert(value);
    setItemIndex(add(value));
    startEdit();
    return true;
}

bool InPlaceListBox::deleteOnKey()
{
    int index = itemIndex();
    if (!autoDelete || index < 0)
        return false;
    std::string value = item(index);
    bool allowDelete = true;
    if (onAutoDelete)
        onAutoDelete(value, allowDelete);
    if (allowDelete) {
        remove(index);
        setItemIndex(rowAfterDelete(index, count()));
    }
    return true;
}

bool InPlaceListBox::returnOnKey()
{
    if (returnIsTab)
        PostMessageA(list_, WM_KEYDOWN, VK_TAB, 0);
    if (returnIsClick && onClick)
        onClick();
    if (returnIsDblClick && onDblClick)
        onDblClick();
    return returnIsTab || returnIsClick || returnIsDblClick;
}

std::optional<LRESULT> InPlaceListBox::onListKeyUp(WPARAM wparam, LPARAM lparam)
{
    LRESULT result = DefSubclassProc(list_, WM_KEYUP, wparam, lparam);
    runLookup();
    return result;
}

std::optional<LRESULT> InPlaceListBox::onListChar(char c)
{
    if (c == ' ' && allowEdit_) {
        startEdit();
        return 0;
    }
    // With the incremental search on, it replaces the list's own first-letter search.
    if (appendLookupCharacter(lookup_, c) && (lookupIncr || lookupFull))
        return 0;
    return std::nullopt;
}

std::optional<LRESULT> InPlaceListBox::onListButtonDown(UINT msg, POINT p)
{
    withdrawHint();
    lookup_.clear();
    int row = rowAt(p);
    clickOnSelected_ = msg == WM_LBUTTONDOWN && allowEdit_ && row >= 0 && row == itemIndex();
    return std::nullopt;
}

std::optional<LRESULT> InPlaceListBox::onListButtonUp(WPARAM wparam, LPARAM lparam)
{
    LRESULT result = DefSubclassProc(list_, WM_LBUTTONUP, wparam, lparam);
    bool start = clickOnSelected_ && allowEdit_ && rowAt(pointOf(lparam)) == itemIndex();
    clickOnSelected_ = false;
    if (start)
        startEdit();
    return result;
}

std::optional<LRESULT> InPlaceListBox::onListMouseMove(POINT p)
{
    // Moving to another row withdraws the hint, so that the next one fits the new row.
    if (hintTip_->showing() && rowAt(p) != hintRow_)
        withdrawHint();
    if (!watchingPointer_)
        watchPointer();
    return std::nullopt;
}

// The pointer rests over the list: the hint for the point shows.
std::optional<LRESULT> InPlaceListBox::onListMouseHover(POINT p)
{
    watchingPointer_ = false;
    if (editorOpen_)
        return 0;
    HintInfo hint = hintAt(p);
    RECT row{};
    POINT at{p.x, p.y + kHintBelowPointer};
    if (hint.entryText && box().itemRect(hint.row, row))
        at = {row.left, row.top - kEntryHintLift};
    if (!hint.text.empty()) {
        ClientToScreen(list_, &at);
        hintRow_ = rowAt(p);
        hintTip_->show(hint.text, at);
    }
    // Leaving is still watched; resting again is watched from the next move.
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, list_, 0};
    TrackMouseEvent(&track);
    return 0;
}

std::optional<LRESULT> InPlaceListBox::onListMouseLeave()
{
    watchingPointer_ = false;
    withdrawHint();
    return 0;
}

void InPlaceListBox::watchPointer()
{
    TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, list_, HOVER_DEFAULT};
    watchingPointer_ = TrackMouseEvent(&track) != FALSE;
}

void InPlaceListBox::withdrawHint()
{
    if (hintTip_->showing()) {
        hintTip_->hide();
        // The next rest shows the hint for wherever the pointer is then.
        watchingPointer_ = false;
    }
}

std::optional<LRESULT> InPlaceListBox::onListSetFocus()
{
    normalColor_ = shownColor_;
    shownColor_ = focusColor_;
    setBrush(shownColor_);
    lookup_.clear();
    return std::nullopt;
}

std::optional<LRESULT> InPlaceListBox::onListKillFocus(HWND newFocus)
{
    shownColor_ = normalColor_;
    setBrush(shownColor_);
    if (editorOpen_ && newFocus != editor_ && !updating_)
        closeEditorOnListFocusLoss();
    return std::nullopt;
}

std::optional<LRESULT> InPlaceListBox::onListSetFont(WPARAM wparam, LPARAM lparam)
{
    LRESULT result = DefSubclassProc(list_, WM_SETFONT, wparam, lparam);
    Edit(editor_).setFont(reinterpret_cast<HFONT>(wparam), LOWORD(lparam) != 0);
    applyTabStops();
    updateScrollBars();
    return result;
}

std::optional<LRESULT> InPlaceListBox::onListContentChange(UINT msg, WPARAM wparam, LPARAM lparam)
{
    // Entries moving under an open editor would put its text into the wrong
    // entry: the edit ends first.
    if (editorOpen_ && !updating_ && !storing_)
        endEdit();
    LRESULT result = DefSubclassProc(list_, msg, wparam, lparam);
    if (!storing_)
        updateScrollBars();
    return result;
}

std::optional<LRESULT> InPlaceListBox::onListSize(WPARAM wparam, LPARAM lparam)
{
    LRESULT result = DefSubclassProc(list_, WM_SIZE, wparam, lparam);
    updateScrollBars();
    return result;
}

std::optional<LRESULT> InPlaceListBox::onListScroll(UINT msg, WPARAM wparam, LPARAM lparam)
{
    LRESULT result = DefSubclassProc(list_, msg, wparam, lparam);
    flatBars_->syncPosition(msg == WM_HSCROLL ? SB_HORZ : SB_VERT);
    return result;
}

std::optional<LRESULT> InPlaceListBox::onListCommand(WPARAM wparam, LPARAM lparam)
{
    if (reinterpret_cast<HWND>(lparam) != editor_ || HIWORD(wparam) != EN_CHANGE)
        return std::nullopt;
    resizeEditor();
    return 0;
}

LRESULT InPlaceListBox::handleEditor(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_GETDLGCODE:
        return DefSubclassProc(editor_, msg, wparam, lparam) | DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (!editorOpen_)
            break;
        switch (wparam) {
        case VK_RETURN:
            closeEditFromEditor(editIndex_);
            return 0;
        case VK_ESCAPE:
            Control(editor_).setText(savedText_);
            closeEditFromEditor(editIndex_);
            return 0;
        case VK_UP:
        case VK_DOWN: {
            int rows = std::min(editCount_, count());
            closeEditFromEditor(neighbourRow(editIndex_, rows, wparam == VK_UP ? -1 : 1));
            // The key still reaches the list's key handling, which only resets the search.
            lookup_.clear();
            return 0;
        }
        default:
            break;
        }
        break;
    case WM_CHAR:
        if (wparam == '\r')
            return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: {
        if (!editorOpen_)
            break;
        POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        RECT client{};
        GetClientRect(editor_, &client);
        if (PtInRect(&client, p)) {
            LRESULT result = DefSubclassProc(editor_, msg, wparam, lparam);
            if (editorOpen_ && GetCapture() != editor_)
                SetCapture(editor_);
            return result;
        }
        // A click anywhere else reaches the editor through the capture; it
        // only ends the edit and goes no further.
        closeEditFromEditor(editIndex_);
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        LRESULT result = DefSubclassProc(editor_, msg, wparam, lparam);
        // The edit control lets the mouse go when its own selection drag ends.
        if (editorOpen_ && GetCapture() != editor_)
            SetCapture(editor_);
        return result;
    }
    case WM_SETTEXT: {
        LRESULT result = DefSubclassProc(editor_, msg, wparam, lparam);
        resizeEditor();
        return result;
    }
    case WM_KILLFOCUS:
        onEditorLostFocus(reinterpret_cast<HWND>(wparam));
        break;
    default:
        break;
    }
    return DefSubclassProc(editor_, msg, wparam, lparam);
}

}  // namespace talkpost
