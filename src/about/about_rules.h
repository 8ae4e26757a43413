// The about box's texts and geometry: the version text, the caption built
// with the application name, how the picture grows the window and how the
// anchored controls follow. Portable.
#pragma once

#include <cstdint>
#include <string>

namespace talkpost {

// "%d.%d (%s: %d.%d)" from the file version's two double words, with "Build".
std::string formatVersion(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS);

// The pattern's "%s" replaced by the name; the name is an argument, so a "%"
// in it stays as it is.
std::string formatWithName(const std::string& pattern, const std::string& name);

struct PictureFit {
    int imageWidth;
    int imageHeight;
    int growWidth;   // how much wider the window gets (negative: narrower)
    int growHeight;
    int frameWidth;  // the frame around the picture
    bool frameVisible;
};

// The image control is designed 48 × 200. A picture sets its width and raises
// (never lowers) its height; no picture makes it 0 × 0 and hides the frame.
PictureFit fitPicture(bool hasPicture, int pictureWidth, int pictureHeight);

enum Anchor : unsigned { kAnchorLeft = 1, kAnchorTop = 2, kAnchorRight = 4, kAnchorBottom = 8 };

struct Placement {
    int x, y, width, height;
    bool operator==(const Placement&) const = default;
};

// Where a control ends up when the window grows: anchored right only, it
// moves with the right edge; anchored left and right, it stretches; the same
// for bottom and top.
Placement anchored(Placement designed, unsigned anchors, int growWidth, int growHeight);

// A control widened to hold its text (text width plus margin), never made
// narrower than placed. It keeps the edge it is anchored to: anchored right
// only, it grows to the left; otherwise to the right.
Placement fittedToText(Placement placed, unsigned anchors, int textWidth, int margin);

// "Version:" and the version on one line of the text column. The label keeps
// its left edge (the column's, clear of the picture) and widens to the right
// for its text (text width plus margin); the version follows it, keeping its
// right edge, so neither runs into the other nor into the picture.
struct VersionLine {
    Placement label;
    Placement value;
};
VersionLine layOutVersionLine(Placement label, Placement value, int labelTextWidth, int margin);

}  // namespace talkpost
