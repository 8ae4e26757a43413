// The banner list's line rules, the rotation order and the timer's priority names.
#include "banner/banner_list.h"
#include "banner/timer_priority.h"

#include <gtest/gtest.h>

namespace talkpost {
namespace {

TEST(BannerList, SplitsLinesAtEveryKindOfBreak)
{
    using Lines = std::vector<std::string>;
    struct Case {
        std::string text;
        Lines lines;
    };
    const Case cases[] = {
        {"one.gif;L1\r\ntwo.gif;L2\r\nthree.gif;L3\r\n", {"one.gif;L1", "two.gif;L2", "three.gif;L3"}},
        {"one.gif;L1\r\ntwo.gif;L2\r\nthree.gif;L3", {"one.gif;L1", "two.gif;L2", "three.gif;L3"}},
        {"a\rb\nc\r\n", {"a", "b", "c"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"", {}},
        {"\r\n", {""}},
        {" spaced ; kept \t", {" spaced ; kept \t"}},
        {std::string(5000, 'x') + "\ny", {std::string(kMaxBannerLineLength, 'x'), "y"}},
        {std::string("\xe4\xf6;\xfc", 4), {std::string("\xe4\xf6;\xfc", 4)}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(splitBannerLines(c.text), c.lines) << c.text;
}

TEST(BannerList, SplitsPictureNameAndLinkAtTheFirstSemicolon)
{
    struct Case {
        const char* line;
        const char* picture;
        const char* link;
    };
    const Case cases[] = {
        {"x.gif;page;part2", "x.gif", "page;part2"},
        {";only-link", "", "only-link"},
        {"no-separator", "", "no-separator"},
        {"pic.gif;", "pic.gif", ""},
        {"", "", ""},
        {" a.gif ; http://h/ ", " a.gif ", " http://h/ "},
    };
    for (const Case& c : cases) {
        BannerEntry entry = splitBannerLine(c.line);
        EXPECT_EQ(entry.pictureName, c.picture) << c.line;
        EXPECT_EQ(entry.link, c.link) << c.line;
    }
}

TEST(BannerRotation, ShowsTheLinesInOrderAndStartsOverAfterTheLast)
{
    BannerRotation rotation;
    rotation.load("one.gif;L1\r\ntwo.gif;L2\r\nthree.gif;L3\r\n");
    EXPECT_EQ(rotation.count(), 3);
    std::vector<std::string> pictures, links;
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            rotation.advance();
        rotation.select("http://127.0.0.1:8088");
        pictures.push_back(rotation.pictureUrl());
        links.push_back(rotation.link());
    }
    const std::string base = "http://127.0.0.1:8088/TALKPOST/";
    EXPECT_EQ(pictures, (std::vector<std::string>{base + "one.gif", base + "two.gif", base + "three.gif",
                                                  base + "one.gif", base + "two.gif"}));
    EXPECT_EQ(links, (std::vector<std::string>{"L1", "L2", "L3", "L1", "L2"}));
}

TEST(BannerRotation, EmptyListBehavesLikeOneEmptyLine)
{
    BannerRotation rotation;
    rotation.load("");
    EXPECT_EQ(rotation.count(), 0);
    rotation.select("http://h/");
    EXPECT_EQ(rotation.pictureUrl(), "http://h/TALKPOST/");
    EXPECT_EQ(rotation.link(), "");
    rotation.advance();
    EXPECT_EQ(rotation.index(), 0);
}

TEST(BannerList, OnlyGifJpegPngAndBmpBytesGoToTheDecoder)
{
    using namespace std::string_literals;
    struct Case {
        std::string bytes;
        bool decoded;
    } cases[] = {
        {"GIF89a\x14\x00\x1e\x00"s, true},
        {"GIF87a"s, true},
        {"\xff\xd8\xff\xe0\x00\x10JFIF"s, true},
        {"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR"s, true},
        {"BM\x36\x00\x00\x00"s, true},
        {""s, false},
        {"GIF"s, false},
        {"GIF90a"s, false},
        {"gif89a"s, false},
        {"\xff\xd8"s, false},
        {"\x89PNG\r\n"s, false},
        {"B"s, false},
        {"\x00\x00\x01\x00\x01\x00"s, false},               // icon
        {"\x01\x00\x00\x00\x6c\x00\x00\x00"s, false},       // enhanced metafile
        {"\xd7\xcd\xc6\x9a\x00\x00"s, false},                 // placeable metafile
        {"<html>GIF89a"s, false},
        {" GIF89a"s, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isBannerPicture(c.bytes), c.decoded) << testing::PrintToString(c.bytes);
}

TEST(TimerPriority, MapsNamesToThreadPrioritiesAndBack)
{
    const std::pair<TimerPriority, int> table[] = {
        {TimerPriority::Idle, -15},  {TimerPriority::Lowest, -2}, {TimerPriority::Lower, -1},
        {TimerPriority::Normal, 0},  {TimerPriority::Higher, 1},  {TimerPriority::Highest, 2},
        {TimerPriority::TimeCritical, 15},
    };
    for (auto [name, value] : table) {
        EXPECT_EQ(threadPriorityValue(name), value);
        EXPECT_EQ(timerPriorityFromValue(value), name);
    }
    EXPECT_EQ(timerPriorityFromValue(7), TimerPriority::Normal);
    EXPECT_EQ(timerPriorityFromValue(-3), TimerPriority::Normal);
}

}  // namespace
}  // namespace talkpost
