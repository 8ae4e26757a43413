// What happens to a file once it is fetched: left for the updater helper when
// it is an application component, otherwise moved into its target folder,
// LZ-expanded or extracted from a cabinet. Portable.
#pragma once

#include <string>

namespace talkpost::update {

struct FetchedFile {
    std::string name;            // the file name taken from its address
    std::string targetDir;       // empty, or ending with "\\"
    std::string downloadFolder;  // where it was fetched to, ending with "\\"
    bool compressed = false;
};

struct InstallSettings {
    std::string appComponents;  // [application] appcomps
    bool extractCab = true;
};

struct InstallPlan {
    // The name is no plain file name (a folder, a device such as "nul.txt") or
    // the target folder names a device: nothing is installed.
    bool refused = false;
    bool component = false;  // left where it is for the helper; nothing else happens
    bool moveToTarget = false;
    bool lzExpand = false;
    bool extractCabinet = false;
};

// The upper-case extension from the last "." of the last path part, or empty.
std::string upperExtension(const std::string& name);

// A name that is one of the blank-separated names of the component list, as
// the platform compares file names ("talkpost.exe_NEW" does not make "post.exe"
// or "NEW" components).
bool isAppComponent(const std::string& name, const std::string& appComponents);

// A name that is no plain file name (a folder, a device such as "nul.txt"), or
// a target folder that names a device: such an entry is neither fetched nor
// installed.
bool refusedInstallName(const std::string& name, const std::string& targetDir);

// The raw log line of such an entry: "Refused file name, not installed : " + path.
std::string refusedNameLine(const std::string& path);

// A cabinet (".CAB") is extracted rather than moved; a patch file (".PAT") is
// left where it was fetched: this program applies no patches.
InstallPlan planInstall(const FetchedFile& file, const InstallSettings& settings);

}  // namespace talkpost::update
