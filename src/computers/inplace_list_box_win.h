// InPlaceListBox: a list box whose entries are edited where they stand. A
// single-line editor is laid over the entry's row, takes the keyboard and the
// mouse until the edit ends, and writes the result back into the entry without
// re-sorting. Besides editing it offers a focus colour, hints for entries too
// wide for the list, a managed horizontal extent, and (off unless asked for)
// insertion and deletion by key, incremental search, Return options, tab
// stops and styled scroll bars.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "computers/flat_scroll_bars_win.h"
#include "computers/inplace_list_rules.h"
#include "computers/list_hint_win.h"
#include "win/controls_win.h"
#include "win/handles_win.h"
#include "win/prompts_win.h"

namespace talkpost {

class InPlaceListBox {
public:
    // Creates the list as a child of parent. extraStyle adds list box styles
    // such as LBS_SORT, WS_TABSTOP or WS_BORDER to the ones the control
    // always has (notify, tab stops, no integral height, both scroll bars).
    // A failure inside one of its messages is reported with prompts.
    InPlaceListBox(Prompts& prompts, HWND parent, int id, int x, int y, int width, int height, DWORD extraStyle = 0,
                   DWORD exStyle = WS_EX_CLIENTEDGE);
    ~InPlaceListBox();
    InPlaceListBox(const InPlaceListBox&) = delete;
    InPlaceListBox& operator=(const InPlaceListBox&) = delete;

    HWND hwnd() const { return list_; }
    HWND editor() const { return editor_; }
    // The hint's tooltip window.
    HWND hintWindow() const { return hintTip_ ? hintTip_->hwnd() : nullptr; }

    // Events. Handlers run inside the control's message handling; an exception
    // they throw is shown in the standard error box.
    std::function<void(std::string& newText, bool& allow)> onEditDone;
    std::function<void(int index, bool& allow)> onEditStart;
    std::function<void(std::string& value)> onAutoInsert;
    std::function<void(std::string& value, bool& allowDelete)> onAutoDelete;
    std::function<void(int index)> onSelChange;
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    // A key pressed in the list, before the list's own handling; true when it was handled.
    std::function<bool(WPARAM key)> onKeyDown;

    // Entries.
    int count() const;
    std::string item(int index) const;
    std::vector<std::string> items() const;
    // Adds at the sorted place when the list sorts, else at the end; gives the index.
    int add(const std::string& text);
    void remove(int index);
    void clear();
    void setItemHeight(int height);
    int itemHeight() const;
    void setFont(HFONT font);

    int itemIndex() const;
    void setItemIndex(int index);

    // Opens the editor on the selected entry.
    void startEdit();
    // Ends an open edit as if the editor lost the focus (the result is stored).
    void endEdit();
    bool editing() const { return editorOpen_; }
    // Index of the entry being edited or last edited; -1 before the first edit.
    int editedIndex() const { return editIndex_; }

    // Properties.
    bool autoInsert = false;
    bool autoDelete = false;
    bool lookupIncr = false;
    bool lookupFull = false;
    bool returnIsTab = false;
    bool returnIsClick = false;
    bool returnIsDblClick = false;

    bool allowEdit() const { return allowEdit_; }
    void setAllowEdit(bool allow);

    COLORREF focusColor() const { return focusColor_; }
    void setFocusColor(COLORREF color);
    void setColor(COLORREF color);

    void setHintColor(COLORREF color);
    // The list's own hint text; empty shows no hint for short entries.
    void setHint(const std::string& text);
    const std::string& hint() const { return hint_; }
    // The hint for a point of the list (client coordinates): an entry too wide
    // for the list shows its own text.
    struct HintInfo {
        std::string text;
        bool entryText = false;  // the entry's text, placed at its row
        int row = -1;
    };
    HintInfo hintAt(POINT clientPoint) const;

