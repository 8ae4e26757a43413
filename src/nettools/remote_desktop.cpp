// The remote desktop command text and the rule for the entry it names.
#include "nettools/remote_desktop.h"

#include "base/command_text.h"

namespace talkpost {

std::string remoteDesktopParameters(const std::string& systemFolder, const std::string& entry)
{
    std::string client = systemFolder;
    if (!client.empty() && client.back() != '\\')
        client += '\\';
    client += "mstsc.exe";
    // The interpreter keeps the quotes of a quoted program path as long as
    // the rest of the line holds no further quote, which the entry rule below
    // makes sure of.
    if (client.find_first_of(" &|<>^()") != std::string::npos)
        client = "\"" + client + "\"";
    return "/c " + client + " /v:" + entry + " /f";
}

std::optional<std::string> remoteDesktopRefusal(const std::string& entry)
{
    if (auto refusal = commandTextRefusal("computer", entry))
        return refusal;
    // A blank would end "/v:" there and hand the client what follows as an
    // argument of its own.
    if (entry.find(' ') != std::string::npos)
        return "The computer \"" + entry +
               "\" contains a blank, which would hand the remote desktop client a second argument.";
    return std::nullopt;
}

}  // namespace talkpost
