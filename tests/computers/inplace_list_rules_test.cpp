// The measuring and searching rules of the in-place list box.
#include "computers/inplace_list_rules.h"

#include <gtest/gtest.h>

namespace talkpost {
namespace {

TEST(InPlaceListRules, EditorWidthFollowsTextUpToClientWidthPlusOne)
{
    struct Case {
        int text, client, expected;
    } cases[] = {
        {0, 252, 15}, {100, 252, 115}, {237, 252, 252}, {238, 252, 253}, {239, 252, 253}, {5000, 252, 253},
    };
    for (const Case& c : cases)
        EXPECT_EQ(inPlaceEditorWidth(c.text, c.client), c.expected) << c.text << " in " << c.client;
}

TEST(InPlaceListRules, HintAndExtentOnlyForEntriesWiderThanTheList)
{
    EXPECT_FALSE(entryNeedsHint(256, 273, 17));
    EXPECT_TRUE(entryNeedsHint(257, 273, 17));
    EXPECT_EQ(horizontalExtentFor(252, 252), 0);
    EXPECT_EQ(horizontalExtentFor(253, 252), 253);
}

TEST(InPlaceListRules, UpAndDownStopAtTheEnds)
{
    struct Case {
        int edited, count, step, expected;
    } cases[] = {
        {0, 3, -1, 0}, {1, 3, -1, 0}, {1, 3, 1, 2}, {2, 3, 1, 2}, {0, 1, 1, 0}, {0, 1, -1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(neighbourRow(c.edited, c.count, c.step), c.expected) << c.edited << " step " << c.step;
}

TEST(InPlaceListRules, AfterDeleteTheRowAtTheSameIndexOrTheNewLastIsSelected)
{
    EXPECT_EQ(rowAfterDelete(0, 2), 0);
    EXPECT_EQ(rowAfterDelete(1, 2), 1);
    EXPECT_EQ(rowAfterDelete(2, 2), 1);
    EXPECT_EQ(rowAfterDelete(0, 0), -1);
}

TEST(InPlaceListRules, TabStopsAreDialogUnitsOfTheXWidthAndRightStopsNegated)
{
    EXPECT_EQ(tabStopsInDialogUnits({{50, TabAlign::Left}, {100, TabAlign::Right}}, 6),
              (std::vector<int>{33, -67}));
    EXPECT_TRUE(tabStopsInDialogUnits({}, 6).empty());
    std::vector<TabPosition> nineteen(19, {10, TabAlign::Left});
    EXPECT_EQ(tabStopsInDialogUnits(nineteen, 6).size(), 19u);
    std::vector<TabPosition> twenty(20, {10, TabAlign::Left});
    EXPECT_TRUE(tabStopsInDialogUnits(twenty, 6).empty());
    EXPECT_TRUE(tabStopsInDialogUnits({{10, TabAlign::Left}}, 0).empty());
}

TEST(InPlaceListRules, LookupTakesDigitsColonAndLettersUpperCased)
{
    std::string lookup;
    for (char c : std::string("r0:z "))
        appendLookupCharacter(lookup, c);
    EXPECT_EQ(lookup, "R0:Z");
    EXPECT_FALSE(appendLookupCharacter(lookup, '.'));
    EXPECT_FALSE(appendLookupCharacter(lookup, '{'));
    EXPECT_FALSE(appendLookupCharacter(lookup, '\xe4'));
    EXPECT_EQ(lookup, "R0:Z");
}

TEST(InPlaceListRules, LookupFindsPrefixFirstThenContainedText)
{
    std::vector<std::string> entries{"*", "alpha", "Remote01", "xremote"};
    EXPECT_EQ(findLookupEntry(entries, "REM", false), 2);
    EXPECT_EQ(findLookupEntry(entries, "rem", false), 2);
    EXPECT_EQ(findLookupEntry(entries, "MOTE", false), -1);
    EXPECT_EQ(findLookupEntry(entries, "MOTE", true), 2);
    EXPECT_EQ(findLookupEntry(entries, "LPH", true), 1);
    EXPECT_EQ(findLookupEntry(entries, "Q", true), -1);
    EXPECT_EQ(findLookupEntry(entries, "", true), -1);
}

}  // namespace
}  // namespace talkpost
