// The updater helper's work, component by component.
#include "updater/updater_helper_win.h"

#include <windows.h>

#include <set>

#include "base/app_error.h"
#include "update/install/cabinet_win.h"
#include "base/ini_reader.h"
#include "update/engine/macros.h"
#include "update/engine/macros_win.h"
#include "update/engine/status_log.h"
#include "update/engine/status_log_win.h"
#include "update/install/file_names.h"
#include "update/install/install_files_win.h"
#include "update/install/install_run_win.h"
#include "update/install/lz_expand_win.h"
#include "update/install/replace_file_win.h"
#include "win/file_bytes_win.h"
#include "updater/updater_rules.h"
#include "win/folders_win.h"
#include "win/handles_win.h"

namespace talkpost::updater {
namespace {

// List files may name list files; each is read once, and no chain of lists
// goes deeper than this.
constexpr int kListDepth = 8;
// The pauses the helper's run makes: after the application has ended, and
// after a program it ran, before the files they used are touched.
constexpr DWORD kSettleMs = 500;
constexpr const char* kDefaultLogName = "UPDATE.LOG";

// The control file's folder macros but {DOC}, which the helper leaves as it stands.
std::string folderMacro(const std::string& name) { return name == "DOC" ? std::string() : update::systemMacroValue(name); }

class Helper {
public:
    Helper(const HelperArguments& arguments, std::string logFile)
        : args_(arguments), logFile_(std::move(logFile)), current_(currentDirectory())
    {
    }

    void run()
    {
        log("Upd cur dir : " + current_, true);
        std::string to = update::withBackslash(current_);
        for (const auto& name : args_.components)
            process(name, args_.from, to, 0);
        if (args_.restartCommand) {
            log("Upd restart " + *args_.restartCommand);
            std::string command = restartCommandLine(*args_.restartCommand, update::fileExists);
            WinExec(command.c_str(), SW_SHOW);
        }
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

    void process(const std::string& name, const std::string& from, const std::string& to, int depth)
    {
        if (!update::isPlainFileName(name)) {
            log("Upd component skipped, not a file of the download folder: " + name, true);
            return;
        }
        switch (componentCase(name)) {
        case ComponentCase::Replacement: replace(name, from, to); break;
        case ComponentCase::ListFile: list(name, from, depth); break;
        case ComponentCase::Patch: patch(name, from); break;
        case ComponentCase::Cabinet: cabinet(name, from, to); break;
        case ComponentCase::Program: program(name, from, to); break;
        case ComponentCase::Compressed: compressed(name, from, to); break;
        }
    }

    // The old file is replaced in one step; when that cannot be done it stays,
    // and the new one stays in the download folder.
    void replace(const std::string& name, const std::string& from, const std::string& to)
    {
        std::string base = replacementBase(name);
        if (!update::isPlainFileName(base)) {
            log("Upd component skipped, not a file of the download folder: " + name, true);
            return;
        }
        if (unsigned long code = update::replaceFile(from + name, to + base))
            log("Upd io error " + std::to_string(code) + " in rename file:" + to + base);
    }

    // A list is read from the download folder, where the update delivered it
    // (a list of the same name elsewhere is stale), once, whatever names it.
    void list(const std::string& name, const std::string& from, int depth)
    {
        log("Upd inf file " + name);
        std::string path = from + name;
        if (!listsRead_.insert(update::upperFileName(path)).second) {
            log("Upd inf file already read, skipped: " + name, true);
            return;
        }
        if (depth >= kListDepth)
            return;
        auto bytes = readFileBytes(path, kMaxListFileBytes);
        if (!bytes)
            return;
        for (const ListEntry& entry : parseListFile(*bytes)) {
            log("upd inf: " + entry.file + " " + entry.target);
            std::string folder = update::expandMacros(entry.target, folderMacro);
            if (!update::pathFreeOfDevices(folder)) {
                log("Upd inf target skipped, a device name: " + entry.target, true);
                continue;
            }
            process(entry.file, from, update::withBackslash(folder), depth + 1);
        }
    }

    void patch(const std::string& name, const std::string& from)
    {
        update::runAndWait(patchCommandLine(from, name, args_.detailedLog), false);
        DeleteFileA((from + name).c_str());
    }

    void cabinet(const std::string& name, const std::string& from, const std::string& to)
    {
        log("Upd cab extract " + name + " " + to);
        auto skipped = [this](const std::string& entry) {
            log("Upd cab entry refused, outside the target folder or a device: " + entry, true);
        };
        if (update::extractCabinet(from + name, to, skipped) != 0)
            log("Upd cabextract failed", true);
        else
            DeleteFileA((from + name).c_str());
    }

    void program(const std::string& name, const std::string& from, const std::string& to)
    {
        log("Upd execute " + name + " " + to);
        update::runAndWait("\"" + from + name + "\"", false);
        Sleep(kSettleMs);
        DeleteFileA((from + name).c_str());
    }

    // The compressed file is looked for in the download folder, where the
    // engine leaves components, and when it is not there in the current directory.
    void compressed(const std::string& name, const std::string& from, const std::string& to)
    {
        log("Upd lzexpand " + name + " " + to);
        std::string source = from + name;
        if (!update::fileExists(source))
            source = update::withBackslash(current_) + name;
        auto expanded = update::expandedNameOf(source);
        if (!expanded)
            return;
        log("Upd lzexpand dest. filename " + *expanded);
        if (!update::isPlainFileName(update::lastPathPart(*expanded))) {
            log("Upd lzexpand skipped, a device name: " + *expanded, true);
            return;
        }
        if (!update::sameFileName(*expanded, source) && !update::lzExpandFile(source, *expanded))
            return;
        std::string target = to + update::lastPathPart(*expanded);
        if (!to.empty() && !update::sameFileName(target, *expanded)) {
            update::createFolders(to);
            if (unsigned long code = update::replaceFile(*expanded, target))
                log("Upd io error " + std::to_string(code) + " in rename file:" + target);
        }
    }

    HelperArguments args_;
    std::string logFile_;
    std::string current_;
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
    if (UniqueHandle process{OpenProcess(SYNCHRONIZE, FALSE, arguments->processId)})
        WaitForSingleObject(process.get(), INFINITE);
    std::string logFile = configuredLogFile();
    Sleep(kSettleMs);
    Helper(*arguments, logFile).run();
}

}  // namespace talkpost::updater
