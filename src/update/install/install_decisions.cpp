// CheckUpdateEntry and the per-entry part of FilterFileList.
#include "update/install/install_decisions.h"

namespace talkpost::update {
namespace {

// The numbers of the update log's messages that the check reports, and their status codes.
constexpr int kDateBasedUpdate = 928, kNewVersionFound = 929, kNoNewVersion = 930, kChecksumBasedUpdate = 931,
              kSizeBasedUpdate = 932, kVersionBasedUpdate = 933, kVersionCheck = 944, kProcessingFile = 971,
              kDowngradeRefused = 979;
constexpr std::int32_t kStatusNone = 0, kStatusProgress = 3, kStatusNothingNew = 4, kStatusNewFound = 5;

std::function<void(const std::string&)> versionCheckLines(const StatusSink& status)
{
    return [&status](const std::string& text) { status(kVersionCheck, text, kStatusProgress); };
}

}  // namespace

CheckOutcome checkUpdateEntry(const UpdateSection& u, const CheckEnvironment& env, const StatusSink& status)
{
    CheckOutcome out;
    out.updateDescription = u.descr;
    if (!u.date.empty()) {
        status(kDateBasedUpdate, "", kStatusProgress);
        out.updateNewDate = parseDateTime(u.date, u.time, env.format);
        out.localVersionFile = u.localVersion;
        out.updateLocalDate = env.localReferenceDate(out.localVersionFile);
        if (out.updateLocalDate >= out.updateNewDate) {
            status(kNoNewVersion, "", kStatusNothingNew);
        } else {
            status(kNewVersionFound, env.shortDate(out.updateNewDate), kStatusNewFound);
            out.code = CheckCode::DateNewer;
        }
    }
    if (!u.unconditional.empty() && out.code == CheckCode::NoNewVersion)
        out.code = CheckCode::Unconditional;
    if (out.code == CheckCode::NoNewVersion) {
        std::string newVersion = u.newVersion, localVersion = u.localVersion;
        bool criterion = !newVersion.empty() || u.newSize > 0 || u.newChecksum != -1;
        if (criterion && !localVersion.empty()) {
            if (u.newChecksum != -1) {
                out.code = CheckCode::ChecksumDiffers;
                status(kChecksumBasedUpdate, "", kStatusProgress);
            } else if (u.newSize > 0) {
                out.code = CheckCode::SizeDiffers;
                status(kSizeBasedUpdate, "", kStatusProgress);
            } else {
                out.code = CheckCode::VersionNewer;
                status(kVersionBasedUpdate, "", kStatusProgress);
            }
            if (compareFile(newVersion, localVersion, u.newSize, u.newChecksum, env.compare, env.probe,
                            versionCheckLines(status))) {
                status(kNewVersionFound, newVersion, kStatusNewFound);
            } else {
                status(kNoNewVersion, "", kStatusNothingNew);
                out.code = CheckCode::NoNewVersion;
            }
        }
        out.updateNewVersion = newVersion;
        out.updateLocalVersion = localVersion;
    }
    return out;
}

CheckCode withoutRefusedDowngrade(CheckCode code, const UpdateSection& u, bool allowDowngrade,
                                  const LocalFileProbe& probe, const StatusSink& status)
{
    if (code == CheckCode::NoNewVersion || allowDowngrade || u.newVersion.empty() || u.localVersion.empty())
        return code;
    VersionValue published = parseVersion(u.newVersion);
    VersionValue installed = probe.fileVersion(u.localVersion);
    if (published.unknown() || installed.unknown() || !versionNewer(installed, published))
        return code;
    status(kDowngradeRefused, u.newVersion + " < " + versionText(installed), kStatusNothingNew);
    return CheckCode::NoNewVersion;
}

bool keepFileEntry(const FileEntryValues& e, const FilterEnvironment& env, const StatusSink& status)
{
    status(kProcessingFile,
           e.url + "[" + e.localVersion + ",nv=" + e.newVersion + ",nd=" + e.newDate + ",ns=" +
               std::to_string(e.newSize) + ",nc=" + std::to_string(e.newChecksum) + "]",
           kStatusNone);
    if (!e.localVersion.empty() && !e.newDate.empty()) {
        DateTime published = parseDateTime(e.newDate, e.newTime, env.format);
        auto local = env.lastWriteTimeLocal(e.localVersion);
        return !(local && *local >= published);
    }
    std::string newVersion = e.newVersion, localVersion = e.localVersion;
    if (!compareFile(newVersion, localVersion, e.newSize, e.newChecksum, env.compare, env.probe,
                     versionCheckLines(status))) {
        status(kNoNewVersion, "", kStatusNone);
        return false;
    }
    return true;
}

}  // namespace talkpost::update
