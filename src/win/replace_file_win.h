// Putting a new file in place of an old one in one step, so that the old file
// is never gone before the new one is there.
#pragma once

#include <functional>
#include <string>

namespace talkpost {

struct ReplaceRetry {
    int attempts = 9;       // first try and retries while the old file is locked
    unsigned pauseMs = 250;  // about two seconds in all
    // Called with the platform's error code when a try found the old file
    // locked, before the pause and the next try.
    std::function<void(unsigned long code)> locked;
};

// The name a new file has beside its target while it is written or copied:
// in the target's folder, so that putting it in place is a rename within one
// volume. A crash leaves at most this file behind, never a part under target;
// the next write of the same target starts it afresh.
std::string stagedBeside(const std::string& target);

// Writes the file's data through to the disk before it is renamed into place,
// so that a crash after the rename never finds the name without its data.
bool flushToDisk(const std::string& path);

// Moves newFile over target (replace-existing, write-through), retrying while
// target is in use. Returns 0, or the platform's error code of the last try:
// then target is unchanged and newFile stays where it was. Across volumes the
// new file is first copied beside the target and then moved over it.
unsigned long replaceFile(const std::string& newFile, const std::string& target, const ReplaceRetry& retry = {});

}  // namespace talkpost
