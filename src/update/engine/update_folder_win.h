// The download folder of one update: a fresh folder with a random name below
// the temporary folder, made when the update first needs it and removed with
// everything in it when the update ends, whether it succeeded, failed or was
// cancelled. While an update runs, a lock file inside marks its folder as in
// use; the updater helper takes a lock file of its own there before the
// application lets go of its lock, and holds it until it is done. The
// folders of updates that crashed have neither, and the next start removes
// them, after undoing the files their journal names as half put in place.
#pragma once

#include <string>

#include "win/handles_win.h"

namespace talkpost::update {

// The name every update folder begins with.
inline constexpr const char* kUpdateFolderPrefix = "TPUPD-";

class UpdateFolder {
public:
    UpdateFolder() = default;
    ~UpdateFolder() { remove(); }
    UpdateFolder(const UpdateFolder&) = delete;
    UpdateFolder& operator=(const UpdateFolder&) = delete;

    // Removes the leftovers below parent, then makes a new folder there.
    // False when no folder could be made.
    bool create(const std::string& parent);
    bool exists() const { return !path_.empty(); }
    // The folder, ending in "\"; empty before create.
    const std::string& path() const { return path_; }
    // Removes the folder with its content now; files of the update that its
    // journal names as put in place but not done are put back first.
    void remove();
    // Leaves the folder on disk for the updater helper, which takes the
    // application's components from it after this process has ended; the
    // next update removes it.
    void keepForHelper();

private:
    std::string path_;
    UniqueFile lock_;
};

// Removes every update folder below parent that no running update or
// updater helper holds, finishing its journal first.
void removeLeftoverUpdateFolders(const std::string& parent);

// The updater helper's lock on the update's folder (ending in ""), held
// until the handle is closed (or the helper ends); nothing when the folder
// cannot be locked.
UniqueFile lockUpdateFolderForHelper(const std::string& folder);

// Removes a folder with everything in it; true when it is gone.
bool removeFolderTree(const std::string& folder);

}  // namespace talkpost::update
