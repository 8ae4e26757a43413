// Restart: the end of an update that fetched application components. They
// wait in the update's folder; the updater helper, started with them, puts
// them in place once this process has ended and starts the program again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "update/engine/control_file.h"
#include "update/engine/engine_settings.h"
#include "update/engine/installation_win.h"
#include "win/prompts_win.h"
#include "update/engine/status_log.h"

namespace talkpost::update {

// The error box when the helper did not start.
extern const char* const kHelperNotStartedText;

class Restart {
public:
    // What the restart asks of the update it belongs to.
    class Host : public virtual StatusReporter {
    public:
        virtual bool cancelled() const = 0;
        // Asks the progress handler whether to stop (OnProgressCancel).
        virtual bool cancelRequested() = 0;
        // The update's own folder, ending in "\".
        virtual std::string downloadFolder() = 0;
        // Leaves that folder on disk for the updater helper.
        virtual void keepDownloadFolderForHelper() = 0;
        // Ends the update without its restart: the files it put in place go
        // back and its folder is removed.
        virtual void undoUpdate() = 0;
        // The serial of the control file and the name its update is known by.
        virtual std::uint64_t publicationSerial() const = 0;
        virtual std::string updateName() const = 0;
        // The window that owns the message boxes (none: no owner).
        virtual HWND promptOwner() const = 0;
        // Runs a message box, or the end of the program's message loop, on
        // the window's thread and waits for it.
        virtual void onWindowThread(const std::function<void()>& work) = 0;

    protected:
        ~Host() = default;
    };

    // prompts: where the restart question and a failed start are shown, on
    // the window's thread.
    Restart(const EngineSettings& settings, const ApplicationSettings& application, const Installation& installation,
            Host& host, Prompts& prompts)
        : settings_(settings), application_(application), installation_(installation), host_(host), prompts_(prompts)
    {
    }
    Restart(const Restart&) = delete;
    Restart& operator=(const Restart&) = delete;

    // A restart through the updater helper is due: the update is on, not
    // cancelled, and it fetched an application component.
    bool restartRequired() const;
    // Unless cancelled or refused (the question is asked unless
    // [application] silentrestart): hands the application components to the
    // updater helper and, once the helper holds them, tells the application
    // to end. A helper that does not start is reported, the update undone,
    // and the application goes on.
    void restartApplication();

private:
    const EngineSettings& settings_;
    const ApplicationSettings& application_;
    const Installation& installation_;
    Host& host_;
    Prompts& prompts_;
};

}  // namespace talkpost::update
