// The updater helper's work, component by component.
#include "updater/updater_helper_win.h"

#include <windows.h>

#include "update/install/cabinet_win.h"
#include "base/app_error.h"
#include "update/engine/macros.h"
#include "update/engine/macros_win.h"
#include "update/engine/status_log.h"
#include "update/engine/status_log_win.h"
#include "update/install/install_files_win.h"
#include "update/install/install_run_win.h"
#include "update/install/lz_expand_win.h"
#include "update/install/replace_file_win.h"
#include "updater/updater_rules.h"
#include "win/handles_win.h"

namespace talkpost::updater {
namespace {

// List files may name list files; beyond this depth a list names itself in a circle.
constexpr int kListDepth = 8;

std::string currentDirectory()
{
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    return std::string(buffer, length < sizeof buffer ? length : 0);
}

// The control file's folder macros but {DOC}, which the helper leaves as it stands.
std::string folderMacro(const std::string& name) { return name == "DOC" ? std::string() : update::systemMacroValue(name); }

std::string fileNamePart(const std::string& path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

class Helper {
public:
    Helper(const HelperArguments& arguments, std::string logFile)
        : args_(arguments), logFile_(std::move(logFile)), current_(currentDirectory())
    {
    }

    void run()
    {
        log("Upd cur dir : " + current_, true);
        std::string to = withBackslash(current_);
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
        if (!plainComponentName(name)) {
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
        if (unsigned long code = update::replaceFile(from + name, to + base))
            log("Upd io error " + std::to_string(code) + " in rename file:" + to + base);
    }

    void list(const std::string& name, const std::string& from, int depth)
    {
        log("Upd inf file " + name);
        if (depth >= kListDepth)
            return;
        std::string path = withBackslash(current_) + name;
        int count = static_cast<int>(GetPrivateProfileIntA("FILES", "COUNT", 0, path.c_str()));
        for (int i = 1; i <= count; ++i) {
            char file[129] = {}, target[129] = {};
            std::string n = std::to_string(i);
            GetPrivateProfileStringA("FILES", ("FILE" + n).c_str(), "", file, sizeof file, path.c_str());
            GetPrivateProfileStringA("FILES", ("TARGET" + n).c_str(), "", target, sizeof target, path.c_str());
            log(std::string("upd inf: ") + file + " " + target);
            process(file, from, withBackslash(update::expandMacros(target, folderMacro)), depth + 1);
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
            log("Upd cab entry skipped, outside the target folder: " + entry, true);
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
        Sleep(500);
        DeleteFileA((from + name).c_str());
    }

    // The compressed file is looked for in the current directory and, when it
    // is not there, in the download folder, where the engine leaves components.
    void compressed(const std::string& name, const std::string& from, const std::string& to)
    {
        log("Upd lzexpand " + name + " " + to);
        std::string source = withBackslash(current_) + name;
        if (!update::fileExists(source) && update::fileExists(from + name))
            source = from + name;
        auto expanded = update::expandedNameOf(source);
        if (!expanded)
            return;
        log("Upd lzexpand dest. filename " + *expanded);
        if (!update::sameFileName(*expanded, source) && !update::lzExpandFile(source, *expanded))
            return;
        std::string target = to + fileNamePart(*expanded);
        if (!to.empty() && !update::sameFileName(target, *expanded)) {
            update::createFolders(to);
            if (unsigned long code = update::replaceFile(*expanded, target))
                log("Upd io error " + std::to_string(code) + " in rename file:" + target);
        }
    }

    HelperArguments args_;
    std::string logFile_;
    std::string current_;
};

std::string configuredLogFile()
{
    std::string documents = update::documentsFolder();
    char name[MAX_PATH] = {};
    std::string ini = (documents.empty() ? std::string() : documents + "\\") + "UPDATE.INI";
    GetPrivateProfileStringA("CONFIG", "LOGFILENAME", "UPDATE.LOG", name, sizeof name, ini.c_str());
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
    Sleep(500);
    Helper(*arguments, logFile).run();
}

}  // namespace talkpost::updater
