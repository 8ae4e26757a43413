// The update control file: an INI-style text read with the rules of the
// platform's profile reader (proven equal to it by a table run against the
// real functions), its integer and flag keys, the list of file entries and
// the [application] section. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talkpost::update {

// A value is read into a buffer of 2048 characters: at most this many are seen.
inline constexpr std::size_t kMaxProfileValue = 2047;

// One INI file as the profile reader sees it: sections and keys compared
// without regard to case (the first of two equal names wins), blanks around
// section names, keys and values dropped, one pair of enclosing quotes removed, lines
// beginning with ";" no keys of any use.
class ProfileText {
public:
    static ProfileText parse(std::string_view bytes);
    // The file's text; a missing or unreadable file reads as no sections.
    static ProfileText load(const std::string& path);

    // The value of a key, or the default when the section or key is missing.
    std::string readString(const std::string& section, const std::string& key, const std::string& fallback = {}) const;
    // Integer key: the value read as an integer, the default when it does not read.
    std::int32_t readInteger(const std::string& section, const std::string& key, std::int32_t fallback) const;
    // Flag key: true only for an integer value of 1.
    bool readFlag(const std::string& section, const std::string& key) const;

private:
    struct Section {
        std::vector<std::pair<std::string, std::optional<std::string>>> keys;  // lower-cased name, raw value
    };
    std::vector<std::pair<std::string, Section>> sections_;  // lower-cased name, in file order
};

// A signed 32-bit decimal number, or hexadecimal after "$", "0x" or "0X"
// (up to 32 bits, taken as signed); blanks before it and a sign allowed.
std::optional<std::int32_t> parseProfileInteger(std::string_view text);

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
std::int32_t readFileList(const ProfileText& file, const Expander& expand, FileList& list);

// A count beyond this is a damaged file: no entries are made for it.
inline constexpr std::int32_t kMaxFileEntries = 10000;

// What the [application] section tells the engine.
struct ApplicationSettings {
    bool appUpdate = false;
    std::string appCommand;
    std::string appComponents;
    bool silentRestart = false;
};

// Reads [application]: the command with its quoting rules; onSetAppParams may
// change the parameters before they are quoted.
ApplicationSettings readApplicationSection(const ProfileText& file, const Expander& expand,
                                           const std::function<void(std::string&)>& onSetAppParams = {});

}  // namespace talkpost::update
