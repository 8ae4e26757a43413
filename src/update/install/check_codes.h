// The results of the update check, by which the wizard chooses its page and
// its text. Portable. The numbers are the check's result codes, which
// callers also receive as plain integers; write them as CheckCode::DateNewer.
#pragma once

#include <cstdint>

namespace talkpost::update {

enum CheckCode : std::int32_t {
    DateNewer = 6,
    NoNewVersion = 7,
    Unconditional = 8,
    SizeDiffers = 9,
    ChecksumDiffers = 10,
    VersionNewer = 11,
    CustomAccepted = 12,
};

}  // namespace talkpost::update
