// The journal of one update's files as they are put in place, and the plan
// that undoes them. Every step is written to the journal before it touches
// {APP}; the old copy of a replaced file is kept beside it under a name made
// from the update's own folder name, so that a restore moves bytes only
// within the folders the update wrote to, never from the update's folder.
// A failure, or a kill at any step, is undone from the journal by whoever
// finds it pending: the update itself, the updater helper, or the next
// start. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talkpost::update {

enum class JournalStep {
    Folder,   // a folder this update made
    Replace,  // a file that existed: its old copy is kept beside it
    Create,   // a file that did not exist
    Done,     // every file is in place: nothing is undone any more
};

struct JournalEntry {
    JournalStep step = JournalStep::Done;
    std::string path;  // the folder or the target file
};

// One line of the journal, with its line end.
std::string journalLine(const JournalEntry& entry);

// The entries of a journal's bytes, in order. A last line without its line
// end was cut short by a kill: the step it names had not begun. Lines that
// do not read are left out.
std::vector<JournalEntry> parseJournal(std::string_view bytes);

// The names a file of this update has beside its target: the new bytes while
// they are written, and the old copy while the update is not done. updateId
// is the name of the update's own folder.
std::string newCopyBeside(const std::string& target, const std::string& updateId);
std::string oldCopyBeside(const std::string& target, const std::string& updateId);
// Where the old copy is written: it takes its name only once it is whole, so
// that a kill never leaves a part to put back.
std::string partialCopyBeside(const std::string& target, const std::string& updateId);

struct RestoreAction {
    enum Kind {
        PutBack,       // move the old copy (from) over the target (to), when the old copy exists
        Remove,        // delete the file (to) when it exists
        RemoveFolder,  // remove the folder (to) when it is empty
    } kind = Remove;
    std::string from;
    std::string to;
};

// What undoes a pending journal, last step first: new copies removed, old
// copies put back, created files removed, created folders removed. For a
// journal that is done: only the old copies and new copies left over are
// removed. Running the plan twice does no harm.
std::vector<RestoreAction> restorePlan(const std::vector<JournalEntry>& entries, const std::string& updateId);

// The journal says every file is in place.
bool journalDone(const std::vector<JournalEntry>& entries);

}  // namespace talkpost::update
