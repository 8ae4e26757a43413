// The window's scale and the scaling of designed pixels, fonts and bitmaps.
// The per-monitor calls are looked up at run time: older systems lack them,
// and then the screen's scale holds for every window.
#include "win/dpi_win.h"

namespace talkpost {
namespace {

// The property on a top-level window that holds the scale it is laid out for.
constexpr const char* kDpiProperty = "TalkpostDpi";

template <typename Function>
Function user32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                             : nullptr;
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetProcessDpiAwarenessContextFunction = BOOL(WINAPI*)(HANDLE);
using SetProcessDpiAwareFunction = BOOL(WINAPI*)();

}  // namespace

Dpi screenDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : Dpi::kDesigned;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return Dpi(dpi);
}

Dpi dpiOf(HWND window)
{
    if (window != nullptr) {
        HWND top = GetAncestor(window, GA_ROOT);
        if (top == nullptr)
            top = window;
        if (auto remembered = reinterpret_cast<INT_PTR>(GetPropA(top, kDpiProperty)); remembered > 0)
            return Dpi(static_cast<int>(remembered));
        static const auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
        if (getDpiForWindow != nullptr)
            if (UINT dpi = getDpiForWindow(window); dpi > 0)
                return Dpi(static_cast<int>(dpi));
    }
    return screenDpi();
}

void rememberDpi(HWND topLevel, Dpi dpi)
{
    SetPropA(topLevel, kDpiProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpi.value())));
}

void becomePerMonitorAware()
{
    static const auto setContext = user32Function<SetProcessDpiAwarenessContextFunction>("SetProcessDpiAwarenessContext");
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then _PER_MONITOR_AWARE.
    if (setContext != nullptr &&
        (setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))) ||
         setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3)))))
        return;
    if (static const auto setAware = user32Function<SetProcessDpiAwareFunction>("SetProcessDPIAware"); setAware)
        setAware();
}

SIZE frameSizeForClient(int designedWidth, int designedHeight, DWORD style, DWORD exStyle, bool menu, Dpi dpi)
{
    RECT frame{0, 0, dpi.scale(designedWidth), dpi.scale(designedHeight)};
    static const auto adjustForDpi = user32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    if (adjustForDpi == nullptr ||
        !adjustForDpi(&frame, style, menu ? TRUE : FALSE, exStyle, static_cast<UINT>(dpi.value())))
        AdjustWindowRectEx(&frame, style, menu ? TRUE : FALSE, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

SIZE scaledFrameSize(int designedOuterWidth, int designedOuterHeight, DWORD style, DWORD exStyle, bool menu, Dpi dpi)
{
    SIZE designedFrame = frameSizeForClient(0, 0, style, exStyle, menu, Dpi());
    return frameSizeForClient(designedOuterWidth - designedFrame.cx, designedOuterHeight - designedFrame.cy, style,
                              exStyle, menu, dpi);
}

void takeSuggestedRect(HWND window, LPARAM suggested)
{
    const auto* r = reinterpret_cast<const RECT*>(suggested);
    if (r != nullptr)
        SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT createScaledFont(const char* face, int designedHeight, int weight, BYTE charset, Dpi dpi)
{
    return CreateFontA(dpi.scale(designedHeight), 0, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

HFONT createPointFont(const char* face, int points, int weight, BYTE charset, Dpi dpi)
{
    return CreateFontA(dpi.fontHeightOfPoints(points), 0, 0, 0, weight, FALSE, FALSE, FALSE, charset,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

void placeControl(HWND control, int x, int y, int width, int height, Dpi dpi)
{
    SetWindowPos(control, nullptr, dpi.scale(x), dpi.scale(y), dpi.scale(width), dpi.scale(height),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void placeControls(HWND parent, const ControlRow* rows, std::size_t count, Dpi dpi)
{
    for (std::size_t i = 0; i < count; ++i) {
        const ControlRow& s = rows[i];
        if (HWND child = GetDlgItem(parent, s.id))
            placeControl(child, s.x, s.y, s.width, s.height, dpi);
    }
}

void drawBitmapSmooth(HDC dc, const RECT& destination, HBITMAP bitmap)
{
    BITMAP info{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr)
        return;
    HGDIOBJ old = SelectObject(memory, bitmap);
    int previousMode = SetStretchBltMode(dc, HALFTONE);
    POINT origin{};
    SetBrushOrgEx(dc, 0, 0, &origin);  // HALFTONE needs the brush origin set after the mode
    StretchBlt(dc, destination.left, destination.top, destination.right - destination.left,
               destination.bottom - destination.top, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    SetStretchBltMode(dc, previousMode);
    SelectObject(memory, old);
    DeleteDC(memory);
}

}  // namespace talkpost
