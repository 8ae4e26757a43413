// Measuring and searching rules of the in-place editing list box.
#include "computers/inplace_list_rules.h"

#include <algorithm>
#include <cmath>

namespace talkpost {

namespace {

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperCased(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = upper(c);
    return result;
}

}  // namespace

int inPlaceEditorWidth(int textWidth, int listClientWidth) { return std::min(textWidth + 15, listClientWidth + 1); }

bool entryNeedsHint(int entryWidth, int listWidth, int scrollWidth) { return entryWidth > listWidth - scrollWidth; }

int horizontalExtentFor(int widestEntryWidth, int clientWidth)
{
    return widestEntryWidth > clientWidth ? widestEntryWidth : 0;
}

int neighbourRow(int editedRow, int rowCount, int step)
{
    int row = editedRow + step;
    if (row < 0 || row >= rowCount)
        return editedRow;
    return row;
}

int rowAfterDelete(int removedIndex, int newCount)
{
    if (newCount <= 0)
        return -1;
    return std::min(removedIndex, newCount - 1);
}

std::vector<int> tabStopsInDialogUnits(const std::vector<TabPosition>& positions, int xWidth)
{
    std::vector<int> stops;
    if (positions.empty() || positions.size() >= 20 || xWidth <= 0)
        return stops;
    for (const TabPosition& p : positions) {
        int units = static_cast<int>(std::lround(4.0 * p.position / xWidth));
        stops.push_back(p.align == TabAlign::Right ? -units : units);
    }
    return stops;
}

bool appendLookupCharacter(std::string& lookup, char c)
{
    bool taken = (c >= '0' && c <= ':') || (c >= 'A' && c <= 'z');
    if (taken)
        lookup += upper(c);
    return taken;
}

int findLookupEntry(const std::vector<std::string>& entries, const std::string& lookup, bool searchContained)
{
    if (lookup.empty())
        return -1;
    std::string key = upperCased(lookup);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (upperCased(entries[i]).starts_with(key))
            return static_cast<int>(i);
    if (searchContained)
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (upperCased(entries[i]).find(key) != std::string::npos)
                return static_cast<int>(i);
    return -1;
}

}  // namespace talkpost
