// ListHint: the hint tooltip over a whole list box. Its text is asked for
// when it shows (TTN_GETDISPINFO), and the owner may place it itself (TTN_SHOW).
#pragma once

#include <windows.h>

namespace talkpost {

class ListHint {
public:
    // A tip owned by the list's top-level window, covering the list's client area.
    ListHint(HWND list, COLORREF color);
    ~ListHint();
    ListHint(const ListHint&) = delete;
    ListHint& operator=(const ListHint&) = delete;

    HWND hwnd() const { return tip_; }
    bool owns(const NMHDR& header) const { return tip_ != nullptr && header.hwndFrom == tip_; }
    void setColor(COLORREF color);
    // Withdraws the tip shown, so that the next one fits its new row.
    void pop();
    // After the list changed its size.
    void fitToList();
    // Hands a mouse message of the list to the tip.
    void relay(UINT msg, WPARAM wparam, LPARAM lparam);
    // Puts the tip's top-left corner at a screen point.
    void moveTo(POINT screen);

private:
    HWND list_;
    HWND tip_ = nullptr;
};

}  // namespace talkpost
