// The updater helper's decisions: its command line, which case each component
// takes, the patch command, the log file and its lines, and the folder macros
// of its list files. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talkpost::updater {

// Arguments separated by blanks; a part in double quotes may contain blanks and
// loses its quotes. The first element is the program itself.
std::vector<std::string> splitArguments(const std::string& commandLine);

struct HelperArguments {
    unsigned long processId = 0;
    bool detailedLog = false;          // argument 2 is "L"
    std::optional<std::string> restartCommand;  // argument 3 unless "null"
    std::string from;                  // argument 4 with "\\" at its end
    std::string listSha256;            // argument 5 when it is "sha256=" and 64 hex digits
    std::vector<std::string> components;  // the arguments after these
};

// Nullopt when argument 1 is not a decimal integer: the helper then does nothing.
std::optional<HelperArguments> parseHelperArguments(const std::vector<std::string>& arguments);

enum class ComponentCase { Replacement, ListFile, Patch, Cabinet, Program, Compressed };

// The cases are tested in this order: "_NEW" at the end (any case), ".INF",
// ".PAT", ".CAB", ".EXE", anything else is LZ-compressed.
ComponentCase componentCase(const std::string& name);

// A list file is read whole into memory, at most this many bytes: far more
// than a list of a few hundred files takes.
inline constexpr std::size_t kMaxListFileBytes = 64 * 1024;
// The entries read from one list: each takes at least 16 bytes
// ("FILEn=x" and "TARGETn=" with their line ends), so no list of
// kMaxListFileBytes holds more; a larger COUNT does not make more work.
inline constexpr std::int32_t kMaxListEntries = kMaxListFileBytes / 16;
// FILEn and TARGETn are read into buffers of 129 characters.
inline constexpr std::size_t kMaxListValue = 128;

// One entry of a list file: the file and the folder it goes to (as written,
// before the folder macros).
struct ListEntry {
    std::string file;
    std::string target;
};

// The entries of a list file's bytes ([FILES] COUNT, FILEn, TARGETn), in order;
// entries without a file name are left out.
std::vector<ListEntry> parseListFile(std::string_view bytes);

// "talkpost.exe_NEW" -> "talkpost.exe".
std::string replacementBase(const std::string& name);

// "patcher.exe [-v ]<from><name> <name with .EXE>[ >>UPDATELOG]".
std::string patchCommandLine(const std::string& from, const std::string& name, bool detailedLog);

// stamp + " : [000] " + text.
std::string helperLogLine(const std::string& stamp, const std::string& text);

// The restart command as started: a program path with blanks that names an
// existing file is quoted, so that no shorter path is tried first.
std::string restartCommandLine(const std::string& command, const std::function<bool(const std::string&)>& fileExists);

// How the program the helper started answered: its main window came up, it
// ended first, or it stayed silent for kStartAnswerMs.
enum class StartAnswer { WindowUp, Ended, Silent, NotStarted };
// The time the program started after an update has to show its main window:
// a start under load takes a few seconds, one that takes longer is broken.
inline constexpr unsigned kStartAnswerMs = 30000;

// The log line of a rollback: why it happened and which update it undid.
std::string rollbackLogText(StartAnswer answer, unsigned long exitCode, const std::string& command);

}  // namespace talkpost::updater
