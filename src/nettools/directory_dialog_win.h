// DirectoryDialog: Tools -> "Computers from Directory...". The operator names
// the directory (server, base, filter), how to sign in and how to protect the
// connection; Load fetches the computers on a worker thread with a running
// count and Cancel, and merges them into the computer list once the whole
// result has arrived. The fields are kept in the settings file's [Talkpost]
// section, the password never.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "nettools/directory_rules.h"
#include "nettools/directory_search_win.h"
#include "settings/settings_file_win.h"
#include "win/handles_win.h"
#include "win/window_win.h"

namespace talkpost {

class ComputerList;

class DirectoryDialog : public Window {
public:
    // Load and Cancel carry the ids the dialog manager sends for Enter and Escape.
    enum class ControlId : int {
        ServerLabel = 100,
        ServerEdit,
        BaseLabel,
        BaseEdit,
        FilterLabel,
        FilterEdit,
        SignInLabel,
        CurrentUserRadio,
        NamePasswordRadio,
        UserLabel,
        UserEdit,
        PasswordLabel,
        PasswordEdit,
        ConnectionLabel,
        ConnectionCombo,
        RemoveMissingCheck,
        StatusText,
        LoadButton = IDOK,
        CancelButton = IDCANCEL,
    };
    static constexpr int kClientWidth = 424, kClientHeight = 300;

    using LogSink = std::function<void(const std::string& line)>;

    // Made hidden over the owner; the list is what Load merges into, the log
    // sink receives the result's lines; the fields are kept in the settings.
    DirectoryDialog(Prompts& prompts, ComputerList& list, LogSink log, HWND owner, settings::SettingsFile& settings);
    ~DirectoryDialog() override;

    // Fills the fields from the settings (the password empty), shows the
    // dialog modally and returns IDOK once a result was merged, else IDCANCEL.
    int run();
    // Fills the fields from the settings.
    void loadFields();

    HWND control(ControlId id) const { return Window::control(static_cast<int>(id)); }
    // While a load runs.
    bool loading() const { return search_ != nullptr; }
    std::string statusText() const;

protected:
    void scaleTo(int dpi) override;
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override;

private:
    void onLoad();
    void onCancel();
    // Ends the modal run, or hides the dialog when it was shown without one.
    void closeDialog(int result);
    void onSearchMail();
    void finishSearch();
    void merge(directory::SearchOutcome outcome);
    void showSignIn();
    directory::DirectoryFields fields() const;
    void setStatus(const std::string& text);
    void setLoading(bool on);

    ComputerList& list_;
    LogSink log_;
    settings::SettingsFile& settings_;
    UniqueGdiObject font_;
    std::unique_ptr<directory::DirectorySearch> search_;
    HWND focus_ = nullptr;
};

}  // namespace talkpost
