// Version text, caption formatting and the picture's effect on the about box.
#include "about/about_rules.h"

#include <algorithm>

namespace talkpost {

std::string formatVersion(std::uint32_t fileVersionMS, std::uint32_t fileVersionLS)
{
    auto word = [](std::uint32_t value, int shift) { return std::to_string((value >> shift) & 0xffffu); };
    return word(fileVersionMS, 16) + "." + word(fileVersionMS, 0) + " (Build: " + word(fileVersionLS, 16) + "." +
           word(fileVersionLS, 0) + ")";
}

std::string formatWithName(const std::string& pattern, const std::string& name)
{
    std::size_t at = pattern.find("%s");
    if (at == std::string::npos)
        return pattern;
    return pattern.substr(0, at) + name + pattern.substr(at + 2);
}

PictureFit fitPicture(bool hasPicture, int pictureWidth, int pictureHeight)
{
    constexpr int kDesignedWidth = 48;
    constexpr int kDesignedHeight = 200;
    if (!hasPicture)
        return {0, 0, 0, 0, 2, false};
    int width = pictureWidth;
    int height = std::max(kDesignedHeight, pictureHeight);
    return {width, height, width - kDesignedWidth, height - kDesignedHeight, width + 2, true};
}

Placement fittedToText(Placement placed, unsigned anchors, int textWidth, int margin)
{
    int needed = textWidth + margin;
    if (needed <= placed.width)
        return placed;
    bool keepRight = (anchors & kAnchorRight) != 0 && (anchors & kAnchorLeft) == 0;
    if (keepRight)
        placed.x -= needed - placed.width;
    placed.width = needed;
    return placed;
}

Placement anchored(Placement designed, unsigned anchors, int growWidth, int growHeight)
{
    Placement p = designed;
    if (anchors & kAnchorRight) {
        if (anchors & kAnchorLeft)
            p.width += growWidth;
        else
            p.x += growWidth;
    }
    if (anchors & kAnchorBottom) {
        if (anchors & kAnchorTop)
            p.height += growHeight;
        else
            p.y += growHeight;
    }
    return p;
}

VersionLine layOutVersionLine(Placement label, Placement value, int labelTextWidth, int margin)
{
    label.width = std::max(label.width, labelTextWidth + margin);
    int valueRight = value.x + value.width;
    value.x = std::max(value.x, label.x + label.width);
    value.width = std::max(0, valueRight - value.x);
    return {label, value};
}

}  // namespace talkpost
