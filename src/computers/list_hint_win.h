// ListHint: the hint over a list box, a tooltip the list shows itself when the
// pointer rests over it (the list decides the text and the place) and
// withdraws when the pointer moves on, leaves or clicks.
#pragma once

#include <windows.h>

#include <string>

namespace talkpost {

class ListHint {
public:
    // A tip owned by the list's top-level window.
    ListHint(HWND list, COLORREF color);
    ~ListHint();
    ListHint(const ListHint&) = delete;
    ListHint& operator=(const ListHint&) = delete;

    HWND hwnd() const { return tip_; }
    void setColor(COLORREF color);
    // Shows the text with the tip's top-left corner at a screen point.
    void show(const std::string& text, POINT screen);
    void hide();
    bool showing() const { return showing_; }

private:
    HWND list_;
    HWND tip_ = nullptr;
    std::wstring text_;  // the text on show, as the tip holds it
    bool showing_ = false;
};

}  // namespace talkpost
