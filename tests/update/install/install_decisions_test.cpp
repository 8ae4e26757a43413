// The update check over a table of control files: the date first, then
// unconditional, then checksum over size over version, the custom handler
// last; and the file filter's decision for one entry.
#include <gtest/gtest.h>

#include <map>

#include "update/engine/status_log.h"
#include "update/install/install_decisions.h"

namespace talkpost::update {
namespace {

const std::string kApp = "C:\\app\\talkpost.exe";

// The installed program: version 2.0.1.2, 1000 bytes, written on 1 March 2009 at noon.
struct Installed {
    DateTime written = *encodeDateTime({2009, 3, 1, 12, 0, 0});
    LocalFileProbe probe() const
    {
        auto here = [](const std::string& p) { return p == kApp; };
        return {here, [here](const std::string& p) { return here(p) ? 123456 : 0; },
                [here](const std::string& p) { return here(p) ? 99 : -1; },
                [here](const std::string& p) { return here(p) ? 1000 : -1; },
                [here](const std::string& p) { return here(p) ? makeVersion(2, 0, 1, 2) : VersionValue{}; }};
    }
    std::optional<DateTime> lastWrite(const std::string& p) const
    {
        return p == kApp ? std::optional<DateTime>(written) : std::nullopt;
    }
};

UpdateSection section(const char* date, const char* time, const std::string& local, const char* unconditional = "",
                      const char* version = "", std::int32_t size = 0, std::int32_t checksum = -1)
{
    UpdateSection u;
    u.date = date;
    u.time = time;
    u.localVersion = local;
    u.unconditional = unconditional;
    u.newVersion = version;
    u.newSize = size;
    u.newChecksum = checksum;
    return u;
}

UpdateSection described(const char* descr, UpdateSection u)
{
    u.descr = descr;
    return u;
}

FileEntryValues fileEntry(const std::string& local, const char* version, const char* date = "")
{
    FileEntryValues e;
    e.url = "u";
    e.localVersion = local;
    e.newVersion = version;
    e.newDate = date;
    return e;
}

struct Recorded {
    std::vector<int> numbers;
    std::vector<std::string> arguments;
    StatusSink sink()
    {
        return [this](int n, const std::string& a, std::int32_t) {
            numbers.push_back(n);
            arguments.push_back(a);
        };
    }
};

CheckEnvironment environment(const Installed& installed)
{
    CheckEnvironment env;
    env.probe = installed.probe();
    env.localReferenceDate = [&installed](const std::string& f) {
        return localReferenceDate(f, [&installed](const std::string& p) { return installed.lastWrite(p); });
    };
    env.shortDate = [](DateTime d) {
        CalendarTime t = decodeDateTime(d);
        return logTimestamp({t.year, t.month, t.day, t.hour, t.minute, t.second}, ".", ":").substr(0, 10);
    };
    return env;
}

TEST(CheckUpdateEntry, DecidesInItsOrderOverATableOfControlFiles)
{
    struct Case {
        const char* label;
        UpdateSection update;
        CheckCode code;
        std::vector<int> statuses;
    } cases[] = {
        {"later date wins over an older version", section("24.12.2009", "", kApp, "", "1.0"), CheckCode::DateNewer, {928, 929}},
        {"later time on the same day", section("01.03.2009", "12:30", kApp, "", ""), CheckCode::DateNewer, {928, 929}},
        {"date of 1980 falls through to the version", section("01.01.1980", "", kApp, "", "2.0.1.3"), CheckCode::VersionNewer,
         {928, 930, 933, 944, 929}},
        {"unreadable date counts as 1980", section("Christmas", "", kApp, "", ""), CheckCode::NoNewVersion, {928, 930}},
        {"older date, unconditional \"0\"", section("01.01.2009", "", kApp, "0", "2.0.1.3"), CheckCode::Unconditional,
         {928, 930}},
        {"unconditional without a date", section("", "", "", "yes"), CheckCode::Unconditional, {}},
        {"version without a local file", section("", "", "", "", "9.0"), CheckCode::NoNewVersion, {}},
        {"newer version", section("", "", kApp, "", "2.0.1.3"), CheckCode::VersionNewer, {933, 944, 929}},
        {"same version", section("", "", kApp, "", "2.0.1.2"), CheckCode::NoNewVersion, {933, 944, 930}},
        {"unknown version", section("", "", kApp, "", "2.0.1.2.1"), CheckCode::NoNewVersion, {933, 944, 930}},
        {"other size", section("", "", kApp, "", "", 999), CheckCode::SizeDiffers, {932, 929}},
        {"same size over a newer version", section("", "", kApp, "", "9.0", 1000), CheckCode::NoNewVersion, {932, 930}},
        {"checksum over size", section("", "", kApp, "", "", 999, 123456), CheckCode::NoNewVersion, {931, 944, 930}},
        {"other checksum", section("", "", kApp, "", "", 0, 5), CheckCode::ChecksumDiffers, {931, 944, 929}},
        {"no criterion", section("", "", kApp), CheckCode::NoNewVersion, {}},
    };
    Installed installed;
    for (const auto& c : cases) {
        Recorded recorded;
        CheckOutcome out = checkUpdateEntry(c.update, environment(installed), recorded.sink());
        EXPECT_EQ(out.code, c.code) << c.label;
        EXPECT_EQ(recorded.numbers, c.statuses) << c.label;
    }
}

TEST(CheckUpdateEntry, KeepsTheComparedVersionsAndDatesForTheWizard)
{
    Installed installed;
    Recorded recorded;
    CheckOutcome out = checkUpdateEntry(described("Spring update", section("", "", kApp, "", "2,0,1,3")), environment(installed),
                                        recorded.sink());
    EXPECT_EQ(out.code, CheckCode::VersionNewer);
    EXPECT_EQ(out.updateDescription, "Spring update");
    EXPECT_EQ(out.updateNewVersion, "2.0.1.3");
    EXPECT_EQ(out.updateLocalVersion, "2.0.1.2");
    EXPECT_EQ(recorded.arguments.back(), "2.0.1.3");

    Recorded dated;
    out = checkUpdateEntry(section("24.12.2009", "14:30", kApp), environment(installed), dated.sink());
    EXPECT_EQ(out.localVersionFile, kApp);
    EXPECT_DOUBLE_EQ(out.updateNewDate, *encodeDateTime({2009, 12, 24, 14, 30, 0}));
    EXPECT_DOUBLE_EQ(out.updateLocalDate, installed.written);
    EXPECT_EQ(dated.arguments.back(), "24.12.2009");
}

TEST(CheckUpdateEntry, AnOlderVersionIsNothingNewUnlessThePublisherAllowsIt)
{
    // The installed program is 2.0.1.2.
    struct Case {
        const char* label;
        CheckCode in;
        UpdateSection update;
        bool allowDowngrade;
        CheckCode out;
        std::vector<std::string> statuses;
    } cases[] = {
        {"older by size", CheckCode::SizeDiffers, section("", "", kApp, "", "2.0.1.1", 5), false, CheckCode::NoNewVersion,
         {"979 2.0.1.1 < 2.0.1.2"}},
        {"older by date", CheckCode::DateNewer, section("24.12.2009", "", kApp, "", "1.0"), false, CheckCode::NoNewVersion,
         {"979 1.0 < 2.0.1.2"}},
        {"older, custom accepted", CheckCode::CustomAccepted, section("", "", kApp, "", "2.0"), false,
         CheckCode::NoNewVersion, {"979 2.0 < 2.0.1.2"}},
        {"older, allowed", CheckCode::SizeDiffers, section("", "", kApp, "", "2.0.1.1", 5), true, CheckCode::SizeDiffers, {}},
        {"same version", CheckCode::Unconditional, section("", "", kApp, "1", "2.0.1.2"), false, CheckCode::Unconditional, {}},
        {"newer version", CheckCode::SizeDiffers, section("", "", kApp, "", "2.0.1.3", 5), false, CheckCode::SizeDiffers, {}},
        {"nothing new stays so", CheckCode::NoNewVersion, section("", "", kApp, "", "1.0"), false, CheckCode::NoNewVersion, {}},
        {"no published version", CheckCode::ChecksumDiffers, section("", "", kApp, "", "", 0, 5), false,
         CheckCode::ChecksumDiffers, {}},
        {"unknown published version", CheckCode::SizeDiffers, section("", "", kApp, "", "1.2.3.4.5", 5), false,
         CheckCode::SizeDiffers, {}},
        {"local file without a version", CheckCode::SizeDiffers, section("", "", "C:\\app\\none.dll", "", "1.0", 5), false,
         CheckCode::SizeDiffers, {}},
    };
    Installed installed;
    for (const auto& c : cases) {
        std::vector<std::string> statuses;
        auto sink = [&](int n, const std::string& a, std::int32_t) { statuses.push_back(std::to_string(n) + " " + a); };
        EXPECT_EQ(withoutRefusedDowngrade(c.in, c.update, c.allowDowngrade, installed.probe(), sink), c.out) << c.label;
        EXPECT_EQ(statuses, c.statuses) << c.label;
    }
}

FilterEnvironment filterEnvironment(const Installed& installed)
{
    FilterEnvironment env;
    env.probe = installed.probe();
    env.lastWriteTimeLocal = [&installed](const std::string& p) { return installed.lastWrite(p); };
    return env;
}

TEST(FilterFileList, DecidesEachEntryByDateOrComparison)
{
    Installed installed;
    struct Case {
        const char* label;
        FileEntryValues entry;
        bool kept;
        std::vector<int> statuses;
    } cases[] = {
        {"newer date", fileEntry(kApp, "", "24.12.2009"), true, {971}},
        {"older date, version ignored", fileEntry(kApp, "9.0", "24.12.2008"), false, {971}},
        {"date, local file missing", fileEntry("C:\\app\\none.dll", "", "24.12.2008"), true, {971}},
        {"newer version", fileEntry(kApp, "2.0.1.3"), true, {971, 944}},
        {"same version", fileEntry(kApp, "2.0.1.2"), false, {971, 944, 930}},
        {"empty local version is kept", fileEntry("", "9.0"), true, {971}},
    };
    for (const auto& c : cases) {
        Recorded recorded;
        EXPECT_EQ(keepFileEntry(c.entry, filterEnvironment(installed), recorded.sink()), c.kept) << c.label;
        EXPECT_EQ(recorded.numbers, c.statuses) << c.label;
    }
}

TEST(FilterFileList, ReportsTheEntryItChecks)
{
    Installed installed;
    Recorded recorded;
    FileEntryValues entry = fileEntry(kApp, "2.0.1.3");
    entry.url = "http://127.0.0.1/tp.exe";
    EXPECT_TRUE(keepFileEntry(entry, filterEnvironment(installed), recorded.sink()));
    EXPECT_EQ(recorded.arguments[0], "http://127.0.0.1/tp.exe[" + kApp + ",nv=2.0.1.3,nd=,ns=0,nc=-1]");
}

}  // namespace
}  // namespace talkpost::update
