// Unpacks the updater helper from the program's resources.
#include "update/install/updater_resource_win.h"

#include "update/install/helper_list.h"
#include "update/install/install_files_win.h"
#include "update/install/lz_expand_win.h"
#include "update/install/sha256_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

// The resource type of raw data (RT_RCDATA, whose macro follows the UNICODE setting).
constexpr WORD kRawData = 10;

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
        UniqueFile file(CreateFileW(widen(compressed).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
        if (!file)
            return std::nullopt;
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes, size, &written, nullptr) || written != size) {
            file.reset();
            DeleteFileW(widen(compressed).c_str());
            return std::nullopt;
        }
    }
    auto helper = expandCompressedFile(compressed);
    if (!helper || !sameFileName(*helper, folder + kHelperFileName))
        return std::nullopt;
    return helper;
}

std::optional<std::string> writeHelperList(const std::string& folder, const std::string& bytes)
{
    std::string path = folder + kHelperListName;
    UniqueFile file(CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get()))
        return std::nullopt;
    // The value of the bytes written, not of what the file may hold later:
    // the helper accepts only these.
    return sha256HexOf(bytes);
}

UpdaterSpawn spawnUpdater(const HelperLaunch& launch, const std::string& listSha256, HMODULE module)
{
    UpdaterSpawn spawn;
    spawn.commandLine = helperCommandLine(launch, listSha256);
    auto helper = unpackUpdater(launch.downloadFolder, module);
    if (!helper)
        return spawn;
    spawn.helperPath = *helper;
    // Held against writes and deletion until the helper runs: what starts is what was unpacked.
    UniqueFile held(CreateFileW(widen(*helper).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueHandle started(CreateEventA(nullptr, TRUE, FALSE, helperStartedEventName(launch.downloadFolder).c_str()));
    if (!started)
        return spawn;
    std::wstring line = widen("\"" + *helper + "\" " + spawn.commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(widen(*helper).c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return spawn;
    UniqueHandle helperProcess(process.hProcess);
    CloseHandle(process.hThread);
    HANDLE waits[] = {started.get(), helperProcess.get()};
    spawn.started = WaitForMultipleObjects(2, waits, FALSE, kHelperStartMs) == WAIT_OBJECT_0;
    if (!spawn.started && WaitForSingleObject(helperProcess.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(helperProcess.get(), 1);
        WaitForSingleObject(helperProcess.get(), kHelperStartMs);
    }
    return spawn;
}

}  // namespace talkpost::update
