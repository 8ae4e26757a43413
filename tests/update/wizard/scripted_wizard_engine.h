// The one fake update engine of the wizard's tests (the page flow natively,
// the dialog under Wine): it answers from a script, records the operations
// called, and downloads by reporting blocks of progress, processing the
// dialog's messages after each as the engine does while it waits, and
// stopping when the dialog's cancel poll says so.
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

    WizardProgressHandlers handlers;
    WizardProgressHandlers lent;

    void lendProgressHandlers(const WizardProgressHandlers& h) override { lent = std::exchange(handlers, h); }
    void restoreProgressHandlers() override { handlers = lent; }
    std::int64_t totalSize() const override { return 8192; }
    std::string currentFileShownName() const override { return "Talkpost 1.0.0.2"; }
    std::int64_t completedSize() const override { return completed; }
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
    void raiseDownloadedWhatsNew(const std::vector<std::string>&) override { note("onWhatsNew"); }
    void raiseDownloadedLicense(const std::vector<std::string>&) override { note("onLicense"); }
    void readFileList() override { note("read"); }
    void filterFileList() override { note("filter"); }
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
            if (handlers.onFileProgress)
                handlers.onFileProgress("C:\\Temp\\UPDT1.tmp", block * 1024, 4096);
            progressSeen.push_back(block);
            if (duringDownload && block == blocks / 2)
                std::exchange(duringDownload, nullptr)();
            if (handlers.onProgressCancel && handlers.onProgressCancel())
                return -1;
        }
        completed = 4096;
        return downloadResult;
    }
    void cancelUpdate() override { note("cancelUpdate"), isCancelled = true; }
    void finishUpdate() override { note("finish"); }
    bool cancelled() const override { return isCancelled; }
    void closeConnection() override { note("close"), ++closes; }
    void raiseSuccess() override { note("success"); }
    bool restartRequired() override { return restart; }
    void restartApplication() override { note("restart"); }

    void note(const char* call) { calls.push_back(call); }
    int count(const std::string& call) const { return static_cast<int>(std::count(calls.begin(), calls.end(), call)); }
    bool called(const std::string& call) const { return count(call) > 0; }
};

}  // namespace talkpost::test
