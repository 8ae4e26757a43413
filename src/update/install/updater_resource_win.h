// UnpackUpdater: the updater helper carried as the compressed RCDATA resource
// "UPD", written out and expanded.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "update/install/install_restart.h"

namespace talkpost::update {

// Writes the resource "UPD" of module (nullptr: this program) to folder +
// "updsetup.ex_" and expands it to folder + "updsetup.exe", overwriting an
// existing one; the compressed copy is removed. folder ends with "\\".
// Returns the helper's path, or nullopt when the resource is missing or a
// file cannot be written.
std::optional<std::string> unpackUpdater(const std::string& folder, HMODULE module = nullptr);

struct UpdaterSpawn {
    std::string commandLine;  // for the "Spawn %s" status
    bool started = false;
};

// The restart's hand-over: unpacks the helper into the Windows temporary
// folder and starts it ("open", shown) with the helper's command line; it
// inherits the current directory. The caller then ends the application.
UpdaterSpawn spawnUpdater(const HelperLaunch& launch, HMODULE module = nullptr);

}  // namespace talkpost::update
