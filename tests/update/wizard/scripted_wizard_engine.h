// The one fake update engine of the wizard's tests (the page flow natively,
// the dialog under Wine): it answers from a script, records the operations
// called, and downloads by reporting blocks of progress to its watcher, as
// the engine does, stopping when the watcher says Cancel.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "update/wizard/wizard_flow.h"

namespace talkpost::test {

struct ScriptedWizardEngine : WizardEngine {
    int connectResult = 0;
    bool ftp = false;
    int controlFileResult = 0;
    int checkCode = update::CheckCode::VersionNewer;
    CheckResultFacts facts{"", "", "", "1.0.0.1", "1.0.0.2", "Fixes.", ""};
    int actionsResult = 0;
    std::optional<std::vector<std::string>> whatsNew;
    std::optional<std::vector<std::string>> license;
    std::vector<WizardFileEntry> list;
    std::vector<bool> kept;
    bool restart = true;
    bool isCancelled = false;
    int closes = 0;
    std::vector<std::string> calls;

    // The download: this many blocks of 1,024 bytes of a 4,096-byte file.
    int blocks = 0;
    int downloadResult = 0;
    std::int64_t completed = 0;
    std::vector<std::int64_t> progressSeen;
    std::function<void()> duringDownload;  // runs once, halfway through

    // The dialog's mailbox under Wine; none for the flow alone.
    update::UpdateWatcher* watcher = nullptr;

    int openConnection() override { return note("open"), connectResult; }
    bool isFtpUpdate() const override { return ftp; }
    int connectFtpHost() override { return note("ftp"), 0; }
    void setSilentDownload() override { note("silent"); }
    int fetchControlFile() override { return note("control"), controlFileResult; }
    int checkUpdateEntry() override { return note("check"), checkCode; }
    CheckResultFacts checkResultFacts() const override { return facts; }
    int runControlActions() override { return note("actions"), actionsResult; }
    std::optional<std::vector<std::string>> fetchWhatsNew() override { return note("whatsnew"), whatsNew; }
    std::optional<std::vector<std::string>> fetchLicense() override { return note("license"), license; }
    std::int32_t readFileList() override { return note("read"), static_cast<std::int32_t>(list.size()); }
    int filterFileList() override { return note("filter"), list.empty() ? -1 : 0; }
    std::vector<WizardFileEntry> files() const override { return list; }
    void keepSelected(const std::vector<bool>& selected) override
    {
        note("keep");
        kept = selected;
        std::vector<WizardFileEntry> left;
        for (std::size_t i = 0; i < list.size(); ++i)
            if (selected[i])
                left.push_back(list[i]);
        list = left;
    }
    int downloadFiles() override
    {
        note("download");
        for (int block = 1; block <= blocks; ++block) {
            if (watcher)
                watcher->fileProgress({"Talkpost 1.0.0.2", block * 1024, 4096, 8192, completed});
            progressSeen.push_back(block);
            if (duringDownload && block == blocks / 2)
                std::exchange(duringDownload, nullptr)();
            if (watcher && watcher->cancelRequested())
                return -1;
        }
        completed = 4096;
        return downloadResult;
    }
    void cancelUpdate() override { note("cancelUpdate"), isCancelled = true; }
    int finishUpdate() override { return note("finish"), isCancelled ? -1 : 0; }
    bool cancelled() const override { return isCancelled; }
    int closeConnection() override { return note("close"), ++closes, 0; }
    bool restartRequired() const override { return restart; }
    void restartApplication() override { note("restart"); }

    void note(const char* call) { calls.push_back(call); }
    int count(const std::string& call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
    bool called(const std::string& call) const { return count(call) > 0; }
};

}  // namespace talkpost::test
