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

// id + " L " (or " X ") + the application's command + " " + folder + " " + components.
std::string helperCommandLine(const HelperLaunch& launch);

// The helper's name in the Windows temporary folder, and the name of its compressed copy.
inline constexpr const char* kHelperFileName = "updsetup.exe";
inline constexpr const char* kHelperCompressedName = "updsetup.ex_";

}  // namespace talkpost::update