    ScrollStyle scrollStyle() const { return scrollStyle_; }
    void setScrollStyle(ScrollStyle style);
    void setScrollColor(std::optional<COLORREF> color);
    int scrollWidth() const { return scrollWidth_; }
    void setScrollWidth(int width);
    void setScrollHorizontal(bool on);

    void setTabPositions(const std::vector<TabPosition>& positions);

    const std::string& lookupText() const { return lookup_; }

    // Recomputes the horizontal extent (done by the control after every change).
    void updateScrollBars();

private:
    static LRESULT CALLBACK listProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK editorProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK parentProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT handleList(UINT msg, WPARAM wparam, LPARAM lparam);
    // The list's messages, one handler each; nothing means the list's own handling follows.
    std::optional<LRESULT> onListGetDlgCode(WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> onListKeyDown(WPARAM key);
    std::optional<LRESULT> onListKeyUp(WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> onListChar(char c);
    std::optional<LRESULT> onListButtonDown(UINT msg, POINT p);
    std::optional<LRESULT> onListButtonUp(WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> onListMouseMove(POINT p);
    std::optional<LRESULT> onListMouseHover(POINT p);
    std::optional<LRESULT> onListMouseLeave();
    std::optional<LRESULT> onListSetFocus();
    std::optional<LRESULT> onListKillFocus(HWND newFocus);
    std::optional<LRESULT> onListSetFont(WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> onListContentChange(UINT msg, WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> onListSize(WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> onListScroll(UINT msg, WPARAM wparam, LPARAM lparam);
    std::optional<LRESULT> onListCommand(WPARAM wparam, LPARAM lparam);
    bool insertOnKey();
    bool deleteOnKey();
    bool returnOnKey();
    LRESULT handleEditor(UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT handleParent(HWND parent, UINT msg, WPARAM wparam, LPARAM lparam, bool& handled);

    void storeInPlace(int index, const std::string& text);
    void finishEdit();
    // Ends an open edit's hold on the mouse and writes its result back; false when none is open.
    bool closeAndWriteBack();
    void closeEditFromEditor(int selectRow);
    void closeEditorOnListFocusLoss();
    void onEditorLostFocus(HWND newFocus);
    void resizeEditor();
    void selectionChanged();
    void setBrush(COLORREF color);
    void applyScrollStyle();
    void applyTabStops();
    void runLookup();
    void watchPointer();
    void withdrawHint();
    int rowAt(POINT clientPoint) const;
    int entryWidth(HDC dc, const std::string& text) const;
    void rethrowPending();
    LRESULT guarded(HWND hwnd, const std::function<LRESULT()>& handler);

    ListBox box() const { return ListBox(list_); }

    Prompts& prompts_;
    HWND parent_ = nullptr;
    HWND list_ = nullptr;
    HWND editor_ = nullptr;
    std::unique_ptr<ListHint> hintTip_;
    std::unique_ptr<FlatScrollBars> flatBars_;
    UniqueGdiObject brush_;

    bool allowEdit_ = true;
    COLORREF normalColor_;
    COLORREF focusColor_;
    COLORREF shownColor_;
    COLORREF hintColor_ = RGB(255, 255, 255);
    std::string hint_;
    ScrollStyle scrollStyle_ = ScrollStyle::Normal;
    std::optional<COLORREF> scrollColor_;
    int scrollWidth_;
    bool scrollHorizontal_ = true;
    std::vector<TabPosition> tabPositions_;

    // Editing state.
    bool updating_ = false;
    bool storing_ = false;
    bool editorOpen_ = false;
    int editIndex_ = -1;
    int editCount_ = 0;
    std::string savedText_;
    std::exception_ptr pending_;
    int depth_ = 0;

    std::string lookup_;
    bool inSelChange_ = false;
    bool clickOnSelected_ = false;
    // The row the hint was shown for (-1: below the entries); the pointer
    // is watched for resting and leaving from its first move over the list.
    int hintRow_ = -1;
    bool watchingPointer_ = false;
    bool inScrollUpdate_ = false;
};

}  // namespace talkpost
