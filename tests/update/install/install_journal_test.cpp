// The install journal: what a journal's bytes say after a kill at any step,
// and the plan that undoes a pending update or cleans up a done one; the
// helper's list of checked files.
#include <gtest/gtest.h>

#include "update/install/helper_list.h"
#include "update/install/install_journal.h"

namespace talkpost::update {
namespace {

using Kind = RestoreAction::Kind;
const std::string kId = "TPUPD-00ff";

std::string journalOf(std::initializer_list<JournalEntry> entries)
{
    std::string text;
    for (const JournalEntry& e : entries)
        text += journalLine(e);
    return text;
}

std::string describe(const std::vector<RestoreAction>& plan)
{
    std::string text;
    for (const RestoreAction& a : plan) {
        const char* kind = a.kind == Kind::PutBack ? "put back " : a.kind == Kind::Remove ? "remove " : "remove folder ";
        text += kind + (a.kind == Kind::PutBack ? a.from + " > " : std::string()) + a.to + "\n";
    }
    return text;
}

TEST(InstallJournal, LinesReadBackAndACutLastLineNamesNoStep)
{
    std::string text = journalOf({{JournalStep::Folder, "C:\\App\\docs"},
                                  {JournalStep::Replace, "C:\\App\\a b.txt"},
                                  {JournalStep::Create, "C:\\App\\docs\\new.txt"},
                                  {JournalStep::Done, ""}});
    EXPECT_EQ(text, "folder\tC:\\App\\docs\r\nreplace\tC:\\App\\a b.txt\r\ncreate\tC:\\App\\docs\\new.txt\r\ndone\r\n");
    auto entries = parseJournal(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].step, JournalStep::Replace);
    EXPECT_EQ(entries[1].path, "C:\\App\\a b.txt");
    EXPECT_TRUE(journalDone(entries));

    struct Case {
        const char* label;
        std::string bytes;
        std::size_t entries;
    } cases[] = {
        {"killed while the second line was written", "replace\tC:\\App\\a.txt\r\ncreate\tC:\\Ap", 1},
        {"killed before the line end", "replace\tC:\\App\\a.txt", 0},
        {"a step without its path", "replace\r\ncreate\t\r\n", 0},
        {"done with a path", "done\tC:\\x\r\n", 0},
        {"an unknown word", "delete\tC:\\App\\a.txt\r\n", 0},
        {"empty", "", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseJournal(c.bytes).size(), c.entries) << c.label;
    EXPECT_FALSE(journalDone(parseJournal("replace\tC:\\App\\a.txt\r\ndon")));
}

TEST(InstallJournal, APendingUpdateIsUndoneLastStepFirst)
{
    auto entries = parseJournal(journalOf({{JournalStep::Folder, "C:\\App\\docs"},
                                           {JournalStep::Create, "C:\\App\\docs\\new.txt"},
                                           {JournalStep::Replace, "C:\\App\\talkpost.exe"}}));
    EXPECT_EQ(describe(restorePlan(entries, kId)),
              "remove C:\\App\\talkpost.exe.TPUPD-00ff.new\n"
              "remove C:\\App\\talkpost.exe.TPUPD-00ff.part\n"
              "put back C:\\App\\talkpost.exe.TPUPD-00ff.old > C:\\App\\talkpost.exe\n"
              "remove C:\\App\\docs\\new.txt.TPUPD-00ff.new\n"
              "remove C:\\App\\docs\\new.txt\n"
              "remove folder C:\\App\\docs\n");
}

TEST(InstallJournal, ADoneUpdateOnlyLosesItsLeftoverCopies)
{
    auto entries = parseJournal(journalOf({{JournalStep::Folder, "C:\\App\\docs"},
                                           {JournalStep::Create, "C:\\App\\docs\\new.txt"},
                                           {JournalStep::Replace, "C:\\App\\talkpost.exe"},
                                           {JournalStep::Done, ""}}));
    EXPECT_EQ(describe(restorePlan(entries, kId)),
              "remove C:\\App\\talkpost.exe.TPUPD-00ff.new\n"
              "remove C:\\App\\talkpost.exe.TPUPD-00ff.part\n"
              "remove C:\\App\\talkpost.exe.TPUPD-00ff.old\n"
              "remove C:\\App\\docs\\new.txt.TPUPD-00ff.new\n");
    EXPECT_TRUE(restorePlan({}, kId).empty());
}

TEST(HelperList, ReadsBackWhatWasWrittenAndRefusesAnythingElse)
{
    const std::string a(64, 'a'), b = std::string(63, 'B') + "9";
    HelperList list{17, "1.0.0.2", {{"talkpost.exe_NEW", a}, {"help file.chm_NEW", b}}};
    std::string text = composeHelperList(list);
    EXPECT_EQ(text, "TPUPD-LIST 1\r\nserial 17\r\nversion 1.0.0.2\r\nfile " + a + " talkpost.exe_NEW\r\nfile " + b +
                        " help file.chm_NEW\r\n");
    auto read = parseHelperList(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->serial, 17u);
    EXPECT_EQ(read->version, "1.0.0.2");
    EXPECT_EQ(read->sha256Of("TALKPOST.EXE_new"), a);
    EXPECT_EQ(read->sha256Of("help file.chm_NEW"), std::string(63, 'b') + "9");  // taken in lower case
    EXPECT_EQ(read->sha256Of("other.exe"), std::nullopt);

    const std::string head = "TPUPD-LIST 1\r\nserial 1\r\nversion v\r\n";
    struct Case {
        const char* label;
        std::string bytes;
    } refused[] = {
        {"another format", "TPUPD-LIST 2\r\nserial 1\r\nversion v\r\n"},
        {"no serial", "TPUPD-LIST 1\r\nversion v\r\n"},
        {"a serial that is no number", "TPUPD-LIST 1\r\nserial 1x\r\nversion v\r\n"},
        {"two serials", head + "serial 2\r\n"},
        {"a short value", head + "file " + std::string(63, 'a') + " a.exe\r\n"},
        {"a value that is no hex", head + "file " + std::string(63, 'a') + "g a.exe\r\n"},
        {"a name that leaves the folder", head + "file " + a + " ..\\a.exe\r\n"},
        {"a device", head + "file " + a + " nul.txt\r\n"},
        {"no name", head + "file " + a + "\r\n"},
        {"a last line cut short", head + "file " + a + " a.exe"},
        {"an unknown line", head + "run a.exe\r\n"},
    };
    for (const Case& c : refused)
        EXPECT_FALSE(parseHelperList(c.bytes)) << c.label;
}

}  // namespace
}  // namespace talkpost::update
