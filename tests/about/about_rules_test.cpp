// The about box's version text, name formatting and picture geometry.
#include "about/about_rules.h"

#include <gtest/gtest.h>

namespace talkpost {
namespace {

TEST(AboutVersion, FormatsMajorMinorAndBuild)
{
    struct Case {
        std::uint32_t ms, ls;
        const char* text;
    };
    const Case cases[] = {
        {0x00010002, 0x00030004, "1.2 (Build: 3.4)"},
        {0x00000009, 0x00040005, "0.9 (Build: 4.5)"},
        {0xffffffff, 0x0000ffff, "65535.65535 (Build: 0.65535)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatVersion(c.ms, c.ls), c.text);
}

TEST(AboutCaption, NameIsAnArgumentNotAFormat)
{
    EXPECT_EQ(formatWithName("About %s \xae", "Talkpost"), "About Talkpost \xae");
    EXPECT_EQ(formatWithName("%s \xae", "50%s %d"), "50%s %d \xae");
    EXPECT_EQ(formatWithName("About %s \xae", ""), "About  \xae");
}

TEST(AboutPicture, GrowsTheWindowByTheImageChange)
{
    struct Case {
        bool has;
        int w, h;
        PictureFit fit;
    };
    const Case cases[] = {
        {true, 250, 250, {250, 250, 202, 50, 252, true}},
        {true, 30, 100, {30, 200, -18, 0, 32, true}},   // narrower: smaller; lower: height stays
        {true, 48, 200, {48, 200, 0, 0, 50, true}},
        {false, 0, 0, {0, 0, 0, 0, 2, false}},
    };
    for (const Case& c : cases) {
        PictureFit fit = fitPicture(c.has, c.w, c.h);
        EXPECT_EQ(fit.imageWidth, c.fit.imageWidth) << c.w;
        EXPECT_EQ(fit.imageHeight, c.fit.imageHeight) << c.w;
        EXPECT_EQ(fit.growWidth, c.fit.growWidth) << c.w;
        EXPECT_EQ(fit.growHeight, c.fit.growHeight) << c.w;
        EXPECT_EQ(fit.frameVisible, c.fit.frameVisible) << c.w;
        if (c.has) {
            EXPECT_EQ(fit.frameWidth, c.fit.frameWidth) << c.w;
        }
    }
}

TEST(AboutLayout, ControlsFittedToTheirTextKeepTheirAnchoredEdge)
{
    struct Case {
        unsigned anchors;
        int textWidth;
        Placement fitted;
    };
    const Placement placed{64, 24, 40, 13};
    const Case cases[] = {
        {kAnchorRight | kAnchorTop, 30, placed},                      // fits: unchanged
        {kAnchorRight | kAnchorTop, 38, placed},                      // text plus margin just fits
        {kAnchorRight | kAnchorTop, 50, {52, 24, 52, 13}},            // grows to the left, right edge stays
        {kAnchorRight | kAnchorBottom, 50, {52, 24, 52, 13}},
        {kAnchorLeft | kAnchorTop, 50, {64, 24, 52, 13}},             // grows to the right
        {kAnchorLeft | kAnchorRight | kAnchorTop, 50, {64, 24, 52, 13}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fittedToText(placed, c.anchors, c.textWidth, 2), c.fitted) << c.anchors << " " << c.textWidth;
}

TEST(AboutLayout, AnchoredControlsFollowTheEdges)
{
    struct Case {
        unsigned anchors;
        Placement expected;
    };
    const Placement designed{100, 200, 50, 20};
    const Case cases[] = {
        {kAnchorLeft | kAnchorTop, {100, 200, 50, 20}},
        {kAnchorRight | kAnchorTop, {302, 200, 50, 20}},
        {kAnchorRight | kAnchorBottom, {302, 250, 50, 20}},
        {kAnchorLeft | kAnchorRight | kAnchorBottom, {100, 250, 252, 20}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(anchored(designed, c.anchors, 202, 50), c.expected) << c.anchors;
}

// "Version:" keeps the text column's left edge whatever width its font
// gives it; the version follows it and keeps its right edge.
TEST(AboutLayout, VersionLabelWidensToTheRightAndTheVersionFollows)
{
    struct Case {
        int labelTextWidth;
        VersionLine expected;
    };
    const Placement label{266, 24, 40, 13};
    const Placement value{306, 24, 185, 13};
    const Case cases[] = {
        {30, {label, value}},                                  // fits as designed
        {38, {label, value}},                                  // text plus margin just fits
        {39, {{266, 24, 41, 13}, {307, 24, 184, 13}}},         // one pixel more
        {60, {{266, 24, 62, 13}, {328, 24, 163, 13}}},         // a wide font
        {400, {{266, 24, 402, 13}, {668, 24, 0, 13}}},         // wider than the line: the version has no room left
    };
    for (const Case& c : cases) {
        VersionLine line = layOutVersionLine(label, value, c.labelTextWidth, 2);
        EXPECT_EQ(line.label, c.expected.label) << c.labelTextWidth;
        EXPECT_EQ(line.value, c.expected.value) << c.labelTextWidth;
    }
}

}  // namespace
}  // namespace talkpost
