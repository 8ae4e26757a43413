// The "?" menu's LiveUpdate: the engine configured for this program's update
// server and the wizard run over it in the program's own folder, so that the
// update's files and the restart land beside talkpost.exe whatever folder the
// program was started in.
#include "update/live_update_win.h"

#include "settings/settings_file_win.h"
#include "update/install/install_files_win.h"
#include "update/wizard/login_dialog_win.h"
#include "win/folders_win.h"
#include "win/prompts_win.h"

namespace talkpost::update {
namespace {

// Makes a folder the current directory and puts the previous one back.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder) : previous_(currentDirectory())
    {
        SetCurrentDirectoryA(folder.c_str());
    }
    ~CurrentDirectory()
    {
        if (!previous_.empty())
            SetCurrentDirectoryA(previous_.c_str());
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::string previous_;
};

}  // namespace

std::string programFolder()
{
    char path[MAX_PATH * 2] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string file(path, length < sizeof path ? length : 0);
    std::size_t cut = file.find_last_of('\\');
    return cut == std::string::npos ? std::string() : file.substr(0, cut);
}

std::uint64_t readHighestUpdateSerial()
{
    // A value that is no serial counts as none accepted yet.
    return readDecimal64(settings::readSettingsValue(kSettingsSection, kHighestSerialKey)).value_or(0);
}

void saveHighestUpdateSerial(std::uint64_t serial)
{
    settings::SettingsWriter writer;
    writer.writeValue(kSettingsSection, kHighestSerialKey, std::to_string(serial));
    writer.commit();
}

void configureEngine(UpdateEngine& engine, const std::string& updateServer)
{
    engine.settings = talkpostEngineSettings(updateServer);
    engine.showLogin = showLoginDialog;
    engine.readHighestSerial = readHighestUpdateSerial;
    engine.saveHighestSerial = saveHighestUpdateSerial;
}

LiveUpdate::LiveUpdate()
{
    // The folder a restart handed to the updater helper, and whatever a
    // crashed update left, go when the program starts again.
    removeLeftoverUpdateFolders(windowsTempFolder());
    wizard_.caption = "LiveUpdate";
    wizard_.language = &english_;
    wizard_.updateEngine = &adapter_;
}

void LiveUpdate::run(HWND owner, const std::string& updateServer)
{
    if (updateServerBase(updateServer).empty()) {
        prompts().information(owner, kNoUpdateServerText);
        return;
    }
    configureEngine(engine_, updateServer);
    engine_.setPromptOwner(owner);
    CurrentDirectory inProgramFolder(programFolder());
    wizard_.runWizard(owner);
}

}  // namespace talkpost::update
