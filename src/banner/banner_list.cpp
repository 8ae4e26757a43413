// The banner list's line rules and the rotation order.
#include "banner/banner_list.h"

#include <algorithm>
#include <string_view>

namespace talkpost {

std::vector<std::string> splitBannerLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find_first_of("\r\n", start);
        std::size_t next;
        if (stop == std::string::npos) {
            stop = text.size();
            next = stop;
        } else if (text[stop] == '\r' && stop + 1 < text.size() && text[stop + 1] == '\n') {
            next = stop + 2;
        } else {
            next = stop + 1;
        }
        lines.push_back(text.substr(start, std::min(stop - start, kMaxBannerLineLength)));
        start = next;
    }
    return lines;
}

bool isBannerPicture(const std::string& bytes)
{
    auto startsWith = [&](std::string_view magic) { return bytes.compare(0, magic.size(), magic) == 0; };
    return startsWith("GIF87a") || startsWith("GIF89a") || startsWith("\xff\xd8\xff") ||
           startsWith("\x89PNG\r\n\x1a\n") || startsWith("BM");
}

BannerEntry splitBannerLine(const std::string& line)
{
    std::size_t semicolon = line.find(';');
    if (semicolon == std::string::npos)
        return {std::string(), line};
    return {line.substr(0, semicolon), line.substr(semicolon + 1)};
}

std::string bannerUrl(const std::string& serverBase, const std::string& name)
{
    std::string base = serverBase;
    if (!base.empty() && base.back() == '/')
        base.pop_back();
    return base + "/TALKPOST/" + name;
}

void BannerRotation::load(const std::string& listText)
{
    lines_ = splitBannerLines(listText);
    count_ = static_cast<int>(lines_.size());
    index_ = 0;
}

void BannerRotation::select(const std::string& serverBase)
{
    // An empty list reads as one empty line.
    static const std::string kEmpty;
    const std::string& line =
        index_ >= 0 && index_ < static_cast<int>(lines_.size()) ? lines_[static_cast<std::size_t>(index_)] : kEmpty;
    BannerEntry entry = splitBannerLine(line);
    pictureUrl_ = bannerUrl(serverBase, entry.pictureName);
    link_ = entry.link;
}

void BannerRotation::advance()
{
    if (index_ < count_ - 1)
        ++index_;
    else
        index_ = 0;
}

}  // namespace talkpost
