// The control wrappers' messages that take more than one line.
#include "win/controls_win.h"

#include "win/text_win.h"
#include "win/window_win.h"

namespace talkpost {

std::string Control::text() const { return windowText(hwnd_); }

void Control::setText(const std::string& text) const { SetWindowTextW(hwnd_, widen(text).c_str()); }

LRESULT Control::sendText(UINT msg, WPARAM wparam, const std::string& text) const
{
    std::wstring wide = widen(text);
    return SendMessageW(hwnd_, msg, wparam, reinterpret_cast<LPARAM>(wide.c_str()));
}

int ItemList::count() const { return static_cast<int>(send(messages_.count)); }

std::string ItemList::itemText(int index) const
{
    LRESULT length = SendMessageW(hwnd(), messages_.length, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT got = SendMessageW(hwnd(), messages_.text, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return narrow(text);
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

void ToolBar::setButtonWidth(int command, int width) const
{
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_SIZE;
    info.cx = static_cast<WORD>(width);
    sendPointer(TB_SETBUTTONINFOA, static_cast<WPARAM>(command), &info);
}

void ToolBar::setButtonText(int command, const std::string& text) const
{
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<char*>(text.c_str());
    sendPointer(TB_SETBUTTONINFOA, static_cast<WPARAM>(command), &info);
}

std::string ToolBar::buttonText(int command) const
{
    char buffer[256] = {};
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    info.pszText = buffer;
    info.cchText = sizeof buffer;
    sendPointer(TB_GETBUTTONINFOA, static_cast<WPARAM>(command), &info);
    return buffer;
}

std::string StatusBar::text(int panel) const
{
    LRESULT info = send(SB_GETTEXTLENGTHW, static_cast<WPARAM>(panel));
    std::wstring text(LOWORD(info) + 1u, L'\0');
    sendPointer(SB_GETTEXTW, static_cast<WPARAM>(panel), text.data());
    text.resize(LOWORD(info));
    return narrow(text);
}

int textWidth(HWND control, const std::string& text)
{
    HDC dc = GetDC(control);
    if (dc == nullptr)
        return 0;
    HGDIOBJ old = SelectObject(dc, Control(control).font());
    SIZE size{};
    std::wstring wide = widen(text);
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

int textWidthOf(HWND control) { return textWidth(control, Control(control).text()); }

}  // namespace talkpost
