// Figures for the settings file: the time and the peak memory of the one load
// at start of a 16 MiB file (as the program writes it, UTF-16, and as an
// earlier version wrote it, in the ANSI code page), what a file above the
// limit gives, and one save and one load of a list of 20,000 computers.
// Works in a folder of its own under the temporary folder.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings_file_win.h"

using namespace talkpost::settings;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS memory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

std::string computer(std::size_t i, bool accents)
{
    return (accents ? "Z\xe9" "bre-" : "WS-") + std::to_string(100000 + i) + ".branch" + std::to_string(i % 40) +
           ".example";
}

// Writes a settings file of about the size given, a line at a time (so that
// making it leaves no peak of its own): a computer list that fills it.
// utf16: as the program writes it; else ANSI, as an earlier version did.
std::size_t makeFile(const std::string& path, std::size_t size, bool utf16, bool accents)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::size_t written = 0;
    auto put = [&](const std::string& line) {
        std::string bytes = line;
        if (utf16) {
            std::wstring wide(line.begin(), line.end());  // Latin-1 text: one code unit a byte
            for (std::size_t i = 0; i < line.size(); ++i)
                wide[i] = static_cast<unsigned char>(line[i]);
            bytes.assign(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
        }
        DWORD done = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
        written += done;
    };
    if (utf16) {
        DWORD done = 0;
        WriteFile(file, "\xff\xfe", 2, &done, nullptr);
        written += done;
    }
    put("[Talkpost]\r\nUpdateServer=http://127.0.0.1:8766\r\n\r\n[Storage.IPComboBox_Items]\r\n");
    std::size_t perLine = (utf16 ? 2 : 1) * (computer(0, accents).size() + 14);
    std::size_t count = (size - written) / perLine - 1;
    put("Count=" + std::to_string(count) + "\r\n");
    for (std::size_t i = 0; i < count && written + perLine < size; ++i)
        put("Item" + std::to_string(i) + "=" + computer(i, accents) + "\r\n");
    CloseHandle(file);
    return count;
}

// The file in the folder, and no earlier versions' file.
SettingsOptions options(const std::string& folder)
{
    SettingsOptions options = SettingsOptions::in(folder);
    options.legacyFolder = folder + "\\none";
    return options;
}

// One load at start, as the program makes it, with its time and the peak
// memory above what the process held before.
void measureLoad(const char* what, const std::string& folder)
{
    PROCESS_MEMORY_COUNTERS before = memory();
    auto start = std::chrono::steady_clock::now();
    std::size_t items = 0;
    std::string error;
    {
        SettingsFile settings(options(folder));
        items = settings.values().storedValues.computers ? settings.values().storedValues.computers->size() : 0;
        error = settings.loadError();
    }
    double seconds = secondsSince(start);
    PROCESS_MEMORY_COUNTERS after = memory();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA((folder + "\\Talkpost.ini").c_str(), GetFileExInfoStandard, &data);
    std::printf("%-34s %6.2f MiB file: %7zu computers in %.3f s, peak %.1f MB above the %.1f MB before%s%s\n", what,
                megabytes(data.nFileSizeLow), items, seconds,
                megabytes(after.PeakWorkingSetSize > before.WorkingSetSize ? after.PeakWorkingSetSize - before.WorkingSetSize
                                                                           : 0),
                megabytes(before.WorkingSetSize), error.empty() ? "" : "\n    refused: ", error.c_str());
}

struct Kind {
    const char* what;
    std::size_t size;
    bool utf16;
    bool accents;
};
const Kind kKinds[] = {{"as written (UTF-16)", kMaxSettingsFileBytes, true, false},
                       {"earlier version, ANSI", kMaxSettingsFileBytes, false, false},
                       {"earlier version, ANSI with accents", kMaxSettingsFileBytes, false, true},
                       {"above the limit", kMaxSettingsFileBytes + 1024 * 1024, false, false}};

// Runs this program again for one kind of file: the peak of the working set
// never falls, so each load is measured in a process of its own.
void runKind(std::size_t kind)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = "\"" + std::string(self) + "\" load " + std::to_string(kind);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace

int main(int argc, char** argv)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "talkpost-settings-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\Talkpost.ini";

    if (argc > 2 && std::string(argv[1]) == "load") {
        const Kind& kind = kKinds[std::stoul(argv[2]) % std::size(kKinds)];
        makeFile(path, kind.size, kind.utf16, kind.accents);
        measureLoad(kind.what, folder);
    } else {
        std::printf("one load at start (limit %llu MiB):\n", kMaxSettingsFileBytes / (1024 * 1024));
        for (std::size_t kind = 0; kind < std::size(kKinds); ++kind)
            runKind(kind);
        std::vector<std::string> items;
        for (std::size_t i = 0; i < 20000; ++i)
            items.push_back(computer(i, false));
        for (int round = 1; round <= 3; ++round) {
            SettingsFile settings(options(folder));
            auto start = std::chrono::steady_clock::now();
            settings.save(SettingsPart::MainStorage, [&](Settings& s) { s.storedValues.computers = items; });
            double save = secondsSince(start);
            start = std::chrono::steady_clock::now();
            SettingsFile again(options(folder));
            double load = secondsSince(start);
            bool whole = again.values().storedValues.computers == items;
            std::printf("round %d: save %zu computers %.3f s, load %.3f s, list %s\n", round, items.size(), save, load,
                        whole ? "whole" : "DIFFERENT");
        }
    }
    DeleteFileA(path.c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
