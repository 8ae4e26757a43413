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
    std::string helperPath;   // where the helper was written
    bool started = false;     // the helper has taken over the update's folder
};

// How long the helper may take to say that it holds the update's folder: a
// start under load takes a few seconds; a helper that takes longer is ended.
inline constexpr DWORD kHelperStartMs = 20000;

// The restart's hand-over: unpacks the helper into the update's own folder
// (launch.downloadFolder) and starts it by its full path with the helper's
// command line; it inherits the current directory. started is true only
// once the helper has set its event (it then holds the folder); the caller
// may then end the application. A helper that did not answer is ended.
// listSha256: the value of the list writeHelperList wrote.
UpdaterSpawn spawnUpdater(const HelperLaunch& launch, const std::string& listSha256, HMODULE module = nullptr);

// Writes the helper's list into the update's folder and returns its SHA-256
// (nothing when it cannot be written).
std::optional<std::string> writeHelperList(const std::string& folder, const std::string& bytes);

}  // namespace talkpost::update
