// Helper of the interrupted-save test: saves a list of 5,000 computers over
// and over, each save naming its round in every item, until it is killed.
// The settings folder comes from TALKPOST_SETTINGS_DIR.
#include <string>
#include <vector>

#include "settings/ini_rules.h"
#include "settings/settings_file_win.h"

int main()
{
    using namespace talkpost::settings;
    for (unsigned round = 0;; ++round) {
        std::vector<std::string> items;
        for (int i = 0; i < 5000; ++i)
            items.push_back("round" + std::to_string(round) + "-computer" + std::to_string(i));
        SettingsWriter writer;
        writer.writeSection("Storage.IPComboBox_Items", buildListSection(items));
        writer.commit();
    }
}
