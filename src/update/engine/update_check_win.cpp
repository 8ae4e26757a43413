// The update check over the verified control file.
#include "update/engine/update_check_win.h"

#include "update/engine/control_plan.h"
#include "update/engine/user_dates_win.h"
#include "update/install/install_files_win.h"

namespace talkpost::update {

int UpdateCheck::checkUpdateEntry(const ControlFile& file)
{
    UpdateSection u = readUpdateSection(file);

    lastDateKnown_ = false;
    CheckEnvironment env;
    env.compare = {settings_.versionCheck, settings_.useCRC32};
    env.format = {settings_.dateFormat, settings_.dateSeparator, settings_.timeSeparator};
    env.probe = localFileProbe();
    env.localReferenceDate = [this](const std::string& localFile) -> DateTime {
        // A date remembered under the registry key wins over the file's age.
        if (auto remembered = remembered_.lastDate()) {
            lastDateKnown_ = true;
            return rememberedReferenceDate(remembered->date, remembered->time, userShortDateFormat());
        }
        return localReferenceDate(localFile, lastWriteTimeLocal);
    };
    env.shortDate = userShortDate;

    StatusSink status = [this](int number, const std::string& argument, std::int32_t code) {
        log_.reportStatus(number, argument, code, kErrorNone);
    };
    outcome_ = update::checkUpdateEntry(u, env, status);
    return withoutRefusedDowngrade(outcome_.code, u, file.publication().allowDowngrade, env.probe, status);
}

int UpdateCheck::filterFileList(FileList& files)
{
    FilterEnvironment env;
    env.compare = {settings_.versionCheck, settings_.useCRC32};
    env.format = {settings_.dateFormat, settings_.dateSeparator, settings_.timeSeparator};
    env.probe = localFileProbe();
    env.lastWriteTimeLocal = lastWriteTimeLocal;
    StatusSink status = [this](int number, const std::string& argument, std::int32_t code) {
        log_.reportStatus(number, argument, code, kErrorNone);
    };
    for (std::size_t i = 0; i < files.count();) {
        const FileDescription& d = files.at(i);
        FileEntryValues entry{d.url,     d.localVersion, d.newVersion, d.newDate,
                              d.newTime, d.description,  d.newSize,    d.newCheckSum};
        if (keepFileEntry(entry, env, status))
            ++i;
        else
            files.remove(i);
    }
    return files.count() == 0 ? -1 : 0;
}

}  // namespace talkpost::update
