// Thin wrappers over the standard and common controls: one small method per
// message, so the windows speak of what they do with a control rather than of
// message numbers. They own nothing; the window that made a control keeps it,
// and a wrapper is cheap to make wherever a control's handle is at hand.
// Texts go in and come out in UTF-8; the controls get them as UTF-16.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace talkpost {

// What every control understands: its text, font, redrawing and state.
class Control {
public:
    explicit Control(HWND hwnd = nullptr) : hwnd_(hwnd) {}
    HWND hwnd() const { return hwnd_; }
    explicit operator bool() const { return hwnd_ != nullptr; }

    std::string text() const;
    void setText(const std::string& text) const;
    HFONT font() const { return reinterpret_cast<HFONT>(send(WM_GETFONT)); }
    void setFont(HFONT font, bool redraw = false) const
    {
        send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
    }
    // Turns painting off while a control is filled, and on again.
    void setRedraw(bool on) const { send(WM_SETREDRAW, on ? TRUE : FALSE); }
    void enable(bool on) const { EnableWindow(hwnd_, on ? TRUE : FALSE); }
    bool enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
    void show(bool on) const { ShowWindow(hwnd_, on ? SW_SHOW : SW_HIDE); }
    bool visible() const { return IsWindowVisible(hwnd_) != FALSE; }
    void invalidate() const { InvalidateRect(hwnd_, nullptr, TRUE); }

protected:
    LRESULT send(UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) const { return SendMessageA(hwnd_, msg, wparam, lparam); }
    // A message that takes a text, sent as UTF-16 (the W form of the message).
    LRESULT sendText(UINT msg, WPARAM wparam, const std::string& text) const;
    template <typename T>
    LRESULT sendPointer(UINT msg, WPARAM wparam, T* pointer) const
    {
        return send(msg, wparam, reinterpret_cast<LPARAM>(pointer));
    }

private:
    HWND hwnd_;
};

// A push button, check box or radio button.
class Button : public Control {
public:
    using Control::Control;
    bool checked() const { return send(BM_GETCHECK) == BST_CHECKED; }
    void setChecked(bool on) const { send(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED); }
};

