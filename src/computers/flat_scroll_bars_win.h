// FlatScrollBars: the styled (flat or framed) scroll bars of a list box,
// through the common controls' flat scroll bar functions. The platform's own
// bars serve the normal style; the flat functions are brought in only for a
// styled look and let go again when the style returns to normal.
#pragma once

#include <windows.h>

#include <optional>

namespace talkpost {

enum class ScrollStyle { Normal, Flat, Framed };

class FlatScrollBars {
public:
    explicit FlatScrollBars(HWND window) : window_(window) {}
    ~FlatScrollBars() { release(); }
    FlatScrollBars(const FlatScrollBars&) = delete;
    FlatScrollBars& operator=(const FlatScrollBars&) = delete;

    // Applies the style, the background colour and the bars' width; true when flat bars are in use.
    bool apply(ScrollStyle style, std::optional<COLORREF> color, int width);
    bool active() const { return active_; }
    // Lets the flat bars go (before the window goes).
    void release();

    // Shows or hides the horizontal bar, flat or not.
    void showHorizontal(bool show);
    // Copies the window's scroll ranges and positions to the flat bars.
    void syncInfo();
    // Copies one bar's position after the window scrolled.
    void syncPosition(int bar);

private:
    HWND window_;
    bool active_ = false;
};

}  // namespace talkpost
