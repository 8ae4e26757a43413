// Fuzz target: any bytes as the two files an update keeps in its own folder,
// which other processes of the user can write to: the install journal and
// the updater helper's list of checked files.
#include <string>

#include "fuzz/fuzz_check.h"
#include "update/install/helper_list.h"
#include "update/install/install_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost::update;
    const std::string text = talkpost::fuzz::textOf(data, size);

    // A journal reads back the same after it is written again, and its plan
    // touches only the paths it names and the copies beside them.
    const auto entries = parseJournal(text);
    std::string again;
    for (const JournalEntry& entry : entries)
        again += journalLine(entry);
    FUZZ_CHECK(parseJournal(again).size() == entries.size());
    for (const RestoreAction& action : restorePlan(entries, "TPUPD-00")) {
        bool named = false;
        for (const JournalEntry& entry : entries)
            named = named || (!entry.path.empty() && action.to.rfind(entry.path, 0) == 0);
        FUZZ_CHECK(named);
    }

    // A list that reads is written back to the same bytes' meaning.
    if (const auto list = parseHelperList(text)) {
        const auto back = parseHelperList(composeHelperList(*list));
        FUZZ_CHECK(back.has_value());
        FUZZ_CHECK(back->serial == list->serial && back->version == list->version);
        FUZZ_CHECK(back->files.size() == list->files.size());
        for (const HelperListFile& file : list->files)
            FUZZ_CHECK(file.sha256.size() == 64);
    }
    return 0;
}
