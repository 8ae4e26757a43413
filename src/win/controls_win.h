// Thin wrappers over the standard controls whose texts are read item by item:
// the list box and the status bar. They own nothing;
// the window that made the control keeps it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace talkpost {

// A control with a list of text items, read through its own messages.
class ItemList {
public:
    HWND hwnd() const { return hwnd_; }
    int count() const;
    // The item's text; empty for an index that does not exist.
    std::string itemText(int index) const;
    std::vector<std::string> items() const;

protected:
    ItemList(HWND hwnd, UINT countMsg, UINT lengthMsg, UINT textMsg)
        : hwnd_(hwnd), countMsg_(countMsg), lengthMsg_(lengthMsg), textMsg_(textMsg)
    {
    }

private:
    HWND hwnd_;
    UINT countMsg_, lengthMsg_, textMsg_;
};

class ListBox : public ItemList {
public:
    explicit ListBox(HWND hwnd) : ItemList(hwnd, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT) {}
};

// The width in pixels of a control's text in the control's own font.
int textWidthOf(HWND control);

class StatusBar {
public:
    explicit StatusBar(HWND hwnd) : hwnd_(hwnd) {}
    HWND hwnd() const { return hwnd_; }
    std::string text(int panel) const;
    void setText(int panel, const std::string& text);

private:
    HWND hwnd_;
};

}  // namespace talkpost
