// The list the restart hands to the updater helper: the SHA-256 of every file
// the helper may use from the update's folder, as the verified control file
// gave them, and the serial and version of the update for its log and for
// the record of a rollback. The helper gets the list's own SHA-256 on its
// command line, so that nothing written to the update's folder can change
// what it accepts. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talkpost::update {

// The list's name in the update's folder.
inline constexpr const char* kHelperListName = "update.lst";
// A list is read whole into memory, at most this many bytes: a line per file
// of one update, far fewer than this allows.
inline constexpr std::size_t kMaxHelperListBytes = 256 * 1024;

struct HelperListFile {
    std::string name;    // a plain file name of the update's folder
    std::string sha256;  // 64 lower-case hex digits
};

struct HelperList {
    std::uint64_t serial = 0;
    std::string version;  // the name the update is known by ("1.0.0.2")
    std::vector<HelperListFile> files;

    // The value for a file name (compared as the platform compares names), or nothing.
    std::optional<std::string> sha256Of(const std::string& name) const;
};

// "TPUPD-LIST 1", "serial <n>", "version <text>", then "file <sha256> <name>" per file.
std::string composeHelperList(const HelperList& list);

// Nothing unless every line reads: the first names the format, values are
// 64 hex digits, names are plain file names, the version is one line.
std::optional<HelperList> parseHelperList(std::string_view bytes);

// A value as the command line carries it: 64 hex digits, taken in lower case.
std::optional<std::string> sha256Value(std::string_view text);

}  // namespace talkpost::update