// A single- or multi-line edit (also the rich edit, which answers the same messages).
class Edit : public Control {
public:
    using Control::Control;
    // In UTF-16 units, as the control counts its positions.
    int length() const { return GetWindowTextLengthW(hwnd()); }
    // Characters the user may type; 0 lifts the limit to the control's maximum.
    void setLimit(int characters) const { send(EM_SETLIMITTEXT, static_cast<WPARAM>(characters)); }
    void select(int start, int end) const { send(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void selectAll() const { select(0, -1); }
    void selection(DWORD& start, DWORD& end) const
    {
        send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    }
    void replaceSelection(const std::string& text) const { sendText(EM_REPLACESEL, FALSE, text); }
    int firstVisibleLine() const { return static_cast<int>(send(EM_GETFIRSTVISIBLELINE)); }
    void scrollLines(int lines) const { send(EM_LINESCROLL, 0, lines); }
    // One of SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN.
    void scroll(int action) const { send(EM_SCROLL, static_cast<WPARAM>(action)); }
    void setPasswordChar(char c) const { send(EM_SETPASSWORDCHAR, static_cast<unsigned char>(c)); }
    void setReadOnly(bool on) const { send(EM_SETREADONLY, on ? TRUE : FALSE); }
};

// A control with a list of text items: what the list box and the combo box share.
class ItemList : public Control {
public:
    int count() const;
    // The item's text; empty for an index that does not exist.
    std::string itemText(int index) const;
    std::vector<std::string> items() const;

protected:
    struct Messages {
        UINT count, length, text;
    };
    ItemList(HWND hwnd, Messages messages) : Control(hwnd), messages_(messages) {}

private:
    Messages messages_;
};

// The error when a list refuses a row.
inline constexpr const char* kRowNotInsertedText = "Zeile kann nicht eingef\xc3\xbcgt werden";

class ListBox : public ItemList {
public:
    explicit ListBox(HWND hwnd = nullptr) : ItemList(hwnd, {LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT}) {}

    // Each returns the new item's index, or a negative number when the list is full.
    int add(const std::string& text) const { return static_cast<int>(sendText(LB_ADDSTRING, 0, text)); }
    int insert(int index, const std::string& text) const
    {
        return static_cast<int>(sendText(LB_INSERTSTRING, static_cast<WPARAM>(index), text));
    }
    void remove(int index) const { send(LB_DELETESTRING, static_cast<WPARAM>(index)); }
    void clear() const { send(LB_RESETCONTENT); }

    int selected() const { return static_cast<int>(send(LB_GETCURSEL)); }
    void select(int index) const { send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
    LPARAM itemData(int index) const { return send(LB_GETITEMDATA, static_cast<WPARAM>(index)); }
    void setItemData(int index, LPARAM data) const { send(LB_SETITEMDATA, static_cast<WPARAM>(index), data); }

    int topIndex() const { return static_cast<int>(send(LB_GETTOPINDEX)); }
    void setTopIndex(int index) const { send(LB_SETTOPINDEX, static_cast<WPARAM>(index)); }
    int itemHeight() const { return static_cast<int>(send(LB_GETITEMHEIGHT)); }
    void setItemHeight(int height) const { send(LB_SETITEMHEIGHT, 0, MAKELPARAM(height, 0)); }
    // The item's rectangle in client coordinates; false for an index that does not exist.
    bool itemRect(int index, RECT& rect) const
    {
        return sendPointer(LB_GETITEMRECT, static_cast<WPARAM>(index), &rect) != LB_ERR;
    }
    // The row under a point in client coordinates (as a mouse message's
    // lparam carries it); -1 when the point lies below the last row.
    int rowAt(LPARAM point) const
    {
        LRESULT hit = send(LB_ITEMFROMPOINT, 0, point);
        return HIWORD(hit) == 0 ? static_cast<int>(LOWORD(hit)) : -1;
    }
    void setHorizontalExtent(int pixels) const { send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(pixels)); }
    void setTabStops(const std::vector<int>& stops) const
    {
        send(LB_SETTABSTOPS, stops.size(), stops.empty() ? 0 : reinterpret_cast<LPARAM>(stops.data()));
    }
    LCID locale() const { return static_cast<LCID>(send(LB_GETLOCALE)); }
    void scrollToLeft() const { send(WM_HSCROLL, MAKEWPARAM(SB_LEFT, 0)); }
};

class ComboBox : public ItemList {
public:
    explicit ComboBox(HWND hwnd = nullptr) : ItemList(hwnd, {CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT}) {}

    int add(const std::string& text) const { return static_cast<int>(sendText(CB_ADDSTRING, 0, text)); }
    // False when there is no such item.
    bool remove(int index) const { return send(CB_DELETESTRING, static_cast<WPARAM>(index)) != CB_ERR; }
    void clear() const { send(CB_RESETCONTENT); }
    // The index of the item that equals text (letter case ignored), or a negative number.
    int findExact(const std::string& text) const
    {
        return static_cast<int>(sendText(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), text));
    }
    int selected() const { return static_cast<int>(send(CB_GETCURSEL)); }
    void select(int index) const { send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    // Reserves room before many items are added in one go.
    void reserve(std::size_t items, std::size_t bytes) const { send(CB_INITSTORAGE, items, static_cast<LPARAM>(bytes)); }
    void setMinVisible(int items) const { send(CB_SETMINVISIBLE, static_cast<WPARAM>(items)); }
    // The edit field and the drop-down list inside the combo box.
    bool parts(COMBOBOXINFO& info) const
    {
        info.cbSize = sizeof info;
        return GetComboBoxInfo(hwnd(), &info) != FALSE;
    }
};

class ProgressBar : public Control {
public:
    using Control::Control;
    void setRange(int minimum, int maximum) const { send(PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum); }
    void setPosition(int position) const { send(PBM_SETPOS, static_cast<WPARAM>(position)); }
    int position() const { return static_cast<int>(send(PBM_GETPOS)); }
};

class UpDown : public Control {
public:
    using Control::Control;
    void setBuddy(HWND buddy) const { send(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy)); }
    void setRange(int minimum, int maximum) const { send(UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum); }
    void setPosition(int position) const { send(UDM_SETPOS32, 0, position); }
};

class ToolBar : public Control {
public:
    using Control::Control;
    // Prepares a fresh tool bar for text-only buttons.
    void prepare(int indent) const
    {
        send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
        send(TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
        send(TB_SETINDENT, static_cast<WPARAM>(indent));
    }
    void addButtons(const std::vector<TBBUTTON>& buttons) const
    {
        send(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    }
    void setButtonSize(int width, int height) const { send(TB_SETBUTTONSIZE, 0, MAKELPARAM(width, height)); }
    void setButtonWidth(int command, int width) const;
    void setButtonText(int command, const std::string& text) const;
    std::string buttonText(int command) const;
    void enableButton(int command, bool on) const
    {
        send(TB_ENABLEBUTTON, static_cast<WPARAM>(command), MAKELPARAM(on ? TRUE : FALSE, 0));
    }
    bool buttonRect(int command, RECT& rect) const
    {
        return sendPointer(TB_GETRECT, static_cast<WPARAM>(command), &rect) != FALSE;
    }
};

class StatusBar : public Control {
public:
    using Control::Control;
    void setParts(const std::vector<int>& rightEdges) const
    {
        send(SB_SETPARTS, rightEdges.size(), reinterpret_cast<LPARAM>(rightEdges.data()));
    }
    std::string text(int panel) const;
    void setText(int panel, const std::string& text) const { sendText(SB_SETTEXTW, static_cast<WPARAM>(panel), text); }
    RECT panelRect(int panel) const
    {
        RECT rect{};
        sendPointer(SB_GETRECT, static_cast<WPARAM>(panel), &rect);
        return rect;
    }
    // Lays the bar out again along its parent's bottom edge.
    void fitToParent() const { send(WM_SIZE); }
};

// A tooltip control and the tools (windows or rectangles) it shows hints for.
class ToolTip : public Control {
public:
    using Control::Control;
    // The tools' texts are UTF-16: the tip copies them, so a text need only
    // live for the call.
    void addTool(TOOLINFOW& tool) const
    {
        tool.cbSize = sizeof tool;
        sendPointer(TTM_ADDTOOLW, 0, &tool);
    }
    void setToolRect(TOOLINFOW& tool) const
    {
        tool.cbSize = sizeof tool;
        sendPointer(TTM_NEWTOOLRECTW, 0, &tool);
    }
    void updateToolText(TOOLINFOW& tool) const
    {
        tool.cbSize = sizeof tool;
        sendPointer(TTM_UPDATETIPTEXTW, 0, &tool);
    }
    void relay(const MSG& msg) const { sendPointer(TTM_RELAYEVENT, 0, &msg); }
    void hide() const { send(TTM_POP); }
    void setMaxWidth(int pixels) const { send(TTM_SETMAXTIPWIDTH, 0, pixels); }
    void setBackground(COLORREF color) const { send(TTM_SETTIPBKCOLOR, color); }
};

class Animation : public Control {
public:
    using Control::Control;
    bool open(HINSTANCE instance, int resource) const
    {
        return send(ACM_OPENA, reinterpret_cast<WPARAM>(instance), reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(resource))) !=
               FALSE;
    }
};

// The width in pixels of text in the control's own font (the control's own text when none is given).
int textWidth(HWND control, const std::string& text);
int textWidthOf(HWND control);

// Moves a dialog's focus to one of its controls the dialog manager's own way,
// which also moves the default button along.
inline void moveDialogFocus(HWND dialog, HWND control)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

}  // namespace talkpost
