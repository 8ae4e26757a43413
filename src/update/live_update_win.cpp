// The "?" menu's LiveUpdate: until the wizard leads through the whole update,
// the engine checks the server's control file and its signature and the
// outcome is shown as the engine reported it.
#include "update/live_update_win.h"

#include "update/engine/status_log.h"
#include "update/wizard/login_dialog_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {

void configureEngine(UpdateEngine& engine, const std::string& updateServer)
{
    engine.settings = talkpostEngineSettings(updateServer);
    engine.showLogin = showLoginDialog;
}

void liveUpdate(HWND owner, UpdateEngine& engine, const std::string& updateServer)
{
    if (updateServerBase(updateServer).empty()) {
        prompts().information(owner, kNoUpdateServerText);
        return;
    }
    configureEngine(engine, updateServer);
    std::string outcome;
    engine.onStatus = [&outcome](UpdateEngine&, const std::string& text, int, int) { outcome = text; };
    try {
        if (engine.openConnection() == kConnected) {
            int fetched = engine.fetchControlFile();
            outcome = statusText(fetched == kControlFileFetched ? 926 : fetched == kControlFileNotFound ? 925 : 927);
        }
    } catch (...) {
        engine.onStatus = nullptr;
        try {
            engine.closeConnection();
        } catch (...) {  // the failure that got us here is the one to show
        }
        throw;
    }
    engine.onStatus = nullptr;
    engine.closeConnection();
    prompts().information(owner, outcome);
}

}  // namespace talkpost::update
