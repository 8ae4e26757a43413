// The update check's decisions without the control file or the engine: the
// [update] values decide whether the published update is newer (the check
// codes), and the values of one [fileN] entry decide whether it is fetched.
// The engine reads the values, supplies the platform's answers and reports
// the status messages this hands it. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/install/check_codes.h"
#include "update/install/date_time.h"
#include "update/install/versions.h"

namespace talkpost::update {

// The [update] (and [custom]) values the check reads, localVersion already
// macro-expanded, the integers with their defaults applied.
struct UpdateSection {
    std::string descr, date, time, localVersion, unconditional, newVersion;
    std::int32_t newSize = 0, newChecksum = -1;
};

// A numbered status message: number, argument, status code (error code 0).
using StatusSink = std::function<void(int number, const std::string& argument, std::int32_t status)>;

// What the check needs of the engine and the platform.
struct CheckEnvironment {
    CompareSettings compare;
    DateTimeFormat format;                 // the engine's date format and separators
    LocalFileProbe probe;                  // for compareFile
    std::function<DateTime(const std::string& localVersionFile)> localReferenceDate;
    std::function<std::string(DateTime)> shortDate;  // the user's short date format, for status 929
};

// The result and the engine state the check writes.
struct CheckOutcome {
    CheckCode code = CheckCode::NoNewVersion;
    std::string updateDescription;
    DateTime updateNewDate = 0, updateLocalDate = 0;
    std::string localVersionFile;
    std::string updateNewVersion, updateLocalVersion;
};

// CheckUpdateEntry: the date first; then unconditional; then the checksum over
// the size over the version.
CheckOutcome checkUpdateEntry(const UpdateSection& update, const CheckEnvironment& env, const StatusSink& status);

// The check's code once the publisher's word on older versions is heard: an
// update whose newversion= is older than the version of its localversion=
// file counts as nothing new (status 979, "<new> < <installed>") unless the
// signed file allows the downgrade; a replayed old file whose check is by
// date, size or checksum must not bring the old program back. Versions that
// are unknown decide nothing.
CheckCode withoutRefusedDowngrade(CheckCode code, const UpdateSection& update, bool allowDowngrade,
                                  const LocalFileProbe& probe, const StatusSink& status);

// The values of one [fileN] entry that the filter reads.
struct FileEntryValues {
    std::string url, localVersion, newVersion, newDate, newTime, description;
    std::int32_t newSize = 0, newChecksum = -1;
};

// What the file filter needs beyond the check's environment.
struct FilterEnvironment {
    CompareSettings compare;
    DateTimeFormat format;
    LocalFileProbe probe;
    std::function<std::optional<DateTime>(const std::string&)> lastWriteTimeLocal;
};

// One entry of FilterFileList: true when the entry stays in the list.
bool keepFileEntry(const FileEntryValues& entry, const FilterEnvironment& env, const StatusSink& status);

}  // namespace talkpost::update
