// The control wrappers' messages.
#include "win/controls_win.h"

#include <commctrl.h>

namespace talkpost {
int ItemList::count() const { return static_cast<int>(SendMessageA(hwnd_, countMsg_, 0, 0)); }

std::string ItemList::itemText(int index) const
{
    LRESULT length = SendMessageA(hwnd_, lengthMsg_, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(hwnd_, textMsg_, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return text;
}

std::vector<std::string> ItemList::items() const
{
    std::vector<std::string> result;
    int n = count();
    result.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i)
        result.push_back(itemText(i));
    return result;
}

int textWidthOf(HWND control)
{
    int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), length + 1)));
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

std::string StatusBar::text(int panel) const
{
    LRESULT info = SendMessageA(hwnd_, SB_GETTEXTLENGTHA, static_cast<WPARAM>(panel), 0);
    std::string text(LOWORD(info) + 1u, '\0');
    SendMessageA(hwnd_, SB_GETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

void StatusBar::setText(int panel, const std::string& text)
{
    SendMessageA(hwnd_, SB_SETTEXTA, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace talkpost
