// What happens to a file once it is fetched: left for the updater helper when
// it is an application component, otherwise moved into its target folder,
// LZ-expanded, extracted from a cabinet or patched. Portable.
#pragma once

#include <string>

namespace talkpost::update {

struct FetchedFile {
    std::string name;            // the file name taken from its address
    std::string targetDir;       // empty, or ending with "\\"
    std::string downloadFolder;  // where it was fetched to, ending with "\\"
    std::string localVersion;    // for a patch: the file to patch
    bool compressed = false;
};

struct InstallSettings {
    std::string appComponents;  // [application] appcomps
    bool extractCab = true;
    bool applyPatch = false;
    bool keepIntermediateFiles = false;
    bool logging = true;
};

struct InstallPlan {
    // The name is no plain file name (a folder, a device such as "nul.txt") or
    // the target folder names a device: nothing is installed.
    bool refused = false;
    bool component = false;  // left where it is for the helper; nothing else happens
    bool moveToTarget = false;
    bool lzExpand = false;
    bool extractCabinet = false;
    bool patch = false;
};

// The upper-case extension from the last "." of the last path part, or empty.
std::string upperExtension(const std::string& name);

// A name that is one of the blank-separated names of the component list, as
// the platform compares file names ("talkpost.exe_NEW" does not make "post.exe"
// or "NEW" components).
bool isAppComponent(const std::string& name, const std::string& appComponents);

InstallPlan planInstall(const FetchedFile& file, const InstallSettings& settings);

// "patcher.exe [-v ]<name> <file to patch>[>> UPDATE.LOG]".
std::string enginePatchCommandLine(const std::string& name, const std::string& localVersion, bool logging);

}  // namespace talkpost::update
