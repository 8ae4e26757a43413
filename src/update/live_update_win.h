// LiveUpdate in the "?" menu: configures the main window's engine for this
// program's update server and runs the update's steps.
#pragma once

#include <windows.h>

#include <string>

#include "update/engine/update_engine_win.h"

namespace talkpost::update {

// The text shown when the settings name no update server.
inline constexpr const char* kNoUpdateServerText = "No update server is configured.";

// Gives the engine this program's settings for the server's base address
// and the login dialog.
void configureEngine(UpdateEngine& engine, const std::string& updateServer);

// With no server configured: the information box above, and nothing is
// fetched. Otherwise the connection is opened, the control file fetched and
// checked, the connection closed, and the outcome's status text shown.
void liveUpdate(HWND owner, UpdateEngine& engine, const std::string& updateServer);

}  // namespace talkpost::update
