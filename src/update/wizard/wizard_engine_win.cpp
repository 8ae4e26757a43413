// The wizard's view of the update engine.
#include "update/wizard/wizard_engine_win.h"

#include <oleauto.h>

#include <cmath>
#include <string_view>
#include <utility>

#include "update/engine/user_dates_win.h"

namespace talkpost {
namespace {

bool toSystemTime(double value, SYSTEMTIME& time)
{
    return VariantTimeToSystemTime(value, &time) != 0;
}

}  // namespace

std::string userTimeOfDay(double value)
{
    // Whole seconds decide: a fraction that rounds to midnight has no time of day.
    double fraction = std::fabs(value - std::trunc(value));
    if (std::lround(fraction * 86400.0) % 86400 == 0)
        return {};
    SYSTEMTIME time{};
    char text[128] = {};
    if (!toSystemTime(value, time) || GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, text, sizeof text) == 0)
        return {};
    return text;
}

void WizardEngineAdapter::lendProgressHandlers(const WizardProgressHandlers& handlers)
{
    lentFileProgress_ = std::exchange(
        engine_.onFileProgress,
        [progress = handlers.onFileProgress](update::UpdateEngine&, const std::string& name, std::int64_t position,
                                             std::int64_t size) {
            if (progress)
                progress(name, position, size);
        });
    lentProgressCancel_ = std::exchange(engine_.onProgressCancel,
                                        [poll = handlers.onProgressCancel](update::UpdateEngine&, bool& cancel) {
                                            if (poll)
                                                cancel = poll();
                                        });
    lentRunOnWindowThread_ = std::exchange(engine_.runOnWindowThread, handlers.runOnWindowThread);
}

void WizardEngineAdapter::restoreProgressHandlers()
{
    engine_.onFileProgress = std::move(lentFileProgress_);
    engine_.onProgressCancel = std::move(lentProgressCancel_);
    engine_.runOnWindowThread = std::move(lentRunOnWindowThread_);
}

std::int64_t WizardEngineAdapter::totalSize() const { return engine_.fileList().totalSize(); }

std::int64_t WizardEngineAdapter::completedSize() const { return engine_.fileList().completedSize(); }

bool WizardEngineAdapter::isFtpUpdate() const
{
    return engine_.settings.updateType == update::UpdateType::Ftp;
}

void WizardEngineAdapter::setSilentDownload() { engine_.settings.downloadPrompt = update::DownloadPrompt::Silent; }

CheckResultFacts WizardEngineAdapter::checkResultFacts() const
{
    CheckResultFacts facts;
    const update::UpdateCheck& check = engine_.check();
    facts.localDate = update::userShortDate(check.localDate());
    facts.newDate = update::userShortDate(check.newDate());
    facts.newTime = userTimeOfDay(check.newDate());
    facts.localVersion = check.localVersion();
    facts.newVersion = check.newVersion();
    facts.description = check.description();
    facts.rolledBackUpdate = engine_.rolledBackUpdateName();
    return facts;
}

void WizardEngineAdapter::raiseDownloadedWhatsNew(const std::vector<std::string>& lines)
{
    if (onDownloadedWhatsNew)
        onDownloadedWhatsNew(lines);
}

void WizardEngineAdapter::raiseDownloadedLicense(const std::vector<std::string>& lines)
{
    if (onDownloadedEULA)
        onDownloadedEULA(lines);
}

std::vector<WizardFileEntry> WizardEngineAdapter::files() const
{
    const update::FileList& list = engine_.fileList();
    std::vector<WizardFileEntry> entries;
    for (std::size_t i = 0; i < list.count(); ++i) {
        const update::FileDescription& file = list.at(i);
        entries.push_back({file.description, file.hidden, file.mandatory});
    }
    return entries;
}

void WizardEngineAdapter::keepSelected(const std::vector<bool>& selected)
{
    update::FileList& list = engine_.fileList();
    for (std::size_t i = 0; i < list.count(); ++i)
        list.at(i).selected = i >= selected.size() || selected[i];
    for (std::size_t i = list.count(); i-- > 0;) {
        if (!list.at(i).selected)
            list.remove(i);
    }
}

std::string WizardEngineAdapter::currentFileShownName() const
{
    const update::FileList& list = engine_.fileList();
    auto index = static_cast<std::size_t>(list.currentIndex);
    if (list.currentIndex < 0 || index >= list.count())
        return {};
    const update::FileDescription& entry = list.at(index);
    if (!entry.description.empty())
        return entry.description;
    // The last part of its address; a file that replaces one in use comes
    // as "<name>_NEW" and is known by its name.
    std::string name = entry.url.substr(entry.url.find_last_of("/\\") + 1);
    constexpr std::string_view kNewSuffix = "_NEW";
    if (name.size() > kNewSuffix.size() && name.ends_with(kNewSuffix))
        name.resize(name.size() - kNewSuffix.size());
    return name;
}

void WizardEngineAdapter::raiseSuccess()
{
    if (onSuccess)
        onSuccess();
}

}  // namespace talkpost
