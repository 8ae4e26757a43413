// Which names stored in a cabinet may be written: only names that stay inside
// the destination folder. Portable.
#pragma once

#include <optional>
#include <string>

namespace talkpost::update {

// The stored name as a path below the destination (with "\\" as separator), or
// nullopt when it is empty, absolute, names a drive or stream (":"), climbs
// out with "..", or one of its parts names a device ("NUL", "aux.txt").
std::optional<std::string> safeCabinetEntryPath(const std::string& storedName);

}  // namespace talkpost::update
