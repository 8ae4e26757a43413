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
#include <vector>

#include "update/engine/control_file.h"
#include "update/engine/engine_settings.h"
#include "update/engine/remembered_values_win.h"
#include "update/engine/signature.h"
#include "update/engine/status_log.h"
#include "update/engine/update_check_win.h"
#include "update/install/helper_list.h"
#include "update/install/install_plan.h"
#include "win/prompts_win.h"

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
        // The window that owns the message boxes (none: no owner).
        virtual HWND promptOwner() const = 0;
        // Runs a message box or dialog on the window's thread and waits for it.
        virtual void onWindowThread(const std::function<void()>& work) = 0;

    protected:
        ~Host() = default;
    };

    // publicKey: while a publisher key is set, a file is used only when it
    // matches the sha256 value its entry carries. prompts: where the control
    // file's messages and questions are shown, on the window's thread.
    Installation(const EngineSettings& settings, const std::optional<PublicKeyBytes>& publicKey, FileList& files,
                 ApplicationSettings& application, RememberedValues& remembered, const UpdateCheck& check, Host& host,
                 Prompts& prompts)
        : settings_(settings),
          publicKey_(publicKey),
          files_(files),
          application_(application),
          remembered_(remembered),
          check_(check),
          host_(host),
          prompts_(prompts)
    {
    }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // The [action] instructions before the download; -1 when the user
    // declined the query (the update is then off).
    int runControlActions(const ControlFile& file);
    // Fetches and checks every entry into the update's own folder, and only
    // when all of them came puts them in place under the update's journal;
    // -1 when a file could not be fetched, failed its check, has a name that
    // is refused, or could not be put in place (then every file already
    // replaced is put back). Nothing of a failed update stays in place.
    int downloadFiles();
    // The instructions after the download; -1 when cancelled.
    int finishUpdate(const ControlFile& file);
    // The HTTP POST of the settings' postUpdateInfo to its server ("host" or
    // "host:port", port 80 by default); its answer is postResult().
    void postUpdateResult();

    // The last download fetched an application component for the updater helper.
    bool appComponentLoaded() const { return appComponentLoaded_; }
    // The components left for the helper with the values they were checked against.
    const std::vector<HelperListFile>& helperFiles() const { return helperFiles_; }
    // The answer of the last post-update report.
    const std::string& postResult() const { return postResult_; }

private:
    // The fetched file's SHA-256, once it matches the entry's value (while a
    // publisher key is set); nothing when it does not.
    std::optional<std::string> fetchedFileValue(const std::string& path, const FileDescription& entry,
                                                const std::string& name);
    // Fetches one entry into the update's folder; nothing when it did not
    // come or failed its check.
    // A file in the update's folder with the value its bytes were checked against.
    struct Fetched {
        FetchedFile file;
        std::string sha256;
    };
    std::optional<Fetched> fetchEntry(const FileDescription& entry, const std::string& address,
                                      const std::string& name);
    // Puts every fetched file in place under the journal; false (with all
    // of it undone) when one could not be.
    bool installFetched(const std::vector<Fetched>& fetched);
    bool askYesNo(const std::string& text);

    const EngineSettings& settings_;
    const std::optional<PublicKeyBytes>& publicKey_;
    FileList& files_;
    ApplicationSettings& application_;
    RememberedValues& remembered_;
    const UpdateCheck& check_;
    Host& host_;
    Prompts& prompts_;
    bool appComponentLoaded_ = false;
    std::vector<HelperListFile> helperFiles_;
    std::string postResult_;
};

}  // namespace talkpost::update
