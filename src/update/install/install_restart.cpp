// Restart rules and the helper's command line.
#include "update/install/install_restart.h"

namespace talkpost::update {

bool restartRequired(bool appUpdate, bool cancelled, bool appComponentLoaded)
{
    return appUpdate && !cancelled && appComponentLoaded;
}

std::string quotedWhenBlank(const std::string& text)
{
    return text.find(' ') == std::string::npos ? text : "\"" + text + "\"";
}

std::string helperCommandLine(const HelperLaunch& launch)
{
    std::string folder = launch.currentDirectory;
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    return std::to_string(launch.processId) + (launch.logging ? " L " : " X ") +
           quotedWhenBlank(folder + launch.appCommand) + " " + quotedWhenBlank(launch.downloadFolder) + " " +
           launch.appComponents;
}

}  // namespace talkpost::update
