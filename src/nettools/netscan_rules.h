// The naming rule of the network scan. Portable.
#pragma once

#include <string>

namespace talkpost {

// A server's remote name as the network presents it ("\\NAME") turned into a
// computer list entry: every backslash removed, wherever it stands.
std::string serverNameFromRemoteName(const std::string& remoteName);

}  // namespace talkpost
