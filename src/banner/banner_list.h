// The banner list and the rotation's bookkeeping: which line is current,
// where its picture lives and where a click leads. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace talkpost {

// Only this many characters of a list line are read.
inline constexpr std::size_t kMaxBannerLineLength = 4096;

// The list's lines: CR LF, a lone CR or a lone LF ends a line; a break at the
// end adds no empty line; every line is cut to kMaxBannerLineLength.
std::vector<std::string> splitBannerLines(const std::string& text);

struct BannerEntry {
    std::string pictureName;  // before the first ";" (empty without one)
    std::string link;         // after the first ";" (the whole line without one)
};
BannerEntry splitBannerLine(const std::string& line);

// True when the bytes begin as a GIF, JPEG, PNG or BMP picture does. Only
// such bytes go to the picture decoder: the platform's loader would also
// take metafiles and icons, which a banner never needs.
bool isBannerPicture(const std::string& bytes);

// The server base with the banner folder and a name: base + "/TALKPOST/" + name.
// One trailing "/" of the base is dropped so "http://h/" and "http://h" agree.
std::string bannerUrl(const std::string& serverBase, const std::string& name);

class BannerRotation {
public:
    // StartBanner's bookkeeping: the lines, their count, the first index.
    void load(const std::string& listText);
    // nextDS's bookkeeping: picture address and link of the current line.
    void select(const std::string& serverBase);
    // TimerTimer's step: the next line, after the last the first.
    void advance();

    int count() const { return count_; }
    int index() const { return index_; }
    const std::string& pictureUrl() const { return pictureUrl_; }
    const std::string& link() const { return link_; }

private:
    std::vector<std::string> lines_;
    int count_ = 0;
    int index_ = 0;
    std::string pictureUrl_;
    std::string link_;
};

}  // namespace talkpost
