// The restart through the updater helper.
#include "update/engine/restart_win.h"

#include "update/install/install_restart.h"
#include "update/install/updater_resource_win.h"
#include "win/folders_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {

bool Restart::restartRequired() const
{
    return update::restartRequired(application_.appUpdate, host_.cancelled(), installation_.appComponentLoaded());
}

void Restart::restartApplication()
{
    const std::string folder = currentDirectory();
    host_.reportStatus(message::kRestartInDirectory, folder);
    if (host_.cancelRequested()) {
        host_.reportStatus(message::kUpdateCancelled);
        return;
    }
    if (!application_.silentRestart && prompts().box(host_.promptOwner(), statusText(message::kAskShutdown),
                                                     kConfirmationCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    HelperLaunch launch;
    launch.processId = GetCurrentProcessId();
    launch.logging = settings_.logging;
    launch.currentDirectory = folder;
    launch.appCommand = application_.appCommand;
    launch.downloadFolder = host_.downloadFolder();
    launch.appComponents = application_.appComponents;
    host_.reportStatus(message::kSpawn, helperCommandLine(launch));
    spawnUpdater(launch);
    // The components wait in the folder until the helper has put them in place.
    host_.keepDownloadFolderForHelper();
    PostQuitMessage(0);
}

}  // namespace talkpost::update
