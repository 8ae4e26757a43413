// The restart through the updater helper: when it is due and the helper's
// command line. Portable.
#pragma once

#include <string>

namespace talkpost::update {

// RestartRequired: the update is on, not cancelled, and a component was fetched.
bool restartRequired(bool appUpdate, bool cancelled, bool appComponentLoaded);

// The text enclosed in double quotes when it contains a blank.
std::string quotedWhenBlank(const std::string& text);

struct HelperLaunch {
    unsigned long processId = 0;
    bool logging = true;
    std::string currentDirectory;  // the application's folder
    std::string appCommand;        // the application's file name (and parameters)
    std::string downloadFolder;    // where the components wait
    std::string appComponents;     // blank-separated component names
};

// id + " L " (or " X ") + the application's command + " " + folder + " " +
// "sha256=" + the value of the helper's list of files + " " + components
// (without a list value the part "sha256=..." is left out, and the helper
// installs nothing).
std::string helperCommandLine(const HelperLaunch& launch, const std::string& listSha256 = {});

// The helper's name in the update's own folder, and the name of its compressed copy.
inline constexpr const char* kHelperFileName = "updsetup.exe";
inline constexpr const char* kHelperCompressedName = "updsetup.ex_";

// The argument that carries the list's value: "sha256=" and 64 hex digits.
inline constexpr const char* kListArgumentPrefix = "sha256=";

// The name of the update's own folder: the last part of its path.
std::string updateIdOf(const std::string& folder);
// The events of the hand-over, named after the update's folder: the helper
// sets the first once it holds the folder (the application may then end);
// the program it starts sets the second once its main window is up.
std::string helperStartedEventName(const std::string& folder);
std::string programStartedEventName(const std::string& folder);
// The environment variables through which the program started by the helper
// finds the second event and the helper's process id.
inline constexpr const char* kStartedEventVariable = "TALKPOST_UPDATE_STARTED";
inline constexpr const char* kHelperProcessVariable = "TALKPOST_UPDATE_HELPER";

}  // namespace talkpost::update
