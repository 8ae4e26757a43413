// The measuring and searching rules of the in-place editing list box, kept
// apart from the control so they can be checked on their own. Portable.
#pragma once

#include <string>
#include <vector>

namespace talkpost {

// Width of the in-place editor for a text of the given width: the text plus a
// margin of 15 pixels, but never wider than the list's client area plus one.
int inPlaceEditorWidth(int textWidth, int listClientWidth);

// Whether an entry is too wide to be read in the list and its hint shows the
// entry's full text instead of the list's own hint.
bool entryNeedsHint(int entryWidth, int listWidth, int scrollWidth);

// The horizontal scroll extent for the widest entry: the entry's width when it
// is wider than the client area, 0 (no horizontal scroll bar) otherwise.
int horizontalExtentFor(int widestEntryWidth, int clientWidth);

// The row selected by Up (step -1) or Down (step +1) from the edited row: the
// neighbour, or the edited row itself at either end.
int neighbourRow(int editedRow, int rowCount, int step);

// The row selected after the row at removedIndex was deleted, given the new
// number of rows: the row now at the same index, or the new last row; -1 when
// the list is empty.
int rowAfterDelete(int removedIndex, int newCount);

enum class TabAlign { Left, Right };
struct TabPosition {
    int position = 0;  // pixels
    TabAlign align = TabAlign::Left;
};

// Tab stops in dialog units for the list: round(4 * position / width of "x"),
// negated for right-aligned stops. One to nineteen positions set stops; none
// or twenty and more set none (empty result). xWidth must be positive.
std::vector<int> tabStopsInDialogUnits(const std::vector<TabPosition>& positions, int xWidth);

// Incremental search. The characters "0" to ":" and "A" to "z" extend the
// lookup text, upper-cased; gives whether the character was taken.
bool appendLookupCharacter(std::string& lookup, char c);

// The first entry whose upper-cased text begins with the lookup text; failing
// that, with searchContained, the first that contains it; -1 when none does.
int findLookupEntry(const std::vector<std::string>& entries, const std::string& lookup, bool searchContained);

}  // namespace talkpost
