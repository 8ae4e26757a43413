// Installation: what the engine does once the check found something new. The
// control file's [action] instructions before the download
// (runControlActions), the download of every listed file with its sha256
// check and its installation (downloadFiles), and the instructions after it
// with the post-update report (finishUpdate). Files that the running
// application uses are left in the update's folder for the updater helper.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "update/engine/control_file.h"
#include "update/engine/engine_settings.h"
#include "update/engine/remembered_values_win.h"
#include "update/engine/signature.h"
#include "update/engine/status_log.h"
#include "update/engine/update_check_win.h"

namespace talkpost::update {

class Installation {
public:
    // What the installation asks of the update it belongs to.
    class Host : public virtual StatusReporter {
    public:
        // One file into folder (ending in "\"), at most maxBytes; false when
        // it failed or was cancelled.
        virtual bool transferFile(const std::string& address, const std::string& folder, std::uint64_t maxBytes) = 0;
        // The local name of an address.
        virtual std::string fileNameFromURL(const std::string& address) = 0;
        // The update's own folder, ending in "\"; empty when it cannot be made.
        virtual std::string downloadFolder() = 0;
        virtual bool cancelled() const = 0;
        virtual void processPendingMessages() = 0;
        // The window that owns the message boxes (none: no owner).
        virtual HWND promptOwner() const = 0;

    protected:
        ~Host() = default;
    };

    // publicKey: while a publisher key is set, a file is used only when it
    // matches the sha256 value its entry carries.
    Installation(const EngineSettings& settings, const std::optional<PublicKeyBytes>& publicKey, FileList& files,
                 ApplicationSettings& application, RememberedValues& remembered, const UpdateCheck& check, Host& host)
        : settings_(settings),
          publicKey_(publicKey),
          files_(files),
          application_(application),
          remembered_(remembered),
          check_(check),
          host_(host)
    {
    }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // The [action] instructions before the download; -1 when the user
    // declined the query (the update is then off).
    int runControlActions(const ControlFile& file);
    // Fetches, checks and installs every entry; -1 when a file could not be
    // fetched, failed its check or has a name that is refused.
    int downloadFiles();
    // The instructions after the download; -1 when cancelled or the post's
    // result was refused.
    int finishUpdate(const ControlFile& file);
    // The HTTP POST of the settings' postUpdateInfo to its server ("host" or
    // "host:port", port 80 by default); its answer is postResult().
    void postUpdateResult();

    // Events, each raised only when assigned.
    // Among the [action] steps, with [custom] processmsg and processparam.
    std::function<void(const std::string& msg, const std::string& param)> onCustomProcess;
    // Before each entry is fetched: its number from 1, its description, and
    // its address, which the handler may change.
    std::function<void(int fileIdx, const std::string& description, std::string& url)> onBeforeFileDownload;
    // Around the post-update report: whether to send it, and whether its
    // answer allows the update to finish.
    std::function<void(bool& allowPost)> onBeforePost;
    std::function<void(const std::string& postResult, bool& allowPostResult)> onProcessPostResult;

    // The last download fetched an application component for the updater helper.
    bool appComponentLoaded() const { return appComponentLoaded_; }
    // The answer of the last post-update report.
    const std::string& postResult() const { return postResult_; }

private:
    // The fetched file's bytes against the entry's sha256 value (while a publisher key is set).
    bool fetchedFileIsGenuine(const std::string& path, const FileDescription& entry, const std::string& name);
    // Fetches one entry into the folder it is installed from; false when it
    // did not come, failed its check or could not be moved there.
    bool fetchEntry(const FileDescription& entry, const std::string& address, const std::string& name,
                    const std::string& folder);
    bool askYesNo(const std::string& text);

    const EngineSettings& settings_;
    const std::optional<PublicKeyBytes>& publicKey_;
    FileList& files_;
    ApplicationSettings& application_;
    RememberedValues& remembered_;
    const UpdateCheck& check_;
    Host& host_;
    bool appComponentLoaded_ = false;
    std::string postResult_;
};

}  // namespace talkpost::update
