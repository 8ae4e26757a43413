// Figures for the settings file: one save and one load of a list of 20,000
// computers in one section call each, next to a key-by-key save and load of a
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

    // Key by key, for comparison: a save of one write per item, a load of one read per item.
    std::vector<std::string> fewer = computers(keyByKeyCount);
    auto start = std::chrono::steady_clock::now();
    {
        SettingsWriter writer;
        writer.eraseSection(section);
        writer.writeValue(section, "Count", std::to_string(fewer.size()));
        for (std::size_t i = 0; i < fewer.size(); ++i)
            writer.writeValue(section, itemKey(i), encodeValue(fewer[i]));
        writer.commit();
    }
    double save = secondsSince(start);
    start = std::chrono::steady_clock::now();
    std::size_t read = 0;
    {
        SettingsReader reader;
        for (std::size_t i = 0; i < fewer.size(); ++i)
            read += reader.readValue(section, itemKey(i)) == fewer[i] ? 1 : 0;
    }
    double load = secondsSince(start);
    std::printf("key by key, for comparison: save %zu computers %.3f s, load %.3f s, list %s\n", fewer.size(), save,
                load, read == fewer.size() ? "whole" : "DIFFERENT");

    DeleteFileA(settingsSavePath().c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
