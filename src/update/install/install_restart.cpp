// Restart rules and the helper's command line.
#include "update/install/install_restart.h"

#include "update/install/file_names.h"

namespace talkpost::update {

bool restartRequired(bool appUpdate, bool cancelled, bool appComponentLoaded)
{
    return appUpdate && !cancelled && appComponentLoaded;
}

std::string quotedWhenBlank(const std::string& text)
{
    return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
}

std::string helperCommandLine(const HelperLaunch& launch, const std::string& listSha256)
{
    std::string folder = launch.currentDirectory;
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    std::string list = listSha256.empty() ? std::string() : kListArgumentPrefix + listSha256 + " ";
    return std::to_string(launch.processId) + (launch.logging ? " L " : " X ") +
           quotedWhenBlank(folder + launch.appCommand) + " " + quotedWhenBlank(launch.downloadFolder) + " " + list +
           launch.appComponents;
}

std::string updateIdOf(const std::string& folder)
{
    std::string path = folder;
    while (!path.empty() && (path.back() == '\\' || path.back() == '/'))
        path.pop_back();
    return lastPathPart(path);
}

std::string helperStartedEventName(const std::string& folder) { return "Local\\" + updateIdOf(folder) + ".helper"; }

std::string programStartedEventName(const std::string& folder) { return "Local\\" + updateIdOf(folder) + ".started"; }

}  // namespace talkpost::update
