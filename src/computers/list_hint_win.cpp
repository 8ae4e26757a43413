// The list box's hint tooltip.
#include "computers/list_hint_win.h"

#include <commctrl.h>
#include <uxtheme.h>

namespace talkpost {
namespace {

constexpr UINT_PTR kToolId = 1;

TOOLINFOA toolOf(HWND list)
{
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = list;
    tool.uId = kToolId;
    GetClientRect(list, &tool.rect);
    return tool;
}

}  // namespace

ListHint::ListHint(HWND list, COLORREF color) : list_(list)
{
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(list, GA_ROOT),
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    if (tip_ == nullptr)
        return;
    // Without the theme the tip shows the hint colour it is given.
    SetWindowTheme(tip_, L"", L"");
    TOOLINFOA tool = toolOf(list_);
    tool.uFlags = TTF_TRANSPARENT;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, 2000);
    setColor(color);
}

ListHint::~ListHint()
{
    if (tip_ != nullptr && IsWindow(tip_))
        DestroyWindow(tip_);
}

void ListHint::setColor(COLORREF color)
{
    if (tip_ != nullptr)
        SendMessageA(tip_, TTM_SETTIPBKCOLOR, color, 0);
}

void ListHint::pop()
{
    if (tip_ != nullptr)
        SendMessageA(tip_, TTM_POP, 0, 0);
}

void ListHint::fitToList()
{
    if (tip_ == nullptr)
        return;
    TOOLINFOA tool = toolOf(list_);
    SendMessageA(tip_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void ListHint::relay(UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (tip_ == nullptr || msg < WM_MOUSEFIRST || msg > WM_MOUSELAST)
        return;
    MSG relayed{list_, msg, wparam, lparam, 0, {}};
    SendMessageA(tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void ListHint::moveTo(POINT screen)
{
    if (tip_ != nullptr)
        SetWindowPos(tip_, nullptr, screen.x, screen.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace talkpost
