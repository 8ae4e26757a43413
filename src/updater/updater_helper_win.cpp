// The updater helper's work: it takes over the update's folder, waits for the
// application to end, checks every component against the list the
// application handed it, puts the components in place under the update's
// journal, starts the program and waits for its main window; when any of
// that fails, it puts the old files back and starts the old program.
#include "updater/updater_helper_win.h"

#include <windows.h>

#include <set>
#include <vector>

#include "base/app_error.h"
#include "base/ini_reader.h"
#include "settings/settings_file_win.h"
#include "update/engine/macros.h"
#include "update/engine/macros_win.h"
#include "update/engine/status_log.h"
#include "update/engine/status_log_win.h"
#include "update/engine/update_folder_win.h"
#include "update/install/cabinet_win.h"
#include "update/install/file_names.h"
#include "update/install/helper_list.h"
#include "update/install/install_files_win.h"
#include "update/install/install_journal_win.h"
#include "update/install/install_restart.h"
#include "update/install/install_run_win.h"
#include "update/install/lz_expand_win.h"
#include "update/install/sha256_win.h"
#include "updater/updater_rules.h"
#include "win/file_bytes_win.h"
#include "win/folders_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost::updater {
namespace {

// List files may name list files; each is read once, and no chain of lists
// goes deeper than this.
constexpr int kListDepth = 8;
// The pauses the helper's run makes: after the application has ended, and
// after a program it ran, before the files they used are touched.
constexpr DWORD kSettleMs = 500;
// How long a program that stayed silent is given to end once it is told to.
constexpr DWORD kEndWaitMs = 10000;
constexpr const char* kDefaultLogName = "UPDATE.LOG";

// The control file's folder macros but {DOC}, which the helper leaves as it stands.
std::string folderMacro(const std::string& name) { return name == "DOC" ? std::string() : update::systemMacroValue(name); }

class Helper {
public:
    Helper(const HelperArguments& arguments, std::string logFile)
        : args_(arguments), logFile_(std::move(logFile)), current_(currentDirectory()), journal_(arguments.from)
    {
    }

    void run()
    {
        log("Upd cur dir : " + current_, true);
        if (!readList()) {
            undo("Upd rollback: the list of checked files is missing or does not match its sha256 value, "
                 "nothing is installed");
            return;
        }
        std::string to = update::withBackslash(current_);
        for (const auto& name : args_.components) {
            if (!process(name, args_.from, to, 0)) {
                undo("Upd rollback: " + name + " could not be put in place, the old files are put back");
                return;
            }
        }
        if (!args_.restartCommand) {
            journal_.commit();
            return;
        }
        std::string command = restartCommandLine(*args_.restartCommand, update::fileExists);
        log("Upd restart " + *args_.restartCommand);
        unsigned long exitCode = 0;
        StartAnswer answer = startAndWatch(command, exitCode);
        if (answer == StartAnswer::WindowUp) {
            journal_.commit();
            log("Upd started program reported its window: " + command);
            return;
        }
        recordRollback();
        undo(rollbackLogText(answer, exitCode, command));
    }

private:
    void log(const std::string& text, bool always = false) const
    {
        if (!always && !args_.detailedLog)
            return;
        try {
            update::appendLineToFile(logFile_, helperLogLine(update::logTimestampNow(), text));
        } catch (const AppError&) {  // a log that cannot be written stops no component
        }
    }

    // The list of checked files, accepted only with the value the command line gives.
    bool readList()
    {
        auto bytes = readFileBytes(args_.from + update::kHelperListName, update::kMaxHelperListBytes);
        if (args_.listSha256.empty() || !bytes || update::sha256HexOf(*bytes) != args_.listSha256)
            return false;
        auto list = update::parseHelperList(*bytes);
        if (!list)
            return false;
        list_ = *list;
        return true;
    }

