// Putting a new file in place of an old one in one step, so that the old file
// is never gone before the new one is there.
#pragma once

#include <string>

namespace talkpost::update {

struct ReplaceRetry {
    int attempts = 9;       // first try and retries while the old file is locked
    unsigned pauseMs = 250;  // about two seconds in all
};

// Moves newFile over target (replace-existing, write-through), retrying while
// target is in use. Returns 0, or the platform's error code of the last try:
// then target is unchanged and newFile stays where it was. Across volumes the
// new file is first copied beside the target and then moved over it.
unsigned long replaceFile(const std::string& newFile, const std::string& target, const ReplaceRetry& retry = {});

}  // namespace talkpost::update
