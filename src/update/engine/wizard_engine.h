// The two sides of one update as the wizard leads it. WizardEngine: the
// engine's operations in the order and terms the wizard's page flow uses
// them; the engine itself implements it, and the flow's tests script it.
// UpdateWatcher: what the engine tells and asks the one who shows the update
// while it works, handed to the engine when it is made. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talkpost::update {

// One entry of the engine's file list as the wizard shows it.
struct WizardFileEntry {
    std::string description;
    bool hidden = false;
    bool mandatory = false;
};

// What the check page shows beside the code, already formatted for the user.
struct CheckResultFacts {
    std::string localDate;   // date of the installed version, short date format
    std::string newDate;     // date of the published update, short date format
    std::string newTime;     // its time of day in the long time format; empty at midnight
    std::string localVersion;
    std::string newVersion;
    std::string description;
    // The name of the update when it is the one rolled back on this computer
    // because its program did not start; empty otherwise.
    std::string rolledBackUpdate;
};

class WizardEngine {
public:
    virtual ~WizardEngine() = default;
    virtual int openConnection() = 0;
    virtual bool isFtpUpdate() const = 0;
    virtual int connectFtpHost() = 0;
    // The wizard asks no download questions of its own.
    virtual void setSilentDownload() = 0;
    virtual int fetchControlFile() = 0;
    virtual int checkUpdateEntry() = 0;
    virtual CheckResultFacts checkResultFacts() const = 0;
    virtual int runControlActions() = 0;
    virtual std::optional<std::vector<std::string>> fetchWhatsNew() = 0;
    virtual std::optional<std::vector<std::string>> fetchLicense() = 0;
    virtual std::int32_t readFileList() = 0;
    virtual int filterFileList() = 0;
    virtual std::vector<WizardFileEntry> files() const = 0;
    // Marks each entry selected or not and removes the unselected ones.
    virtual void keepSelected(const std::vector<bool>& selected) = 0;
    virtual int downloadFiles() = 0;
    virtual void cancelUpdate() = 0;
    virtual int finishUpdate() = 0;
    virtual bool cancelled() const = 0;
    virtual int closeConnection() = 0;
    virtual bool restartRequired() const = 0;
    virtual void restartApplication() = 0;
};

// One transferred block as the operator sees it.
struct FileProgress {
    // The name the user knows for the file: the entry's description, as the
    // components page listed it, else its name; for a file outside the list
    // (control file, document) the transfer's own name.
    std::string shownName;
    std::int64_t position = 0;  // bytes of this file so far
    std::int64_t size = 0;      // its size, 0 when unknown
    std::int64_t total = 0;     // the sizes of every listed file
    std::int64_t completed = 0; // those of the listed files before this one
};

// The name a transfer's progress shows for a file outside the list: the part
// after the last "\" or ":".
inline std::string progressFileName(const std::string& name)
{
    std::size_t cut = name.find_last_of("\\:");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

// Called from the thread the engine works on.
class UpdateWatcher {
public:
    // After every transferred block.
    virtual void fileProgress(const FileProgress& progress) = 0;
    // Looked at after every block and while a fetch waits: true stops the update.
    virtual bool cancelRequested() const = 0;
    // Runs a piece of user interface (a message box, the login dialog, the
    // quit at a restart) on the window's thread and waits for it.
    virtual void onWindowThread(const std::function<void()>& work) = 0;

protected:
    ~UpdateWatcher() = default;
};

}  // namespace talkpost::update
