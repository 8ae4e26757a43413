// The updater helper's portable rules.
#include "updater/updater_rules.h"


#include "base/decimal.h"
#include "base/ini_reader.h"
#include "update/install/file_names.h"
#include "update/install/helper_list.h"
#include "update/install/install_restart.h"
#include "update/install/install_plan.h"

namespace talkpost::updater {
namespace {

bool decimal(const std::string& text, unsigned long& value)
{
    // A process identifier is a 32-bit number.
    auto n = parseDecimal(text, 0xFFFFFFFFu);
    if (!n)
        return false;
    value = static_cast<unsigned long>(*n);
    return true;
}

}  // namespace

std::vector<std::string> splitArguments(const std::string& commandLine)
{
    return update::blankSeparatedNames(commandLine);
}

std::optional<HelperArguments> parseHelperArguments(const std::vector<std::string>& arguments)
{
    auto at = [&](std::size_t n) { return n < arguments.size() ? arguments[n] : std::string(); };
    HelperArguments result;
    if (!decimal(at(1), result.processId))
        return std::nullopt;
    result.detailedLog = at(2) == "L";
    if (at(3) != "null" && !at(3).empty())
        result.restartCommand = at(3);
    result.from = at(4);
    if (result.from.empty() || result.from.back() != '\\')
        result.from += '\\';
    std::size_t first = 5;
    const std::string prefix = update::kListArgumentPrefix;
    if (at(5).starts_with(prefix)) {
        if (auto value = update::sha256Value(std::string_view(at(5)).substr(prefix.size())))
            result.listSha256 = *value;
        first = 6;
    }
    for (std::size_t n = first; n < arguments.size(); ++n)
        result.components.push_back(arguments[n]);
    return result;
}

ComponentCase componentCase(const std::string& name)
{
    std::string up = update::upperFileName(name);
    std::size_t marker = up.find("_NEW");
    if (marker != std::string::npos && marker + 4 == up.size())
        return ComponentCase::Replacement;
    std::string ext = update::upperExtension(name);
    if (ext == ".INF")
        return ComponentCase::ListFile;
    if (ext == ".PAT")
        return ComponentCase::Patch;
    if (ext == ".CAB")
        return ComponentCase::Cabinet;
    if (ext == ".EXE")
        return ComponentCase::Program;
    return ComponentCase::Compressed;
}

std::vector<ListEntry> parseListFile(std::string_view bytes)
{
    IniReader text = IniReader::parse(bytes);
    std::int32_t count = text.readInteger("FILES", "COUNT", 0);
    std::vector<ListEntry> entries;
    for (std::int32_t i = 1; i <= count && i <= kMaxListEntries; ++i) {
        std::string n = std::to_string(i);
        ListEntry entry{text.readString("FILES", "FILE" + n).substr(0, kMaxListValue),
                        text.readString("FILES", "TARGET" + n).substr(0, kMaxListValue)};
        if (!entry.file.empty())
            entries.push_back(entry);
    }
    return entries;
}

std::string replacementBase(const std::string& name) { return name.size() >= 4 ? name.substr(0, name.size() - 4) : ""; }

std::string patchCommandLine(const std::string& from, const std::string& name, bool detailedLog)
{
    std::string ext = update::upperExtension(name);
    std::string target = name.substr(0, name.size() - ext.size()) + ".EXE";
    if (detailedLog)
        return "patcher.exe -v " + from + name + " " + target + " >>UPDATELOG";
    return "patcher.exe " + from + name + " " + target;
}

std::string helperLogLine(const std::string& stamp, const std::string& text) { return stamp + " : [000] " + text; }

std::string restartCommandLine(const std::string& command, const std::function<bool(const std::string&)>& fileExists)
{
    if (command.find(' ') != std::string::npos && command.find('"') == std::string::npos && fileExists(command))
        return "\"" + command + "\"";
    return command;
}

std::string rollbackLogText(StartAnswer answer, unsigned long exitCode, const std::string& command)
{
    std::string why;
    switch (answer) {
    case StartAnswer::WindowUp: return {};
    case StartAnswer::Ended: why = "ended (exit code " + std::to_string(exitCode) + ") before its window was up"; break;
    case StartAnswer::Silent:
        why = "did not report its window within " + std::to_string(kStartAnswerMs / 1000) + " s";
        break;
    case StartAnswer::NotStarted: why = "could not be started"; break;
    }
    return "Upd rollback: the updated program " + why + ", the old files are put back: " + command;
}

}  // namespace talkpost::updater
