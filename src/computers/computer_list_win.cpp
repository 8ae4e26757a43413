// The computer list over the combo box's own sorted list.
#include "computers/computer_list_win.h"

#include <algorithm>

#include "base/app_error.h"
#include "win/window_win.h"

namespace talkpost {

std::string ComputerList::at(int index) const
{
    return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)] : std::string();
}

int ComputerList::selectedIndex() const { return static_cast<int>(SendMessageA(combo_, CB_GETCURSEL, 0, 0)); }

void ComputerList::select(int index) { SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::string ComputerList::typedText() const { return windowText(combo_); }

void ComputerList::setTypedText(const std::string& text) { SetWindowTextA(combo_, text.c_str()); }

bool ComputerList::isListed(const std::string& text) const
{
    // The control's exact search, case ignored; -1 as the start index
    // searches the whole list from the start.
    if (SendMessageA(combo_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())) >= 0)
        return true;
    // Some list controls never match the empty text; an empty entry is still listed.
    if (text.empty())
        for (int i = 0, n = count(); i < n; ++i)
            if (SendMessageA(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0) == 0)
                return true;
    return false;
}

int ComputerList::add(const std::string& text)
{
    LRESULT index = SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0)
        throw AppError("Zeile kann nicht eingef\xfcgt werden");  // "eingefügt" in the ANSI code page
    entries_.insert(entries_.begin() + std::min<LRESULT>(index, count()), text);
    return static_cast<int>(index);
}

void ComputerList::remove(int index)
{
    if (SendMessageA(combo_, CB_DELETESTRING, static_cast<WPARAM>(index), 0) != CB_ERR && index >= 0 && index < count())
        entries_.erase(entries_.begin() + index);
}

void ComputerList::replaceAll(const std::vector<std::string>& texts)
{
    std::string typed = typedText();
    SendMessageA(combo_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
    entries_.clear();
    std::size_t bytes = 0;
    for (const std::string& text : texts)
        bytes += text.size() + 1;
    SendMessageA(combo_, CB_INITSTORAGE, texts.size(), bytes);
    try {
        for (const std::string& text : texts)
            add(text);
    } catch (...) {
        SendMessageA(combo_, WM_SETREDRAW, TRUE, 0);
        setTypedText(typed);
        throw;
    }
    SendMessageA(combo_, WM_SETREDRAW, TRUE, 0);
    setTypedText(typed);
}

}  // namespace talkpost
