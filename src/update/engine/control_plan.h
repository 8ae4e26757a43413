// What a client does with one verified control file, as data: the
// instructions it carries out and in which order, and for every file entry
// where the file ends up. Read with the engine's own reads (ControlFile,
// planInstall) on a sample client whose folders are known, so that a path can
// be judged inside or outside the program's folder. The publisher's check
// prints it (tools/update/control_reader). Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/engine/control_file.h"
#include "update/install/install_decisions.h"
#include "update/install/install_plan.h"

namespace talkpost::update {

// A control file larger than this is not fetched at all (the client's fetch
// of a small file stops there).
inline constexpr std::size_t kMaxControlFileBytes = std::size_t{1} << 20;

// The sample client: every macro's folder on a drive of its own, so that no
// folder lies inside another one except the system folder inside the Windows
// folder, as on every machine. {APP} is also the current directory of an update.
struct SampleFolder {
    std::string_view macro;   // upper-case name, as the lookup receives it
    std::string_view folder;  // already in folder form
};
inline constexpr SampleFolder kSampleFolders[] = {
    {"APP", "A:\\Talkpost"},   {"WIN", "W:\\Windows"},   {"SYS", "W:\\Windows\\System32"},
    {"TMP", "T:\\Temp"},       {"DOC", "D:\\Documents"}, {"PF", "P:\\Program Files"},
};
// A second sample client with every folder elsewhere. A path written out as
// the first client's folder is not the other's: only what lies in {APP} on
// both lies in {APP} by the file's macros.
inline constexpr SampleFolder kOtherSampleFolders[] = {
    {"APP", "B:\\Other\\Talkpost"}, {"WIN", "V:\\WINNT"}, {"SYS", "V:\\WINNT\\System"},
    {"TMP", "U:\\Tmp"},              {"DOC", "E:\\Docs"},  {"PF", "Q:\\Programs"},
};
// The sample clients' values of a macro; empty for an unknown name.
std::string sampleMacroValue(const std::string& upperName);
std::string otherSampleMacroValue(const std::string& upperName);
// A text of the sample client with each of its folders written as its macro
// again ("W:\Windows\System32\x.dll" as "{SYS}\x.dll"), for people to read.
std::string withMacroNames(const std::string& text);

// The path the platform makes of a path against a current directory ("C:\x"
// for a folder "C:\x"): "/" taken as "\", "." and ".." parts resolved, a
// relative path, one from the drive's root ("\x") or one relative on a drive
// ("C:x") placed as the platform places it. Nothing for a path whose
// meaning depends on more than its text: a part of only dots and blanks
// other than "." and "..", a stream (":" after the drive), the device
// namespaces ("\\.\", "\\?\").
std::optional<std::string> resolvedPath(const std::string& path, const std::string& currentDirectory);

// True when the path, resolved against the current directory, is the folder
// or lies below it, compared as the platform compares file names. A path that
// does not resolve lies inside nothing.
bool pathInsideFolder(const std::string& path, const std::string& folder, const std::string& currentDirectory);

// The [update] and [custom] values the update check reads.
UpdateSection readUpdateSection(const ControlFile& file);

// When a client acts on an instruction.
enum class ActionStage { BeforeDownload, AfterInstall, AfterRestart };

// One instruction of the control file that a client carries out, as it reads it.
struct ControlAction {
    std::string section, key;  // lower case, as the client asks for them
    std::string value;         // as read
    std::string actedOn;       // what the client acts on: macros expanded where it expands them
    ActionStage stage = ActionStage::BeforeDownload;
    std::string what;          // what the client does with it
};

// Every instruction with a non-empty value, in the order the client carries
// them out: [action] msg, htmldlg, runbefore, showurl, query before the
// download; updateurl and runafter after the files are in place; and, when
// the update restarts the program, the command the updater helper starts.
std::vector<ControlAction> controlActions(const ControlFile& file, const ApplicationSettings& application);

// Where one file entry ends up on a client.
struct EntryPlan {
    std::int32_t number = 0;     // N of [fileN]
    bool sectionPresent = false;
    FileDescription entry;       // as readFileList made it
    std::string name;            // the local name taken from its address
    InstallPlan install;
    // The file (or, for a cabinet, the folder of its files) where it ends up;
    // empty when it ends up nowhere (refused, or left in the update's folder).
    std::string landsAt;
    // Its target folder (created when missing) and where it ends up both lie
    // in the program's folder.
    bool insideApp = true;
};

// The entries of the file list with their plans, on a client whose program's
// folder and current directory is appFolder and whose update downloads into
// downloadFolder (ending in "\").
std::vector<EntryPlan> planEntries(const ControlFile& file, const ApplicationSettings& application,
                                   const std::string& appFolder, const std::string& downloadFolder);

// The control file's bytes as the first or the other sample client reads them.
ControlFile onFirstSampleClient(std::string_view verifiedBytes);
ControlFile onOtherSampleClient(std::string_view verifiedBytes);

// The entries as planned on the first sample client (downloading into
// downloadFolder), each inside {APP} only when it is on both.
std::vector<EntryPlan> planEntriesOnSampleClients(std::string_view verifiedBytes, const std::string& downloadFolder);

// True when the program the updater helper starts after the restart lies in
// {APP} on both sample clients and gets no parameters; true also when there
// is no restart.
bool restartStaysInApp(std::string_view verifiedBytes);

}  // namespace talkpost::update
