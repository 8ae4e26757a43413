// LiveUpdate in the "?" menu: the main window's one update engine, the wizard
// that leads through an update over it, and the wizard's English texts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings_file_win.h"
#include "update/engine/update_engine_win.h"
#include "update/wizard/update_wizard_win.h"

namespace talkpost::update {

// The text shown when the settings name no update server.
inline constexpr const char* kNoUpdateServerText = "No update server is configured.";

// The update the updater helper recorded as rolled back, if any.
std::optional<RolledBackUpdate> rolledBackUpdate(const settings::Settings& settings);

// The main window is up: when the updater helper started this program after
// an update, it is told so (it then keeps the update), and once it has ended
// its folder is removed. Does nothing in any other start.
void reportStartedAfterUpdate();

// Gives the engine this program's settings for the server's base address,
// the login dialog (reporting with prompts), and the settings that keep the
// highest serial accepted and the update rolled back.
void configureEngine(UpdateEngine& engine, const std::string& updateServer, settings::SettingsFile& settings,
                     Prompts& prompts);

class LiveUpdate {
public:
    // prompts: where the update, its wizard and its login ask and tell the operator.
    LiveUpdate(settings::SettingsFile& settings, Prompts& prompts);
    LiveUpdate(const LiveUpdate&) = delete;
    LiveUpdate& operator=(const LiveUpdate&) = delete;

    // With no server configured: the information box above, and nothing is
    // fetched. Otherwise the wizard runs over the engine, with the program's
    // own folder as the current directory until it ends.
    void run(HWND owner, const std::string& updateServer);

    UpdateEngine& engine() { return engine_; }
    UpdateWizard& wizard() { return wizard_; }

private:
    settings::SettingsFile& settings_;
    Prompts& prompts_;
    UpdateWizardEnglish english_;
    UpdateWizard wizard_{prompts_};
    // Made watching the wizard's mailbox: the wizard's dialog shows its progress.
    UpdateEngine engine_{prompts_, &wizard_.mailbox()};
};

// The folder of the running program, without a trailing "\".
std::string programFolder();

}  // namespace talkpost::update
