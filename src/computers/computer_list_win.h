// ComputerList: the computer list behind the main window's computer field,
// an editable combo box that keeps its entries sorted without regard to case.
// The typed text and the list are kept apart. The entries are also kept here,
// in the control's order, so that reading the whole list (every save) costs
// no message per entry; only this class changes the control's list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "computers/list_merge.h"

namespace talkpost {

class ComputerList {
public:
    explicit ComputerList(HWND comboBox) : combo_(comboBox) {}

    HWND handle() const { return combo_; }

    int count() const { return static_cast<int>(entries_.size()); }
    std::string at(int index) const;
    const std::vector<std::string>& entries() const { return entries_; }
    // Index of the picked entry, -1 when none is picked.
    int selectedIndex() const;
    // Picks the entry; this also sets the typed text to it.
    void select(int index);
    // The text in the field's edit part.
    std::string typedText() const;
    void setTypedText(const std::string& text);

    // Whether the list holds the text, letter case ignored, whole text compared.
    bool isListed(const std::string& text) const;
    // Inserts at the sorted position; throws "Zeile kann nicht eingefügt werden" on refusal.
    int add(const std::string& text);
    void remove(int index);
    // Empties the list and adds every text at its sorted position; the typed text is kept.
    void replaceAll(const std::vector<std::string>& texts);
    // Adds every text at its sorted position (a scan's or an import's new
    // names); the typed text and the picked entry are kept.
    void addMany(const std::vector<std::string>& texts);
    // Adds the merge's new names (addMany). A name with letters past ASCII
    // that the control's own search finds listed (its letter case rules
    // know them) counts as already listed instead.
    void addMerged(ListMerge& merge);

private:
    // Adds through the combo box, or straight to its list part when given.
    int add(const std::string& text, HWND list);

    HWND combo_;
    std::vector<std::string> entries_;
};

}  // namespace talkpost
