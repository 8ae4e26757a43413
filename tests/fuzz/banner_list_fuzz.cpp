// Fuzz target: any bytes as the banner list, split and rotated through as the
// banner does it.
#include <algorithm>
#include <string>

#include "banner/banner_list.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost;
    const std::string text = fuzz::textOf(data, size);

    const std::vector<std::string> lines = splitBannerLines(text);
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.size() <= kMaxBannerLineLength);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    }

    BannerRotation rotation;
    rotation.load(text);
    FUZZ_CHECK(rotation.count() == static_cast<int>(lines.size()));
    // One round through the list ends where it began; each step shows its own line.
    const int steps = std::min(rotation.count(), 64);
    for (int step = 0; step < steps; ++step) {
        FUZZ_CHECK(rotation.index() == step);
        rotation.select("http://127.0.0.1:8765/");
        const BannerEntry entry = splitBannerLine(lines[static_cast<std::size_t>(step)]);
        FUZZ_CHECK(rotation.link() == entry.link);
        FUZZ_CHECK(rotation.pictureUrl() == "http://127.0.0.1:8765/TALKPOST/" + entry.pictureName);
        rotation.advance();
    }
    if (rotation.count() <= 64)
        FUZZ_CHECK(rotation.index() == 0);
    return 0;
}
