// The computer list over the combo box's own sorted list.
#include "computers/computer_list_win.h"

#include <algorithm>

#include "base/app_error.h"
#include "computers/computer_order.h"
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
    return text.empty() && std::find(entries_.begin(), entries_.end(), std::string()) != entries_.end();
}

int ComputerList::add(const std::string& text) { return add(text, nullptr); }

int ComputerList::add(const std::string& text, HWND list)
{
    LRESULT index = list != nullptr ? SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()))
                                    : SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
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

namespace {

// The list part of the combo box, nullptr when it cannot be had. The combo
// box hands its list messages on to it unchanged; sent to it directly they
// skip the window procedures hooked onto the combo box, which under Wine
// cost a round trip to the window server for every message.
HWND listPartOf(HWND combo)
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    return GetComboBoxInfo(combo, &info) ? info.hwndList : nullptr;
}

// Whether the texts stand strictly in the order the list keeps: the list's
// own compare (its locale, case ignored) finds every text before the next.
// When it does, inserting them one after the other at the end gives the
// very list that adding them one by one at their sorted places gives.
bool inListOrder(HWND list, const std::vector<std::string>& texts)
{
    LCID locale = static_cast<LCID>(SendMessageA(list, LB_GETLOCALE, 0, 0));
    for (std::size_t i = 1; i < texts.size(); ++i)
        if (CompareStringA(locale, NORM_IGNORECASE, texts[i - 1].c_str(), -1, texts[i].c_str(), -1) != CSTR_LESS_THAN)
            return false;
    return true;
}

}  // namespace

void ComputerList::replaceAll(const std::vector<std::string>& texts)
{
    std::string typed = typedText();
    HWND list = listPartOf(combo_);
    SendMessageA(combo_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
    entries_.clear();
    std::size_t bytes = 0;
    for (const std::string& text : texts)
        bytes += text.size() + 1;
    SendMessageA(combo_, CB_INITSTORAGE, texts.size(), bytes);
    try {
        // Sorted here once, the whole list goes in at the end in one pass.
        // Texts the list would order otherwise (equal but for letter case,
        // or signs its locale weighs differently) are added one by one at
        // their sorted places, as the list itself finds them.
        std::vector<std::string> sorted = sortedComputerNames(texts);
        if (list != nullptr && inListOrder(list, sorted)) {
            for (const std::string& text : sorted)
                if (SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())) <
                    0)
                    throw AppError("Zeile kann nicht eingef\xfcgt werden");
            entries_ = std::move(sorted);
        } else {
            for (const std::string& text : texts)
                add(text, list);
        }
    } catch (...) {
        SendMessageA(combo_, WM_SETREDRAW, TRUE, 0);
        setTypedText(typed);
        throw;
    }
    SendMessageA(combo_, WM_SETREDRAW, TRUE, 0);
    setTypedText(typed);
}

}  // namespace talkpost
