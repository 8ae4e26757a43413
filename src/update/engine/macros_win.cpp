// The macro folders: Windows, system, current, temporary, documents and
// program files folders.
#include "update/engine/macros_win.h"

#include <windows.h>

#include <optional>

#include "update/engine/macros.h"
#include "update/engine/status_log_win.h"
#include "win/folders_win.h"

namespace talkpost::update {
namespace {

std::optional<std::string> programFilesDir()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    char buffer[MAX_PATH + 1] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(buffer) : std::string();
}

}  // namespace

std::string systemMacroValue(const std::string& name)
{
    if (name == "WIN")
        return folderForm(windowsFolder());
    if (name == "SYS")
        return folderForm(systemFolder());
    if (name == "APP")
        return folderForm(currentDirectory());
    if (name == "TMP")
        return folderForm(tempFolder());
    if (name == "DOC")
        return folderForm(documentsFolder());
    if (name == "PF") {
        auto folder = programFilesDir();
        return folder ? folderForm(*folder) : std::string();
    }
    return {};
}

}  // namespace talkpost::update
