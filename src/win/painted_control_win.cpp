// A child window drawn by a function.
#include "win/painted_control_win.h"

#include <utility>

namespace talkpost {

PaintedControl::PaintedControl(Prompts& prompts, HWND parent, int id, int x, int y, int width, int height,
                               Paint paint)
    : Window(prompts), paint_(std::move(paint))
{
    create("TalkpostPaintedControl", 0, "", WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT PaintedControl::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg != WM_PAINT)
        return defaultHandle(msg, wparam, lparam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT area;
    GetClientRect(hwnd(), &area);
    if (paint_)
        paint_(dc, area);
    EndPaint(hwnd(), &ps);
    return 0;
}

}  // namespace talkpost
