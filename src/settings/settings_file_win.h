// Where the settings file lives and how one load or one save reaches it.
// The file is kept in the user's application-data folder; a file of the same
// name in the Windows folder, where earlier versions kept it, is still read
// until the first save. A save writes a copy and replaces the file in one
// step, so an interrupted save leaves the old file or the new one whole.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/ini_reader.h"
#include "settings/ini_document.h"
#include "settings/stored_props.h"
#include "win/handles_win.h"

namespace talkpost::settings {

inline constexpr const char* kSettingsFileName = "Talkpost.ini";

// The folder of the file: set here, else the environment variable
// TALKPOST_SETTINGS_DIR, else "%APPDATA%\Talkpost". Empty clears the setting.
void setSettingsFolder(const std::string& folder);
std::string settingsFolder();
// The folder earlier versions used: set here, else the Windows folder.
void setLegacySettingsFolder(const std::string& folder);

// The file a save writes: the settings folder's "Talkpost.ini".
std::string settingsSavePath();
// The file of earlier versions: "Talkpost.ini" in the Windows folder.
std::string legacySettingsPath();
// The file a load reads: the save path when it exists, else the earlier
// versions' file when that exists, else the save path.
std::string settingsFilePath();

// One value of a section of the settings file, read with the file's rules;
// the fallback when the file, section or key is missing.
std::string readSettingsValue(const std::string& section, const std::string& key, const std::string& fallback = {});

// One open load of the settings file: its bytes are read once and every
// value is answered from them. Writing through it is refused.
class SettingsReader : public IniAccess {
public:
    explicit SettingsReader(std::string path = settingsFilePath());
    std::optional<std::string> readValue(const std::string& section, const std::string& key) override;
    SectionValues readSection(const std::string& section) override;
    void writeValue(const std::string& section, const std::string& key, const std::string& text) override;
    void writeSection(const std::string& section, const std::string& block) override;
    void eraseSection(const std::string& section) override;
    const std::string& path() const { return path_; }

protected:
    // The file's text, read at the first use.
    const IniReader& text();

    std::string path_;
    std::optional<IniReader> text_;
};

// One open save: writes change the current file's text in memory; commit()
// writes it once to a copy beside the target, checks that the copy holds
// everything written and puts it in the target's place in one step. Without commit() the copy is thrown away.
// A refused write throws "nach Talkpost.ini kann nicht geschrieben werden".
// A target that readers hold open is replaced once they let it go, within
// 2 s; after that the save throws "nach <full path> kann nicht geschrieben
// werden: <reason>" and the file keeps its old content. Copies that
// interrupted saves left beside the target are removed when a save starts.
class SettingsWriter : public SettingsReader {
public:
    explicit SettingsWriter(std::string target = settingsSavePath());
    ~SettingsWriter() override;
    SettingsWriter(const SettingsWriter&) = delete;
    SettingsWriter& operator=(const SettingsWriter&) = delete;

    void writeValue(const std::string& section, const std::string& key, const std::string& text) override;
    void writeSection(const std::string& section, const std::string& block) override;
    void eraseSection(const std::string& section) override;
    void commit();

private:
    struct Expectation {
        std::string section;
        std::string key;            // empty: the section is to be absent
        std::string value;          // the decoded value the key is to have
        std::size_t keyCount = 0;   // for a whole section: how many keys it holds
    };
    [[noreturn]] void refuse() const;
    void countWrite() const;

    void expect(Expectation e);

    std::string target_;
    UniqueFile guard_;                   // holds the copy until it replaces the target
    IniDocument document_;               // the file as it is to be, written once by commit()
    std::vector<Expectation> expected_;  // the last word on each key or section
    bool committed_ = false;
};

// Test seam: after this many more successful writes, every write of a save
// is refused as if the disk were full (a negative number turns it off).
void refuseSettingsWritesAfter(int writes);

// Test seam: called at each step of a save ("copied", "written", "checked"),
// so that a test can stop the process exactly there.
void setSaveStepObserverForTest(std::function<void(const char* step)> observer);

}  // namespace talkpost::settings
