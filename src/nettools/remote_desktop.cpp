// The remote desktop command text.
#include "nettools/remote_desktop.h"

#include "base/command_text.h"

namespace talkpost {

std::string remoteDesktopParameters(const std::string& entry) { return "/c mstsc /v:" + entry + " /f"; }

std::optional<std::string> remoteDesktopRefusal(const std::string& entry)
{
    return commandTextRefusal("computer", entry);
}

}  // namespace talkpost
