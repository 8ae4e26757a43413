// Where the settings file lives, how it is read once at start into the
// settings object and how a save reaches it. The file is kept in the user's
// application-data folder; a file of the same name in the Windows folder,
// where earlier versions kept it, is still read until the first save. A save
// writes a copy and replaces the file in one step, so an interrupted save
// leaves the old file or the new one whole.
//
// Text: the values are UTF-8 inside. The file is written as UTF-16LE with a
// byte order mark, the form the platform's own profile functions read; a
// file without a mark (the earlier versions' kind) is read in the ANSI code
// page, one with the UTF-8 mark as UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "base/ini_reader.h"
#include "settings/ini_document.h"
#include "settings/settings.h"
#include "win/handles_win.h"

namespace talkpost::settings {

inline constexpr const char* kSettingsFileName = "Talkpost.ini";

// The largest settings file that is read. A list of 400,000 computers fits;
// a larger file is left as it is, the settings start from their defaults and
// saves refuse to write over it, so nothing in it is lost.
inline constexpr std::uint64_t kMaxSettingsFileBytes = 16ULL * 1024 * 1024;

struct SettingsOptions {
    // The folder of the file (UTF-8); empty: the environment variable
    // TALKPOST_SETTINGS_DIR, else "%APPDATA%\Talkpost".
    std::string folder;
    // The folder the earlier versions used; empty: the Windows folder.
    std::string legacyFolder;
    // Asked before each write of a save; true refuses the write as a full
    // disk would (for tests).
    std::function<bool()> refuseWrite;
    // Called at each step of a save ("copied", "written", "checked"), so that
    // a test can stop the process exactly there.
    std::function<void(const char* step)> saveStep;

    // The file in the folder given, the rest as by default.
    static SettingsOptions in(std::string folder)
    {
        SettingsOptions options;
        options.folder = std::move(folder);
        return options;
    }
};

// The settings file's location for a set of options.
class SettingsLocation {
public:
    explicit SettingsLocation(const SettingsOptions& options = {});
    const std::string& folder() const { return folder_; }
    // The file a save writes: the settings folder's "Talkpost.ini".
    std::string savePath() const;
    // The file of earlier versions.
    std::string legacyPath() const;
    // The file a load reads: the save path when it exists, else the earlier
    // versions' file when that exists, else the save path.
    std::string loadPath() const;

private:
    std::string folder_;
    std::string legacyFolder_;
};

// The text of a settings file as UTF-8, from its bytes as they lie on the disk.
std::string settingsText(const std::string& bytes);
// The bytes of a settings file: the text as UTF-16LE with its byte order mark.
std::string settingsBytes(const std::string& text);

// A settings file's text (UTF-8) parsed once; a missing or unreadable file
// reads as one without sections. Nothing when the file is larger than kMaxSettingsFileBytes.
std::optional<IniReader> readSettingsFile(const std::string& path);

// The program's settings: read from the file once, when made, and handed to
// the windows and services that need them. A save changes the values and
// writes one part of them to the file.
class SettingsFile {
public:
    explicit SettingsFile(SettingsOptions options = {});
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;

    // The values as read and as changed since. Read them on the thread that
    // saves them (the update's serial is read and saved by the update alone).
    const Settings& values() const { return values_; }
    // Why the file was not read, when it was not (it is too large); the
    // values are then the defaults.
    const std::string& loadError() const { return loadError_; }

    // Changes the values, then writes the part to the file in one step. The
    // values stay changed when the write fails, for the next save; the failure
    // is thrown as "nach Talkpost.ini kann nicht geschrieben werden" or, when
    // the file stays held by another program, with its full path and reason.
    void save(SettingsPart part, const std::function<void(Settings&)>& change = {});

    const SettingsLocation& location() const { return location_; }

private:
    SettingsOptions options_;
    SettingsLocation location_;
    Settings values_;
    std::string loadError_;
    std::mutex saving_;
};

// One open save of the file: writes change the current file's text in
// memory; commit() writes it once to a copy beside the target, checks that
// the copy holds everything written and puts it in the target's place in one
// step. Without commit() the copy is thrown away. A refused write throws
// "nach Talkpost.ini kann nicht geschrieben werden". A target that readers
// hold open is replaced once they let it go, within 2 s; after that the save
// throws "nach <full path> kann nicht geschrieben werden: <reason>" and the
// file keeps its old content. Copies that interrupted saves left beside the
// target are removed when a save starts. source: the file whose keys carry
// over when the target does not exist yet.
class SettingsWriter : public IniSink {
public:
    SettingsWriter(std::string target, const std::string& source, const SettingsOptions& options = {});
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
    void step(const char* name) const;
    void expect(Expectation e);

    SettingsOptions options_;
    std::string target_;
    std::string copy_;
    UniqueFile guard_;                   // holds the copy until it replaces the target
    IniDocument document_;               // the file as it is to be, written once by commit()
    std::vector<Expectation> expected_;  // the last word on each key or section
    bool committed_ = false;
};

}  // namespace talkpost::settings
