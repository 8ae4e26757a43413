// The install journal's lines and the plan that undoes them.
#include "update/install/install_journal.h"

#include <algorithm>

namespace talkpost::update {
namespace {

// The words of the journal's lines; a tab separates the word from the path
// (a file name never holds a tab).
struct StepWord {
    JournalStep step;
    const char* word;
};
constexpr StepWord kWords[] = {
    {JournalStep::Folder, "folder"},
    {JournalStep::Replace, "replace"},
    {JournalStep::Create, "create"},
    {JournalStep::Done, "done"},
};

}  // namespace

std::string journalLine(const JournalEntry& entry)
{
    for (const StepWord& w : kWords)
        if (w.step == entry.step)
            return entry.step == JournalStep::Done ? std::string(w.word) + "\r\n"
                                                   : std::string(w.word) + "\t" + entry.path + "\r\n";
    return {};
}

std::vector<JournalEntry> parseJournal(std::string_view bytes)
{
    std::vector<JournalEntry> entries;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find('\n', start)) != std::string_view::npos; start = end + 1) {
        std::string_view line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::size_t tab = line.find('\t');
        std::string_view word = line.substr(0, tab);
        std::string path = tab == std::string_view::npos ? std::string() : std::string(line.substr(tab + 1));
        for (const StepWord& w : kWords) {
            if (word != w.word)
                continue;
            // Every step but Done names a path; one without it does not read.
            if ((w.step == JournalStep::Done) == path.empty())
                entries.push_back({w.step, path});
            break;
        }
    }
    return entries;
}

std::string newCopyBeside(const std::string& target, const std::string& updateId)
{
    return target + "." + updateId + ".new";
}

std::string oldCopyBeside(const std::string& target, const std::string& updateId)
{
    return target + "." + updateId + ".old";
}

std::string partialCopyBeside(const std::string& target, const std::string& updateId)
{
    return target + "." + updateId + ".part";
}

bool journalDone(const std::vector<JournalEntry>& entries)
{
    return std::any_of(entries.begin(), entries.end(),
                       [](const JournalEntry& e) { return e.step == JournalStep::Done; });
}

std::vector<RestoreAction> restorePlan(const std::vector<JournalEntry>& entries, const std::string& updateId)
{
    std::vector<RestoreAction> plan;
    bool done = journalDone(entries);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const JournalEntry& e = *it;
        if (e.step == JournalStep::Done)
            continue;
        if (e.step == JournalStep::Folder) {
            if (!done)
                plan.push_back({RestoreAction::RemoveFolder, {}, e.path});
            continue;
        }
        plan.push_back({RestoreAction::Remove, {}, newCopyBeside(e.path, updateId)});
        if (e.step == JournalStep::Replace) {
            plan.push_back({RestoreAction::Remove, {}, partialCopyBeside(e.path, updateId)});
            if (done)
                plan.push_back({RestoreAction::Remove, {}, oldCopyBeside(e.path, updateId)});
            else
                plan.push_back({RestoreAction::PutBack, oldCopyBeside(e.path, updateId), e.path});
        } else if (!done) {
            plan.push_back({RestoreAction::Remove, {}, e.path});
        }
    }
    return plan;
}

}  // namespace talkpost::update
