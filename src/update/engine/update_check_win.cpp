// The update check over the control file copy: whether the published update
// is newer than what is installed, and which of the listed files to fetch.
#include <windows.h>

#include <cctype>

#include "update/engine/update_engine_win.h"
#include "update/engine/user_dates_win.h"
#include "update/install/install_decisions.h"
#include "update/install/file_version_win.h"
#include "update/install/install_files_win.h"

namespace talkpost::update {
namespace {

// The user's short date format as the date reader takes it.
DateTimeFormat userShortDateFormat()
{
    char buffer[80] = {};
    DateTimeFormat format;
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, sizeof buffer) > 0)
        format.dateFormat = buffer;
    format.dateSeparator = userDateSeparator();
    format.timeSeparator = userTimeSeparator();
    return format;
}

CalendarTime calendar(DateTime value) { return decodeDateTime(value); }

SYSTEMTIME systemTime(DateTime value)
{
    CalendarTime t = calendar(value);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    return st;
}

}  // namespace

std::string userShortDate(DateTime value)
{
    SYSTEMTIME st = systemTime(value);
    char buffer[80] = {};
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, sizeof buffer) <= 0)
        return {};
    return buffer;
}

std::string userShortTime(DateTime value)
{
    CalendarTime t = calendar(value);
    char buffer[16] = {};
    wsprintfA(buffer, "%02d%c%02d", t.hour, userTimeSeparator(), t.minute);
    return buffer;
}

int UpdateEngine::checkUpdateEntry()
{
    UpdateSection u;
    const ControlFile& file = controlFile();
    u.descr = file.readString("update", "descr");
    u.date = file.readString("update", "date");
    u.time = file.readString("update", "time");
    u.localVersion = file.readPath("update", "localversion");
    u.unconditional = file.readString("update", "unconditional");
    u.newVersion = file.readString("update", "newversion");
    u.newSize = file.text().readInteger("update", "newsize", 0);
    u.newChecksum = file.text().readInteger("update", "newchecksum", -1);
    u.validateMsg = file.readString("custom", "validatemsg");
    u.validateParam = file.readString("custom", "validateparam");

    CheckEnvironment env;
    env.compare = {settings.versionCheck, settings.useCRC32};
    env.format = {settings.dateFormat, settings.dateSeparator, settings.timeSeparator};
    env.probe = localFileProbe();
    env.localReferenceDate = [this](const std::string& localFile) -> DateTime {
        // A date remembered under the registry key wins over the file's age.
        if (auto remembered = lastDate()) {
            lastDateKnown = true;
            DateTimeFormat format = userShortDateFormat();
            if (remembered->date.empty())
                return kEarliestDate;
            auto date = readDate(remembered->date, format);
            if (!date)
                return kEarliestDate;
            DateTime result = *date;
            if (!remembered->time.empty())
                result += readTime(remembered->time, format).value_or(0.0);
            return result;
        }
        return localReferenceDate(localFile, lastWriteTimeLocal);
    };
    env.shortDate = userShortDate;
    if (onCustomValidate)
        env.customValidate = [this](const std::string& msg, const std::string& param, bool& allow) {
            onCustomValidate(*this, msg, param, allow);
        };

    CheckOutcome out = update::checkUpdateEntry(u, env, [this](int number, const std::string& argument, std::int32_t status) {
        reportStatus(number, argument, status, kErrorNone);
    });
    updateDescription = out.updateDescription;
    updateNewDate = out.updateNewDate;
    updateLocalDate = out.updateLocalDate;
    localVersionFile = out.localVersionFile;
    updateNewVersion = out.updateNewVersion;
    updateLocalVersion = out.updateLocalVersion;

    // An older version than the installed one is installed only when the
    // publisher says so in the signed file: a replayed old file whose check
    // is by size, checksum or date must not bring the old program back.
    if (out.code != CheckCode::NoNewVersion && !u.newVersion.empty() && !u.localVersion.empty() &&
        !file.publication().allowDowngrade) {
        VersionValue published = parseVersion(u.newVersion);
        VersionValue installed = fileVersionOf(u.localVersion);
        if (!published.unknown() && !installed.unknown() && versionNewer(installed, published)) {
            reportStatus(message::kDowngradeRefused, u.newVersion + " < " + versionText(installed), kStatusNothingNew, kErrorNone);
            return CheckCode::NoNewVersion;
        }
    }
    return out.code;
}

int UpdateEngine::filterFileList()
{
    FilterEnvironment env;
    env.compare = {settings.versionCheck, settings.useCRC32};
    env.format = {settings.dateFormat, settings.dateSeparator, settings.timeSeparator};
    env.probe = localFileProbe();
    env.lastWriteTimeLocal = lastWriteTimeLocal;
    if (onFileVersionCheck)
        env.fileVersionCheck = [this](const std::string& newVersion, const std::string& localVersion, bool& isNew) {
            onFileVersionCheck(*this, newVersion, localVersion, isNew);
        };
    StatusSink status = [this](int number, const std::string& argument, std::int32_t code) {
        reportStatus(number, argument, code, kErrorNone);
    };
    for (std::size_t i = 0; i < fileList_.count();) {
        const FileDescription& d = fileList_.at(i);
        FileEntryValues entry{d.url,     d.localVersion, d.newVersion, d.newDate,   d.newTime,
                              d.newCustomVer, d.description, d.newSize,   d.newCheckSum};
        if (keepFileEntry(entry, env, status))
            ++i;
        else
            fileList_.remove(i);
    }
    if (onGetFileList) {
        std::vector<std::string> descriptions;
        for (std::size_t i = 0; i < fileList_.count(); ++i)
            descriptions.push_back(fileList_.at(i).description);
        auto kept = keptByListHandler(descriptions, [this](std::vector<std::string>& lines) { onGetFileList(*this, lines); });
        for (std::size_t i = kept.size(); i-- > 0;)
            if (!kept[i])
                fileList_.remove(i);
    }
    return fileList_.count() == 0 ? -1 : 0;
}

}  // namespace talkpost::update
