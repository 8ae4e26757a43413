// The restart: the application components wait in the download folder; the
// updater helper puts them in place once this process has ended.
#include <windows.h>

#include "update/engine/status_log.h"
#include "update/engine/update_engine_win.h"
#include "update/install/install_restart.h"
#include "update/install/updater_resource_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {

bool UpdateEngine::restartRequired() const
{
    return update::restartRequired(application_.appUpdate, cancelled_, appComponentLoaded);
}

void UpdateEngine::restartApplication()
{
    char buffer[MAX_PATH * 2] = {};
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    std::string currentDirectory(buffer, length < sizeof buffer ? length : 0);
    reportStatus(959, currentDirectory);
    if (askCancel()) {
        reportStatus(964);
        return;
    }
    bool allow = true;
    if (onAppRestart)
        onAppRestart(*this, allow);
    else if (!application_.silentRestart)
        allow = prompts().box(promptOwner, statusText(911), "Best\xe4tigung", MB_YESNO | MB_ICONQUESTION) == IDYES;
    if (!allow)
        return;

    HelperLaunch launch;
    launch.processId = GetCurrentProcessId();
    launch.logging = settings.logging;
    launch.currentDirectory = currentDirectory;
    launch.appCommand = application_.appCommand;
    launch.downloadFolder = tempFileFolder();
    launch.appComponents = application_.appComponents;
    reportStatus(958, helperCommandLine(launch));
    spawnUpdater(launch);
    if (onAppDoClose)
        onAppDoClose(*this);
    else
        PostQuitMessage(0);
}

}  // namespace talkpost::update
