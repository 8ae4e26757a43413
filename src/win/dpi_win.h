// Dpi: the scale a window is laid out for, and the one place where designed
// 96-DPI pixels become pixels of that scale. Windows keep their layout in
// designed pixels (their layout table); they scale it here at creation and
// again when the window moves to a monitor of another scale.
#pragma once

#include <windows.h>

#include <cstddef>

#include "win/window_win.h"

namespace talkpost {

// Sent to the children of a window laid out at a new scale (the headers of
// the system version we build for do not name it yet).
inline constexpr UINT kDpiChangedAfterParent = 0x02E3;

class Dpi {
public:
    // The scale the layouts are designed at: 100 %.
    static constexpr int kDesigned = 96;

    constexpr Dpi() = default;
    explicit Dpi(int value) : value_(value > 0 ? value : kDesigned) {}

    int value() const { return value_; }
    // Designed pixels at this scale, rounded to the nearest pixel.
    int scale(int designed) const { return MulDiv(designed, value_, kDesigned); }
    // Pixels at this scale back to designed pixels.
    int unscale(int pixels) const { return MulDiv(pixels, kDesigned, value_); }
    RECT scale(const RECT& designed) const
    {
        return {scale(designed.left), scale(designed.top), scale(designed.right), scale(designed.bottom)};
    }
    // The character height (negative, as CreateFont takes it) of a font of
    // the given points: 8 points are 11 pixels at 96 DPI, 16 at 144.
    int fontHeightOfPoints(int points) const { return -MulDiv(points, value_, 72); }

    bool operator==(const Dpi&) const = default;

private:
    int value_ = kDesigned;
};

// The scale of the screen (LOGPIXELSX of its device context).
Dpi screenDpi();

// The scale the window is laid out for: what its top-level window last laid
// itself out at, else what the system says of the window (GetDpiForWindow
// where the system has it, else the screen's).
Dpi dpiOf(HWND window);

// Remembers the scale a top-level window is laid out for; dpiOf finds it
// for the window and all its children.
void rememberDpi(HWND topLevel, Dpi dpi);

// Declares this process aware of each monitor's scale when the system allows
// it (the manifest says the same; tests that carry no manifest call this).
void becomePerMonitorAware();

// The outer size of a window whose client area is the designed size scaled,
// with the frame, caption and menu of the given scale.
SIZE frameSizeForClient(int designedWidth, int designedHeight, DWORD style, DWORD exStyle, bool menu, Dpi dpi);

// The outer size at the scale of a window designed by its outer size at
// 100 %: its client area at 100 % scaled, in the frame of the scale.
SIZE scaledFrameSize(int designedOuterWidth, int designedOuterHeight, DWORD style, DWORD exStyle, bool menu, Dpi dpi);

// Takes WM_DPICHANGED's suggested rectangle for the window.
void takeSuggestedRect(HWND window, LPARAM suggested);

// A font of the given character height in designed pixels (CreateFont's
// negative heights) at the scale.
HFONT createScaledFont(const char* face, int designedHeight, int weight, BYTE charset, Dpi dpi);
// A font of the given points at the scale.
HFONT createPointFont(const char* face, int points, int weight, BYTE charset, Dpi dpi);

// Puts each control of a layout table at its designed place scaled.
void placeControls(HWND parent, const ControlRow* rows, std::size_t count, Dpi dpi);
// One control at a designed place scaled.
void placeControl(HWND control, int x, int y, int width, int height, Dpi dpi);

// Draws a bitmap into the destination with smooth scaling (halftone), so a
// picture drawn larger than its pixels stays soft instead of blocky.
void drawBitmapSmooth(HDC dc, const RECT& destination, HBITMAP bitmap);

}  // namespace talkpost