    // Puts back what the update replaced and starts the program that was
    // there before, so that the user has it again.
    void undo(const std::string& why)
    {
        bool all = journal_.restore();
        log(why, true);
        if (!all)
            log("Upd rollback incomplete, the next start of the program finishes it", true);
        if (!args_.restartCommand)
            return;
        std::string command = restartCommandLine(*args_.restartCommand, update::fileExists);
        log("Upd restart old program " + command, true);
        SetEnvironmentVariableA(update::kStartedEventVariable, nullptr);
        PROCESS_INFORMATION process{};
        if (startProgram(command, process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }

    // The rolled-back update, so that the next check does not offer it unasked.
    void recordRollback() const
    {
        try {
            settings::SettingsFile settings;
            settings.save(settings::SettingsPart::RolledBack, [this](settings::Settings& s) {
                s.rolledBackSerial = list_.serial;
                s.rolledBackUpdate = list_.version;
            });
        } catch (const AppError& error) {
            log("Upd rollback not recorded: " + std::string(error.what()), true);
        }
    }

    // The program inherits this helper's environment: the event it sets once
    // its main window is up, and this helper's id, after whose end it
    // removes the update's folder.
    bool startProgram(const std::string& command, PROCESS_INFORMATION& process) const
    {
        SetEnvironmentVariableA(update::kHelperProcessVariable, std::to_string(GetCurrentProcessId()).c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOW;
        std::wstring line = widen(command);
        return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process) != FALSE;
    }

    StartAnswer startAndWatch(const std::string& command, unsigned long& exitCode)
    {
        std::string name = update::programStartedEventName(args_.from);
        UniqueHandle windowUp(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
        if (!windowUp)
            return StartAnswer::NotStarted;
        SetEnvironmentVariableA(update::kStartedEventVariable, name.c_str());
        PROCESS_INFORMATION started{};
        if (!startProgram(command, started))
            return StartAnswer::NotStarted;
        UniqueHandle program(started.hProcess);
        CloseHandle(started.hThread);
        HANDLE waits[] = {windowUp.get(), program.get()};
        DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kStartAnswerMs);
        if (woke == WAIT_OBJECT_0)
            return StartAnswer::WindowUp;
        if (woke == WAIT_OBJECT_0 + 1) {
            DWORD code = 0;
            GetExitCodeProcess(program.get(), &code);
            exitCode = code;
            return StartAnswer::Ended;
        }
        // Silent: it is ended, so that its files can be put back.
        TerminateProcess(program.get(), 1);
        WaitForSingleObject(program.get(), kEndWaitMs);
        return StartAnswer::Silent;
    }

    // The file held open against writes and deletion, once its bytes match
    // the list's value for name; nothing (and a log line) otherwise.
    UniqueFile checked(const std::string& path, const std::string& name)
    {
        auto expected = list_.sha256Of(name);
        if (!expected) {
            log("Upd file not in the list of checked files, refused: " + name, true);
            return {};
        }
        UniqueFile file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        auto actual = file ? update::sha256HexOfHandle(file.get()) : std::nullopt;
        if (!actual || *actual != *expected) {
            log("Upd file does not match its sha256 value, refused: " + name, true);
            return {};
        }
        SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN);
        return file;
    }

    // One file into place under the journal, from bytes that must match expected (when given).
    bool place(const std::string& source, const std::string& expected, const std::string& target)
    {
        unsigned long code = journal_.putInPlace(source, expected, target);
        if (code == ERROR_INVALID_DATA)
            log("Upd file does not match its sha256 value, refused: " + update::lastPathPart(source), true);
        else if (code != 0)
            log("Upd io error " + std::to_string(code) + " in rename file:" + target, true);
        return code == 0;
    }

    // False when the component makes the update fail: a file that does not
    // match its value, or one that cannot be put in place.
    bool process(const std::string& name, const std::string& from, const std::string& to, int depth)
    {
        if (!update::isPlainFileName(name)) {
            log("Upd component skipped, not a file of the download folder: " + name, true);
            return true;
        }
        switch (componentCase(name)) {
        case ComponentCase::Replacement: return replace(name, from, to);
        case ComponentCase::ListFile: return list(name, from, depth);
        case ComponentCase::Patch: return patch(name, from);
        case ComponentCase::Cabinet: return cabinet(name, from, to);
        case ComponentCase::Program: return program(name, from, to);
        case ComponentCase::Compressed: return compressed(name, from, to);
        }
        return true;
    }

    bool replace(const std::string& name, const std::string& from, const std::string& to)
    {
        std::string base = replacementBase(name);
        if (!update::isPlainFileName(base)) {
            log("Upd component skipped, not a file of the download folder: " + name, true);
            return true;
        }
        auto expected = list_.sha256Of(name);
        if (!expected) {
            log("Upd file not in the list of checked files, refused: " + name, true);
            return false;
        }
        if (!place(from + name, *expected, to + base))
            return false;
        DeleteFileW(widen(from + name).c_str());
        return true;
    }

    // A list is read from the download folder, where the update delivered it
    // (a list of the same name elsewhere is stale), once, whatever names it.
    bool list(const std::string& name, const std::string& from, int depth)
    {
        log("Upd inf file " + name);
        std::string path = from + name;
        if (!listsRead_.insert(update::upperFileName(path)).second) {
            log("Upd inf file already read, skipped: " + name, true);
            return true;
        }
        if (depth >= kListDepth)
            return true;
        auto bytes = readFileBytes(path, kMaxListFileBytes);
        if (!bytes)
            return true;
        // The bytes parsed are the bytes checked.
        auto expected = list_.sha256Of(name);
        if (!expected || update::sha256HexOf(*bytes) != *expected) {
            log("Upd file does not match its sha256 value, refused: " + name, true);
            return false;
        }
        for (const ListEntry& entry : parseListFile(*bytes)) {
            log("upd inf: " + entry.file + " " + entry.target);
            std::string folder = update::expandMacros(entry.target, folderMacro);
            if (!update::pathFreeOfDevices(folder)) {
                log("Upd inf target skipped, a device name: " + entry.target, true);
                continue;
            }
            if (!process(entry.file, from, update::withBackslash(folder), depth + 1))
                return false;
        }
        return true;
    }

    bool patch(const std::string& name, const std::string& from)
    {
        UniqueFile held = checked(from + name, name);
        if (!held)
            return false;
        update::runAndWait(patchCommandLine(from, name, args_.detailedLog), false);
        held.reset();
        DeleteFileW(widen(from + name).c_str());
        return true;
    }

    // Extracted beside the cabinet first, then put in place file by file.
    bool cabinet(const std::string& name, const std::string& from, const std::string& to)
    {
        log("Upd cab extract " + name + " " + to);
        UniqueFile held = checked(from + name, name);
        if (!held)
            return false;
        auto skipped = [this](const std::string& entry) {
            log("Upd cab entry refused, outside the target folder or a device: " + entry, true);
        };
        std::string staged = from + "cabinet-" + name + "\\";
        if (!update::createFolders(staged) || update::extractCabinet(from + name, staged, skipped) != 0) {
            log("Upd cabextract failed", true);
            return true;
        }
        held.reset();
        for (const std::string& relative : update::filesBelow(staged))
            if (!place(staged + relative, {}, to + relative))
                return false;
        DeleteFileW(widen(from + name).c_str());
        return true;
    }

    bool program(const std::string& name, const std::string& from, const std::string& to)
    {
        log("Upd execute " + name + " " + to);
        // Held against change while it runs: what runs is what was checked.
        UniqueFile held = checked(from + name, name);
        if (!held)
            return false;
        update::runAndWait("\"" + from + name + "\"", false);
        held.reset();
        Sleep(kSettleMs);
        DeleteFileW(widen(from + name).c_str());
        return true;
    }

    // The compressed file is looked for in the download folder, where the
    // engine leaves components, and when it is not there in the current
    // directory; either way its bytes must match the list's value.
    bool compressed(const std::string& name, const std::string& from, const std::string& to)
    {
        log("Upd lzexpand " + name + " " + to);
        std::string source = from + name;
        if (!update::fileExists(source))
            source = update::withBackslash(current_) + name;
        if (!update::fileExists(source))
            return true;  // not found: skipped
        UniqueFile held = checked(source, name);
        if (!held)
            return false;
        auto expanded = update::expandedNameOf(source);
        if (!expanded)
            return true;
        log("Upd lzexpand dest. filename " + *expanded);
        std::string expandedName = update::lastPathPart(*expanded);
        if (!update::isPlainFileName(expandedName)) {
            log("Upd lzexpand skipped, a device name: " + *expanded, true);
            return true;
        }
        if (update::sameFileName(*expanded, source) || to.empty())
            return true;
        std::string staged = from + "expanded-" + expandedName;
        if (!update::lzExpandFile(source, staged))
            return true;
        held.reset();
        bool placed = place(staged, {}, to + expandedName);
        DeleteFileW(widen(staged).c_str());
        return placed;
    }

    HelperArguments args_;
    std::string logFile_;
    std::string current_;
    update::InstallJournal journal_;
    update::HelperList list_;
    std::set<std::string> listsRead_;  // the list files read so far, upper case
};

// LOGFILENAME of [CONFIG] in UPDATE.INI of the documents folder, read with
// the same reader as the lists (the file is small and optional).
std::string configuredLogFile()
{
    std::string documents = update::documentsFolder();
    std::string ini = (documents.empty() ? std::string() : documents + "\\") + "UPDATE.INI";
    std::string name = kDefaultLogName;
    if (auto bytes = readFileBytes(ini, kMaxListFileBytes))
        name = IniReader::parse(*bytes).readString("CONFIG", "LOGFILENAME", kDefaultLogName);
    return update::logFilePath(name, documents);
}

}  // namespace

void runHelper(const std::string& commandLine)
{
    auto arguments = parseHelperArguments(splitArguments(commandLine));
    if (!arguments)
        return;
    // The folder is locked for this helper before the application lets go
    // of it, so that no other start removes it; then the application may end.
    UniqueFile lock = update::lockUpdateFolderForHelper(arguments->from);
    if (UniqueHandle started{OpenEventA(EVENT_MODIFY_STATE, FALSE, update::helperStartedEventName(arguments->from).c_str())})
        SetEvent(started.get());
    if (UniqueHandle process{OpenProcess(SYNCHRONIZE, FALSE, arguments->processId)})
        WaitForSingleObject(process.get(), INFINITE);
    std::string logFile = configuredLogFile();
    Sleep(kSettleMs);
    Helper(*arguments, logFile).run();
}

}  // namespace talkpost::updater
