// The update control file: an INI text read from the bytes its signature was
// checked over (base/ini_reader), the list of file entries and the
// [application] section. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ini_reader.h"

namespace talkpost::update {

// One file entry of the control file.
struct FileDescription {
    bool compressed = false;
    std::int32_t newCheckSum = -1;
    std::int32_t newSize = 0;
    std::string url;
    std::string targetDir;
    std::string localVersion;
    std::string newVersion;
    std::string description;
    std::string newCustomVer;
    std::int32_t fileSize = 0;
    std::string newDate;
    std::string newTime;
    bool mandatory = false;
    bool hidden = false;
    bool selected = false;
    // The publisher's SHA-256 of the file (64 hex digits), checked before the file is used.
    std::string sha256;
};

// The engine's ordered list of file entries with the progress sums.
class FileList {
public:
    FileDescription& add();
    std::size_t count() const { return entries_.size(); }
    FileDescription& at(std::size_t index) { return entries_.at(index); }
    const FileDescription& at(std::size_t index) const { return entries_.at(index); }
    void remove(std::size_t index);
    void clear() { entries_.clear(); }
    std::int32_t currentIndex = 0;
    // Sum of every entry's file size, in 32-bit signed arithmetic.
    std::int32_t totalSize() const;
    // Sum of the file sizes of the entries before currentIndex.
    std::int32_t completedSize() const;

private:
    std::vector<FileDescription> entries_;
};

// Expands the keys marked with macros.
using Expander = std::function<std::string(const std::string&)>;

// Fills the list from [files] count and the sections [file1] .. [fileN]; an
// entry is made for every N, whether its section exists or not. Returns the
// count as read (0 when missing).
std::int32_t readFileList(const IniReader& file, const Expander& expand, FileList& list);

// A count beyond this is a damaged file: no entries are made for it.
inline constexpr std::int32_t kMaxFileEntries = 10000;

// What the [application] section tells the engine.
struct ApplicationSettings {
    bool appUpdate = false;
    std::string appCommand;
    std::string appComponents;
    bool silentRestart = false;
};

// Reads [application]: the command with its quoting rules.
ApplicationSettings readApplicationSection(const IniReader& file, const Expander& expand);

// What [update] says about the publication itself, inside the signed bytes:
// its serial (grows with every publication; a file without one counts as 0),
// an optional expiry "dd.mm.yyyy hh:mm" in local time, and whether it may
// install an older version than the one running.
struct Publication {
    std::uint64_t serial = 0;
    bool serialReadable = true;
    std::string expires;
    bool allowDowngrade = false;
};
Publication readPublication(const IniReader& file);

// A serial or a length as text: decimal digits only, at most 19 of them (a
// number of 64 bits); nothing for any other text, the empty one included.
std::optional<std::uint64_t> readDecimal64(const std::string& text);

// A local time as minutes, so that two of them compare as numbers.
struct LocalMinute {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};
// "dd.mm.yyyy hh:mm" read strictly; nothing for any other text or a day
// that does not exist.
std::optional<LocalMinute> readExpiry(const std::string& text);

enum class Freshness { Fresh, Replayed, Expired };
// A publication older than the highest serial accepted before is a replay;
// one whose expiry has come (or cannot be read) has expired.
Freshness freshness(const Publication& publication, std::uint64_t highestSerialSeen, const LocalMinute& now);

// The control file of one update, made from the bytes its signature was
// checked over and never read again from anywhere: its keys, the macro
// expansion of the keys marked with macros, the file list, [application]
// and what [update] says about the publication.
class ControlFile {
public:
    ControlFile(std::string_view verifiedBytes, Expander expand)
        : text_(IniReader::parse(verifiedBytes)), expand_(std::move(expand))
    {
    }
    // No file: every key has its default.
    static const ControlFile& none();

    const IniReader& text() const { return text_; }
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback = {}) const
    {
        return text_.readString(section, key, fallback);
    }
    std::string expand(const std::string& text) const { return expand_ ? expand_(text) : text; }
    // A key marked with macros, expanded.
    std::string readPath(const std::string& section, const std::string& key) const
    {
        return expand(readString(section, key));
    }
    std::int32_t readFileList(FileList& list) const { return update::readFileList(text_, expand_, list); }
    ApplicationSettings application() const { return readApplicationSection(text_, expand_); }
    Publication publication() const { return readPublication(text_); }

private:
    IniReader text_;
    Expander expand_;
};

}  // namespace talkpost::update
