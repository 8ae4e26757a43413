// The restart through the updater helper.
#include "update/engine/restart_win.h"

#include "update/install/helper_list.h"
#include "update/install/install_restart.h"
#include "update/install/updater_resource_win.h"
#include "win/folders_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {

const char* const kHelperNotStartedText =
    "The updater helper could not be started. The update was undone; Talkpost goes on with its current version.";

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
    if (!application_.silentRestart) {
        int answer = IDNO;
        host_.onWindowThread([&] {
            answer = prompts_.box(host_.promptOwner(), statusText(message::kAskShutdown), kConfirmationCaption,
                                  MB_YESNO | MB_ICONQUESTION);
        });
        if (answer != IDYES)
            return;
    }

    HelperLaunch launch;
    launch.processId = GetCurrentProcessId();
    launch.logging = settings_.logging;
    launch.currentDirectory = folder;
    launch.appCommand = application_.appCommand;
    launch.downloadFolder = host_.downloadFolder();
    launch.appComponents = application_.appComponents;
    // The helper accepts only the files of this list, and the list only with
    // the value given on its command line.
    HelperList list{host_.publicationSerial(), host_.updateName(), installation_.helperFiles()};
    auto listValue = writeHelperList(launch.downloadFolder, composeHelperList(list));
    host_.reportStatus(message::kSpawn, helperCommandLine(launch, listValue.value_or(std::string())));
    UpdaterSpawn spawn = listValue ? spawnUpdater(launch, *listValue) : UpdaterSpawn{};
    if (!spawn.started) {
        host_.reportStatus(message::kHelperNotStarted, spawn.helperPath, kStatusFailed);
        host_.undoUpdate();
        host_.onWindowThread([&] { prompts_.standardError(host_.promptOwner(), kHelperNotStartedText); });
        return;
    }
    // The helper holds the folder now; the components wait there until it
    // has put them in place.
    host_.keepDownloadFolderForHelper();
    host_.onWindowThread([] { PostQuitMessage(0); });
}

}  // namespace talkpost::update
