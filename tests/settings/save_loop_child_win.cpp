// Helper of the settings-file tests, in one of two roles.
//
// Saving (the interrupted-save test): saves a list of 5,000 computers over
// and over, each save naming its round in every item. From the second round
// on it stops at the save step named in TALKPOST_STOP_STEP, sets the event
// named in TALKPOST_STOP_EVENT and waits there to be killed. The settings
// folder comes from TALKPOST_SETTINGS_DIR.
//
// Reading (the save-while-read test): with TALKPOST_READ_LOOP naming a
// settings file, reads its value [S] K every millisecond with the program's
// own reader, as another instance of the program does, and ends with exit
// code 3 as soon as a read finds no value (a file missing or not whole).
#include <windows.h>

#include <string>
#include <vector>

#include "settings/settings_file_win.h"

namespace {

std::string environment(const char* name)
{
    char buffer[256] = {};
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

constexpr int kReadFoundNothing = 3;

int readLoop(const std::string& path)
{
    for (;;) {
        auto file = talkpost::settings::readSettingsFile(path);
        if (!file || file->readValue("S", "K").value_or("").empty())
            return kReadFoundNothing;
        Sleep(1);
    }
}

}  // namespace

int main()
{
    using namespace talkpost::settings;
    if (std::string path = environment("TALKPOST_READ_LOOP"); !path.empty())
        return readLoop(path);
    const std::string stopStep = environment("TALKPOST_STOP_STEP");
    const std::string stopEvent = environment("TALKPOST_STOP_EVENT");
    unsigned round = 0;
    SettingsOptions options;
    options.saveStep = [&](const char* step) {
        if (round == 0 || stopStep != step)
            return;
        if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, stopEvent.c_str()))
            SetEvent(event);
        Sleep(INFINITE);
    };
    SettingsFile settings(options);
    for (;; ++round) {
        std::vector<std::string> items;
        for (int i = 0; i < 5000; ++i)
            items.push_back("round" + std::to_string(round) + "-computer" + std::to_string(i));
        settings.save(SettingsPart::MainStorage, [&](Settings& s) { s.storedValues.computers = items; });
    }
}
