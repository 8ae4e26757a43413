// Figures for the settings file: one save and one load of a list of 20,000
// computers in one section call each, next to the key-by-key way for a
// smaller list. Works in a folder of its own under the temporary folder.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "settings/ini_rules.h"
#include "settings/settings_file_win.h"

using namespace talkpost::settings;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<std::string> computers(std::size_t count)
{
    std::vector<std::string> items;
    for (std::size_t i = 0; i < count; ++i)
        items.push_back("WS-" + std::to_string(100000 + i) + ".branch" + std::to_string(i % 40) + ".example");
    return items;
}

}  // namespace

int main(int argc, char** argv)
{
    std::size_t count = argc > 1 ? std::stoul(argv[1]) : 20000;
    std::size_t keyByKeyCount = argc > 2 ? std::stoul(argv[2]) : 2000;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "talkpost-settings-bench-" + std::to_string(GetCurrentProcessId());
    setSettingsFolder(folder);
    setLegacySettingsFolder(folder + "\\none");
    const std::string section = "Storage.IPComboBox_Items";
    std::vector<std::string> items = computers(count);

    for (int round = 1; round <= 3; ++round) {
        auto start = std::chrono::steady_clock::now();
        {
            SettingsWriter writer;
            writer.writeValue("Storage", "UserEdit_Text", "admin");
            writer.writeSection(section, buildListSection(items));
            writer.commit();
        }
        double save = secondsSince(start);
        start = std::chrono::steady_clock::now();
        auto loaded = readList(SettingsReader().readSection(section));
        double load = secondsSince(start);
        bool whole = loaded && *loaded == items;
        std::printf("round %d: save %zu computers %.3f s, load %.3f s, list %s\n", round, count, save, load,
                    whole ? "whole" : "DIFFERENT");
    }

    // The key-by-key way, for comparison, on a plain file.
    std::string plain = folder + "\\keybykey.ini";
    std::vector<std::string> fewer = computers(keyByKeyCount);
    auto start = std::chrono::steady_clock::now();
    WritePrivateProfileStringA(section.c_str(), "Count", std::to_string(fewer.size()).c_str(), plain.c_str());
    for (std::size_t i = 0; i < fewer.size(); ++i)
        WritePrivateProfileStringA(section.c_str(), itemKey(i).c_str(), encodeValue(fewer[i]).c_str(), plain.c_str());
    double save = secondsSince(start);
    start = std::chrono::steady_clock::now();
    char buffer[kMaxValueLength + 1];
    for (std::size_t i = 0; i < fewer.size(); ++i)
        GetPrivateProfileStringA(section.c_str(), itemKey(i).c_str(), "", buffer, sizeof buffer, plain.c_str());
    double load = secondsSince(start);
    std::printf("key by key, for comparison: save %zu computers %.3f s, load %.3f s\n", fewer.size(), save, load);

    DeleteFileA(plain.c_str());
    DeleteFileA(settingsSavePath().c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
