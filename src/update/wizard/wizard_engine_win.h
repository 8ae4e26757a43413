// The update engine as the wizard's page flow sees it: each operation the
// flow calls goes to the engine as it stands, the check page's dates come in
// the user's formats, and the progress events are lent to the dialog. The
// events that the wizard itself raises are here.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "update/engine/update_engine_win.h"
#include "update/wizard/wizard_flow.h"

namespace talkpost {

class WizardEngineAdapter : public WizardEngine {
public:
    explicit WizardEngineAdapter(update::UpdateEngine& engine) : engine_(engine) {}

    void lendProgressHandlers(const WizardProgressHandlers& handlers) override;
    void restoreProgressHandlers() override;
    std::int64_t totalSize() const override;
    std::int64_t completedSize() const override;
    int openConnection() override { return engine_.openConnection(); }
    bool isFtpUpdate() const override;
    int connectFtpHost() override { return engine_.connectFtpHost(); }
    void setSilentDownload() override;
    int fetchControlFile() override { return engine_.fetchControlFile(); }
    int checkUpdateEntry() override { return engine_.checkUpdateEntry(); }
    CheckResultFacts checkResultFacts() const override;
    int runControlActions() override { return engine_.runControlActions(); }
    std::optional<std::vector<std::string>> fetchWhatsNew() override { return engine_.fetchWhatsNew(); }
    std::optional<std::vector<std::string>> fetchLicense() override { return engine_.fetchLicense(); }
    void raiseDownloadedWhatsNew(const std::vector<std::string>& lines) override;
    void raiseDownloadedLicense(const std::vector<std::string>& lines) override;
    void readFileList() override { engine_.readFileList(); }
    void filterFileList() override { engine_.filterFileList(); }
    std::vector<WizardFileEntry> files() const override;
    void keepSelected(const std::vector<bool>& selected) override;
    int downloadFiles() override { return engine_.downloadFiles(); }
    void cancelUpdate() override { engine_.cancelUpdate(); }
    void finishUpdate() override { engine_.finishUpdate(); }
    bool cancelled() const override { return engine_.cancelled(); }
    void closeConnection() override { engine_.closeConnection(); }
    void raiseSuccess() override;
    bool restartRequired() override { return engine_.restartRequired(); }
    void restartApplication() override { engine_.restartApplication(); }
    std::string currentFileShownName() const override;

    // Events the wizard raises, each only when assigned: the documents when
    // it shows them, and the end of a successful update.
    std::function<void(const std::vector<std::string>& lines)> onDownloadedWhatsNew;
    std::function<void(const std::vector<std::string>& lines)> onDownloadedEULA;
    std::function<void()> onSuccess;

private:
    update::UpdateEngine& engine_;
    decltype(update::UpdateEngine::onFileProgress) lentFileProgress_;
    decltype(update::UpdateEngine::onProgressCancel) lentProgressCancel_;
    decltype(update::UpdateEngine::runOnWindowThread) lentRunOnWindowThread_;
};

// The time of day of a date value of the engine (days since 30 December
// 1899) in the user's long time format; empty at midnight.
std::string userTimeOfDay(double value);

}  // namespace talkpost
