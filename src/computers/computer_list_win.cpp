// The computer list over the combo box's own sorted list.
#include "computers/computer_list_win.h"

#include <algorithm>

#include "base/app_error.h"
#include "computers/computer_order.h"
#include "win/controls_win.h"
#include "win/text_win.h"

namespace talkpost {

std::string ComputerList::at(int index) const
{
    return index >= 0 && index < count() ? entries_[static_cast<std::size_t>(index)] : std::string();
}

int ComputerList::selectedIndex() const { return ComboBox(combo_).selected(); }

void ComputerList::select(int index) { ComboBox(combo_).select(index); }

std::string ComputerList::typedText() const { return ComboBox(combo_).text(); }

void ComputerList::setTypedText(const std::string& text) { ComboBox(combo_).setText(text); }

bool ComputerList::isListed(const std::string& text) const
{
    // The control's exact search, case ignored, over the whole list.
    if (ComboBox(combo_).findExact(text) >= 0)
        return true;
    // Some list controls never match the empty text; an empty entry is still listed.
    return text.empty() && std::find(entries_.begin(), entries_.end(), std::string()) != entries_.end();
}

int ComputerList::add(const std::string& text) { return add(text, nullptr); }

int ComputerList::add(const std::string& text, HWND list)
{
    int index = list != nullptr ? ListBox(list).add(text) : ComboBox(combo_).add(text);
    if (index < 0)
        throw AppError(kRowNotInsertedText);
    entries_.insert(entries_.begin() + std::min(index, count()), text);
    return index;
}

void ComputerList::remove(int index)
{
    if (ComboBox(combo_).remove(index) && index >= 0 && index < count())
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
    return ComboBox(combo).parts(info) ? info.hwndList : nullptr;
}

// Whether the texts stand strictly in the order the list keeps: the list's
// own compare (its locale, case ignored) finds every text before the next.
// When it does, inserting them one after the other at the end gives the
// very list that adding them one by one at their sorted places gives.
bool inListOrder(HWND list, const std::vector<std::string>& texts)
{
    LCID locale = ListBox(list).locale();
    for (std::size_t i = 1; i < texts.size(); ++i)
        if (CompareStringW(locale, NORM_IGNORECASE, widen(texts[i - 1]).c_str(), -1, widen(texts[i]).c_str(), -1) !=
            CSTR_LESS_THAN)
            return false;
    return true;
}

}  // namespace

void ComputerList::replaceAll(const std::vector<std::string>& texts)
{
    std::string typed = typedText();
    HWND list = listPartOf(combo_);
    ComboBox combo(combo_);
    combo.setRedraw(false);
    combo.clear();
    entries_.clear();
    std::size_t bytes = 0;
    for (const std::string& text : texts)
        bytes += text.size() + 1;
    combo.reserve(texts.size(), bytes);
    try {
        // Sorted here once, the whole list goes in at the end in one pass.
        // Texts the list would order otherwise (equal but for letter case,
        // or signs its locale weighs differently) are added one by one at
        // their sorted places, as the list itself finds them.
        std::vector<std::string> sorted = sortedComputerNames(texts);
        if (list != nullptr && inListOrder(list, sorted)) {
            for (const std::string& text : sorted)
                if (ListBox(list).insert(-1, text) < 0)
                    throw AppError(kRowNotInsertedText);
            entries_ = std::move(sorted);
        } else {
            for (const std::string& text : texts)
                add(text, list);
        }
    } catch (...) {
        combo.setRedraw(true);
        setTypedText(typed);
        throw;
    }
    combo.setRedraw(true);
    setTypedText(typed);
}

void ComputerList::addMany(const std::vector<std::string>& texts)
{
    // A few go in one by one; more, and the whole list is rebuilt in one
    // pass, which costs less than moving the entries behind each new one.
    constexpr std::size_t kOneByOne = 16;
    if (texts.size() <= kOneByOne) {
        for (const std::string& text : texts)
            add(text);
        return;
    }
    int picked = selectedIndex();
    std::string pickedText = at(picked);
    std::string typed = typedText();
    std::vector<std::string> all;
    all.reserve(entries_.size() + texts.size());
    all = entries_;
    all.insert(all.end(), texts.begin(), texts.end());
    replaceAll(all);
    if (picked >= 0) {
        auto found = std::find(entries_.begin(), entries_.end(), pickedText);
        if (found != entries_.end()) {
            select(static_cast<int>(found - entries_.begin()));
            setTypedText(typed);
        }
    }
}

void ComputerList::addMerged(ListMerge& merge)
{
    auto listedHere = [this](const std::string& name) {
        bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        return !ascii && isListed(name);
    };
    auto listed = std::remove_if(merge.added.begin(), merge.added.end(), listedHere);
    merge.alreadyListed += static_cast<std::size_t>(merge.added.end() - listed);
    merge.added.erase(listed, merge.added.end());
    addMany(merge.added);
}

}  // namespace talkpost
