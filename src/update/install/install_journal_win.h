// Putting the files of one update in place under its journal, and undoing
// them: the journal lies in the update's own folder, the old copies beside
// their targets. A file is put in place from bytes read through a handle
// that keeps the source from changing, hashed as they are written beside
// the target; only when they match the value the verified control file gave
// does the new file take the target's name, in one step.
#pragma once

#include <set>
#include <string>

#include "update/install/install_journal.h"

namespace talkpost::update {

// The journal's name in the update's folder.
inline constexpr const char* kJournalName = "install.journal";

class InstallJournal {
public:
    // The journal of the update whose own folder is given (ending in "\");
    // the steps an earlier part of the same update journaled are kept.
    explicit InstallJournal(const std::string& updateFolder);
    InstallJournal(const InstallJournal&) = delete;
    InstallJournal& operator=(const InstallJournal&) = delete;

    // Puts the bytes of source in place of target, making its missing
    // folders. expectedSha256 empty: the bytes are taken as they are.
    // Returns 0, or the platform's error code (ERROR_INVALID_DATA when the
    // bytes do not match their value); target is then unchanged.
    unsigned long putInPlace(const std::string& source, const std::string& expectedSha256, const std::string& target);
    // Every file is in place: the journal says so, then the old copies go.
    void commit();
    // Undoes every step journaled so far; true when all of it was undone.
    bool restore();
    // Nothing was journaled yet.
    bool empty() const { return steps_ == 0; }

private:
    bool append(JournalStep step, const std::string& path);
    unsigned long makeFolders(const std::string& folder);

    std::string folder_;  // ending in "\"
    std::string path_;
    std::string updateId_;
    std::set<std::string> targets_;  // upper case: each target is journaled once
    std::size_t steps_ = 0;
};

// Finishes the journal an update left in its folder (ending in "\"): a
// pending one is undone, a done one has its old copies removed. True when
// there is nothing left to do.
bool finishJournal(const std::string& updateFolder);

}  // namespace talkpost::update
