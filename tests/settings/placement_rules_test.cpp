// The placement texts and what a load makes of them.
#include <gtest/gtest.h>

#include "settings/placement_rules.h"

namespace talkpost::settings {
namespace {

TEST(PlacementText, FourWordsSeparatedByBlanksAndCommas)
{
    const std::array<int, 4> d = {1, 2, 3, 4};
    const std::pair<std::string, std::array<int, 4>> cases[] = {
        {"10,20,30,40", {10, 20, 30, 40}},
        {"10, 20 ,,30   40", {10, 20, 30, 40}},
        {"-8,-8,-1,-1", {-8, -8, -1, -1}},
        {"10,20", {10, 20, 3, 4}},
        {"10,x,30,40", {10, 2, 30, 40}},
        {"", {1, 2, 3, 4}},
        {"5,6,7,8,9", {5, 6, 7, 8}},
    };
    for (const auto& [text, values] : cases)
        EXPECT_EQ(parseFourWords(text, d), values) << text;
    EXPECT_EQ(formatFour(-1, 0, 800, 600), "-1,0,800,600");
}

TEST(PlacementDecision, RestoresThePositionOnlyWhenTheRulesAllow)
{
    Placement current;
    current.flags = 0;
    current.normal = {100, 100, 400, 300};  // 300 x 200
    struct Case {
        const char* what;
        StoredPosition stored;
        bool sizeable;
        std::optional<Rect> normal;
    };
    const Case cases[] = {
        {"sizeable window takes the whole rectangle", {0, "", "10,20,510,420", 96}, true, Rect{10, 20, 510, 420}},
        {"fixed window keeps its size", {0, "", "10,20,510,420", 96}, false, Rect{10, 20, 310, 220}},
        {"right not greater than left", {0, "", "50,20,50,420", 96}, true, std::nullopt},
        {"right below left", {0, "", "50,20,10,420", 96}, true, std::nullopt},
        {"other pixels per inch", {0, "", "10,20,510,420", 120}, true, std::nullopt},
        {"no text at all", {0, "", "", 96}, true, std::nullopt},
        {"only the min/max text keeps the current rectangle", {0, "-1,-1,-8,-8", "", 96}, true,
         Rect{100, 100, 400, 300}},
        {"missing words give the current rectangle's", {0, "", "10,20", 96}, true, Rect{10, 20, 400, 300}},
    };
    for (const auto& c : cases) {
        auto placement = restoredPlacement(current, c.stored, 96, c.sizeable);
        ASSERT_EQ(placement.has_value(), c.normal.has_value()) << c.what;
        if (placement) {
            EXPECT_EQ(placement->normal, *c.normal) << c.what;
        }
    }
}

TEST(PlacementDecision, TakesFlagsAndMinMaxPositions)
{
    Placement current;
    current.normal = {0, 0, 100, 100};
    auto placement = restoredPlacement(current, {2, "-32000,-32000,-4,-4", "0,0,100,100", 96}, 96, true);
    ASSERT_TRUE(placement);
    EXPECT_EQ(placement->flags, 2u);
    EXPECT_EQ(placement->minPosition, (Point{-32000, -32000}));
    EXPECT_EQ(placement->maxPosition, (Point{-4, -4}));
}

TEST(PlacementState, ShowCommandSelectsTheState)
{
    for (int cmd : {1, 5, 9})
        EXPECT_EQ(stateForShowCmd(cmd, WindowState::Maximized), WindowState::Normal) << cmd;
    for (int cmd : {2, 6, 7})
        EXPECT_EQ(stateForShowCmd(cmd, WindowState::Normal), WindowState::Minimized) << cmd;
    EXPECT_EQ(stateForShowCmd(3, WindowState::Normal), WindowState::Maximized);
    for (int cmd : {0, 4, 8, 10, -1})
        EXPECT_EQ(stateForShowCmd(cmd, WindowState::Normal), WindowState::Normal) << cmd;
}

}  // namespace
}  // namespace talkpost::settings
