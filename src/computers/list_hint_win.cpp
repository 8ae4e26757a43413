// The list box's hint: a tracking tooltip, placed and shown by the list. A
// tracking tip shows when it is told to, so the hint does not depend on the
// tooltip control's own idea of when the pointer rests.
#include "computers/list_hint_win.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "win/controls_win.h"
#include "win/text_win.h"

namespace talkpost {
namespace {

constexpr UINT_PTR kToolId = 1;
// Wide enough for any entry: the tip never wraps a computer name.
constexpr int kMaxTipWidth = 2000;

// The tracking messages the shared tooltip wrapper does not carry.
class TrackingTip : public ToolTip {
public:
    using ToolTip::ToolTip;
    void track(TOOLINFOW& tool, bool on) const
    {
        tool.cbSize = sizeof tool;
        sendPointer(TTM_TRACKACTIVATE, on ? TRUE : FALSE, &tool);
    }
    void trackAt(POINT screen) const { send(TTM_TRACKPOSITION, 0, MAKELPARAM(screen.x, screen.y)); }
};

TOOLINFOW toolOf(HWND list, std::wstring& text)
{
    TOOLINFOW tool{};
    // Transparent to the mouse: a tip lying over the list must not keep the
    // pointer's moves from the list.
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hwnd = list;
    tool.uId = kToolId;
    tool.lpszText = text.data();
    return tool;
}

}  // namespace

ListHint::ListHint(HWND list, COLORREF color) : list_(list)
{
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(list, GA_ROOT),
                           nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tip_ == nullptr)
        return;
    // Without the theme the tip shows the hint colour it is given.
    SetWindowTheme(tip_, L"", L"");
    TOOLINFOW tool = toolOf(list_, text_);
    TrackingTip tip(tip_);
    tip.addTool(tool);
    tip.setMaxWidth(kMaxTipWidth);
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
        ToolTip(tip_).setBackground(color);
}

void ListHint::show(const std::string& text, POINT screen)
{
    if (tip_ == nullptr)
        return;
    TrackingTip tip(tip_);
    text_ = widen(text);
    TOOLINFOW tool = toolOf(list_, text_);
    tip.updateToolText(tool);
    tip.trackAt(screen);
    tip.track(tool, true);
    showing_ = true;
}

void ListHint::hide()
{
    if (tip_ == nullptr || !showing_)
        return;
    TOOLINFOW tool = toolOf(list_, text_);
    TrackingTip(tip_).track(tool, false);
    showing_ = false;
}

}  // namespace talkpost
