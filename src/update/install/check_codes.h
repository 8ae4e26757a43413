// The results of the update check, by which the wizard chooses its page and
// its text. Portable.
#pragma once

#include <cstdint>

namespace talkpost::update {

enum CheckCode : std::int32_t {
    ucDateNewer = 6,
    ucNoNewVersion = 7,
    ucUnconditional = 8,
    ucSizeDiffers = 9,
    ucChecksumDiffers = 10,
    ucVersionNewer = 11,
    ucCustomAccepted = 12,
};

}  // namespace talkpost::update
