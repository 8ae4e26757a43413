// PaintedControl: a child window that draws its whole area with the function
// it is given (a picture, a billboard), so each window with a drawn area
// needs no window class of its own.
#pragma once

#include <windows.h>

#include <functional>

#include "win/window_win.h"

namespace talkpost {

class PaintedControl : public Window {
public:
    using Paint = std::function<void(HDC dc, const RECT& area)>;

    PaintedControl(Prompts& prompts, HWND parent, int id, int x, int y, int width, int height, Paint paint);

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override;

private:
    Paint paint_;
};

}  // namespace talkpost
