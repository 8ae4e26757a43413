// The "?" menu's LiveUpdate: the engine configured for this program's update
// server and the wizard run over it in the program's own folder, so that the
// update's files and the restart land beside talkpost.exe whatever folder the
// program was started in.
#include "update/live_update_win.h"

#include <thread>

#include "update/install/install_files_win.h"
#include "update/install/install_restart.h"
#include "update/wizard/login_dialog_win.h"
#include "win/folders_win.h"
#include "win/handles_win.h"
#include "win/prompts_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

// Makes a folder the current directory and puts the previous one back.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder) : previous_(currentDirectory())
    {
        SetCurrentDirectoryW(widen(folder).c_str());
    }
    ~CurrentDirectory()
    {
        if (!previous_.empty())
            SetCurrentDirectoryW(widen(previous_).c_str());
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::string previous_;
};

}  // namespace

std::string programFolder()
{
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::string file = narrow(std::wstring_view(path, length < MAX_PATH * 2 ? length : 0));
    std::size_t cut = file.find_last_of('\\');
    return cut == std::string::npos ? std::string() : file.substr(0, cut);
}

std::optional<RolledBackUpdate> rolledBackUpdate(const settings::Settings& settings)
{
    if (!settings.rolledBackSerial || settings.rolledBackUpdate.empty())
        return std::nullopt;
    return RolledBackUpdate{*settings.rolledBackSerial, settings.rolledBackUpdate};
}

namespace {

// The helper commits the update and ends as soon as it hears from the
// program; a helper that is still there after this long is left to the next start.
constexpr DWORD kHelperEndWaitMs = 60000;

std::string environmentValue(const char* name)
{
    char value[256] = {};
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    // Consumed here: programs this one starts do not see it.
    SetEnvironmentVariableA(name, nullptr);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

}  // namespace

void reportStartedAfterUpdate()
{
    if (std::string event = environmentValue(kStartedEventVariable); !event.empty()) {
        if (UniqueHandle windowUp{OpenEventA(EVENT_MODIFY_STATE, FALSE, event.c_str())})
            SetEvent(windowUp.get());
    }
    auto helperId = readDecimal64(environmentValue(kHelperProcessVariable));
    if (!helperId || *helperId > 0xFFFFFFFFu)
        return;
    HANDLE helper = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(*helperId));
    // The window's thread does not wait for the helper: a worker does, then
    // removes the folder the helper held.
    std::thread([helper] {
        if (helper) {
            WaitForSingleObject(helper, kHelperEndWaitMs);
            CloseHandle(helper);
        }
        try {
            removeLeftoverUpdateFolders(windowsTempFolder());
        } catch (...) {  // what is left goes at the next start
        }
    }).detach();
}

void configureEngine(UpdateEngine& engine, const std::string& updateServer, settings::SettingsFile& settings,
                     Prompts& prompts)
{
    engine.settings = talkpostEngineSettings(updateServer);
    engine.showLogin = [&prompts](const std::string& prompt, std::string& user, std::string& password) {
        return showLoginDialog(prompts, prompt, user, password);
    };
    // The serial and the rolled-back update are read and saved by the
    // update's worker alone, one update at a time.
    engine.readHighestSerial = [&settings] { return settings.values().updateSerial; };
    engine.saveHighestSerial = [&settings](std::uint64_t serial) {
        settings.save(settings::SettingsPart::UpdateSerial, [serial](settings::Settings& s) { s.updateSerial = serial; });
    };
    engine.readRolledBack = [&settings] { return rolledBackUpdate(settings.values()); };
}

LiveUpdate::LiveUpdate(settings::SettingsFile& settings, Prompts& prompts) : settings_(settings), prompts_(prompts)
{
    // The folder a restart handed to the updater helper, and whatever a
    // crashed update left, go when the program starts again.
    removeLeftoverUpdateFolders(windowsTempFolder());
    wizard_.caption = "LiveUpdate";
    wizard_.language = &english_;
    wizard_.updateEngine = &engine_;
}

void LiveUpdate::run(HWND owner, const std::string& updateServer)
{
    if (updateServerBase(updateServer).empty()) {
        prompts_.information(owner, kNoUpdateServerText);
        return;
    }
    configureEngine(engine_, updateServer, settings_, prompts_);
    engine_.setPromptOwner(owner);
    CurrentDirectory inProgramFolder(programFolder());
    wizard_.runWizard(owner);
}

}  // namespace talkpost::update
