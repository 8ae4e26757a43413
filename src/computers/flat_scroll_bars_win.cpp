// The flat scroll bar functions, looked up by name on each use; a missing one is skipped.
#include "computers/flat_scroll_bars_win.h"

#include <commctrl.h>

#include "win/handles_win.h"

namespace talkpost {
namespace {

template <typename Fn>
Fn flatScrollFunction(const char* name)
{
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    if (comctl == nullptr)
        return nullptr;
    return entryPoint<Fn>(comctl, name);
}
using InitializeFlatSBFn = BOOL(WINAPI*)(HWND);
using UninitializeFlatSBFn = HRESULT(WINAPI*)(HWND);
using FlatSBSetScrollPropFn = BOOL(WINAPI*)(HWND, UINT, INT_PTR, BOOL);
using FlatSBSetScrollInfoFn = int(WINAPI*)(HWND, int, LPSCROLLINFO, BOOL);
using FlatSBSetScrollPosFn = int(WINAPI*)(HWND, int, int, BOOL);
using FlatSBShowScrollBarFn = BOOL(WINAPI*)(HWND, int, BOOL);

}  // namespace

bool FlatScrollBars::apply(ScrollStyle style, std::optional<COLORREF> color, int width)
{
    if (style == ScrollStyle::Normal && !color) {
        release();
        return false;
    }
    if (!active_)
        if (auto init = flatScrollFunction<InitializeFlatSBFn>("InitializeFlatSB"))
            active_ = init(window_) != FALSE;
    auto setProp = flatScrollFunction<FlatSBSetScrollPropFn>("FlatSB_SetScrollProp");
    if (!active_ || setProp == nullptr)
        return active_;
    INT_PTR mode = style == ScrollStyle::Flat     ? FSB_FLAT_MODE
                   : style == ScrollStyle::Framed ? FSB_ENCARTA_MODE
                                                  : FSB_REGULAR_MODE;
    setProp(window_, WSB_PROP_VSTYLE, mode, FALSE);
    setProp(window_, WSB_PROP_HSTYLE, mode, FALSE);
    setProp(window_, WSB_PROP_CXVSCROLL, width, FALSE);
    setProp(window_, WSB_PROP_CYHSCROLL, width, FALSE);
    if (color) {
        setProp(window_, WSB_PROP_VBKGCOLOR, static_cast<INT_PTR>(*color), FALSE);
        setProp(window_, WSB_PROP_HBKGCOLOR, static_cast<INT_PTR>(*color), FALSE);
    }
    setProp(window_, WSB_PROP_VSTYLE, mode, TRUE);
    return true;
}

void FlatScrollBars::release()
{
    if (!active_)
        return;
    if (IsWindow(window_))
        if (auto uninit = flatScrollFunction<UninitializeFlatSBFn>("UninitializeFlatSB"))
            uninit(window_);
    active_ = false;
}

void FlatScrollBars::showHorizontal(bool show)
{
    if (active_)
        if (auto flatShow = flatScrollFunction<FlatSBShowScrollBarFn>("FlatSB_ShowScrollBar")) {
            flatShow(window_, SB_HORZ, show);
            return;
        }
    ShowScrollBar(window_, SB_HORZ, show);
}

void FlatScrollBars::syncInfo()
{
    if (!active_)
        return;
    if (auto setInfo = flatScrollFunction<FlatSBSetScrollInfoFn>("FlatSB_SetScrollInfo"))
        for (int bar : {SB_HORZ, SB_VERT}) {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_ALL;
            if (GetScrollInfo(window_, bar, &info))
                setInfo(window_, bar, &info, TRUE);
        }
}

void FlatScrollBars::syncPosition(int bar)
{
    if (active_)
        if (auto setPos = flatScrollFunction<FlatSBSetScrollPosFn>("FlatSB_SetScrollPos"))
            setPos(window_, bar, GetScrollPos(window_, bar), TRUE);
}

}  // namespace talkpost
