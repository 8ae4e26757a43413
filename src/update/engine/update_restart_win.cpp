// The restart: the application components wait in the download folder; the
// updater helper puts them in place once this process has ended.
#include <windows.h>

#include "update/engine/status_log.h"
#include "update/engine/update_engine_win.h"
#include "update/install/install_restart.h"
#include "update/install/updater_resource_win.h"
#include "win/folders_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {

bool UpdateEngine::restartRequired() const
{
    return update::restartRequired(application_.appUpdate, cancelled_, appComponentLoaded);
}

void UpdateEngine::restartApplication()
{
    const std::string folder = currentDirectory();
    reportStatus(message::kRestartInDirectory, folder);
    if (cancelRequested()) {
        reportStatus(message::kUpdateCancelled);
        return;
    }
    if (!application_.silentRestart &&
        prompts().box(promptOwner, statusText(message::kAskShutdown), "Best\xe4tigung", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;

    HelperLaunch launch;
    launch.processId = GetCurrentProcessId();
    launch.logging = settings.logging;
    launch.currentDirectory = folder;
    launch.appCommand = application_.appCommand;
    launch.downloadFolder = downloadFolder();
    launch.appComponents = application_.appComponents;
    reportStatus(message::kSpawn, helperCommandLine(launch));
    spawnUpdater(launch);
    // The components wait in the folder until the helper has put them in place.
    folder_.keepForHelper();
    PostQuitMessage(0);
}

}  // namespace talkpost::update
