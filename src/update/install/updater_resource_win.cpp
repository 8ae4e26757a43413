// Unpacks the updater helper from the program's resources.
#include "update/install/updater_resource_win.h"

#include <shellapi.h>

#include "update/install/install_files_win.h"
#include "update/install/lz_expand_win.h"
#include "win/handles_win.h"

namespace talkpost::update {
namespace {

// The resource type of raw data (RT_RCDATA, whose macro follows the UNICODE setting).
constexpr WORD kRawData = 10;
// ShellExecuteA answers a value above this when the program started.
constexpr INT_PTR kShellExecuteFailures = 32;

}  // namespace

std::optional<std::string> unpackUpdater(const std::string& folder, HMODULE module)
{
    HRSRC found = FindResourceA(module, "UPD", MAKEINTRESOURCEA(kRawData));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(module, found) : 0;
    if (!bytes || size == 0)
        return std::nullopt;
    std::string compressed = folder + kHelperCompressedName;
    {
        UniqueFile file(CreateFileA(compressed.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file)
            return std::nullopt;
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes, size, &written, nullptr) || written != size) {
            file.reset();
            DeleteFileA(compressed.c_str());
            return std::nullopt;
        }
    }
    auto helper = expandCompressedFile(compressed);
    if (!helper || !sameFileName(*helper, folder + kHelperFileName))
        return std::nullopt;
    return helper;
}

UpdaterSpawn spawnUpdater(const HelperLaunch& launch, HMODULE module)
{
    UpdaterSpawn spawn;
    spawn.commandLine = helperCommandLine(launch);
    std::string temp = windowsTempFolder();
    auto helper = unpackUpdater(temp, module);
    if (!helper)
        return spawn;
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", helper->c_str(), spawn.commandLine.c_str(), nullptr, SW_SHOW));
    spawn.started = result > kShellExecuteFailures;
    return spawn;
}

}  // namespace talkpost::update
