// The naming rule of the network scan.
#include "nettools/netscan_rules.h"

#include <algorithm>

namespace talkpost {

std::string serverNameFromRemoteName(const std::string& remoteName)
{
    std::string name = remoteName;
    name.erase(std::remove(name.begin(), name.end(), '\\'), name.end());
    return name;
}

}  // namespace talkpost
