// The instructions and the file entries of a control file as a client acts on them.
#include "update/engine/control_plan.h"

#include <cctype>

#include "update/engine/engine_settings.h"
#include "update/engine/macros.h"
#include "update/engine/transfer.h"
#include "update/install/file_names.h"

namespace talkpost::update {
namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool hasDriveLetter(const std::string& path)
{
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

bool isUncPath(const std::string& path) { return path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]); }

// The root of an absolute path, "X:" or "\\server\share", and where the rest
// begins; nothing for a path without one.
std::optional<std::pair<std::string, std::size_t>> rootOf(const std::string& path)
{
    if (hasDriveLetter(path))
        return std::pair{path.substr(0, 2), std::size_t{2}};
    if (!isUncPath(path))
        return std::nullopt;
    std::size_t server = path.find('\\', 2);
    if (server == std::string::npos || server == 2)
        return std::nullopt;
    std::size_t share = path.find('\\', server + 1);
    if (share == std::string::npos)
        share = path.size();
    if (share == server + 1)
        return std::nullopt;
    return std::pair{path.substr(0, share), share};
}

}  // namespace

template <std::size_t N>
std::string folderOf(const SampleFolder (&folders)[N], const std::string& upperName)
{
    for (const SampleFolder& sample : folders)
        if (sample.macro == upperName)
            return std::string(sample.folder);
    return {};
}

std::string sampleMacroValue(const std::string& upperName) { return folderOf(kSampleFolders, upperName); }

std::string otherSampleMacroValue(const std::string& upperName) { return folderOf(kOtherSampleFolders, upperName); }

std::string withMacroNames(const std::string& text)
{
    std::string result;
    std::size_t i = 0;
    while (i < text.size()) {
        // The longest folder that begins here: the system folder before the Windows folder.
        const SampleFolder* found = nullptr;
        for (const SampleFolder& sample : kSampleFolders) {
            std::size_t n = sample.folder.size();
            if (text.size() - i >= n && sameFileName(text.substr(i, n), std::string(sample.folder)) &&
                (found == nullptr || n > found->folder.size()))
                found = &sample;
        }
        if (found == nullptr) {
            result += text[i++];
            continue;
        }
        result += "{" + std::string(found->macro) + "}";
        i += found->folder.size();
    }
    return result;
}

std::optional<std::string> resolvedPath(const std::string& path, const std::string& currentDirectory)
{
    std::string p = path, here = currentDirectory;
    for (std::string* text : {&p, &here})
        for (char& c : *text)
            if (c == '/')
                c = '\\';
    // The device namespaces take the rest of the path as it stands.
    if (p.size() >= 4 && isUncPath(p) && (p[2] == '.' || p[2] == '?') && p[3] == '\\')
        return std::nullopt;
    auto hereRoot = rootOf(here);
    if (!hereRoot)
        return std::nullopt;
    std::string absolute;
    if (isUncPath(p)) {
        absolute = p;
    } else if (hasDriveLetter(p)) {
        if (p.size() >= 3 && p[2] == '\\')
            absolute = p;
        else if (sameFileName(p.substr(0, 2), hereRoot->first))
            absolute = here + "\\" + p.substr(2);  // relative on the current directory's drive
        else
            absolute = p.substr(0, 2) + "\\" + p.substr(2);  // the drive's own current directory: its root
    } else if (!p.empty() && p[0] == '\\') {
        absolute = hereRoot->first + p;
    } else {
        absolute = here + "\\" + p;
    }
    auto root = rootOf(absolute);
    if (!root)
        return std::nullopt;
    std::vector<std::string> parts;
    std::vector<std::string> given = pathParts(absolute.substr(root->second));
    // A trailing backslash ends no part: the part before it is the last one.
    while (!given.empty() && given.back().empty())
        given.pop_back();
    for (std::size_t i = 0; i < given.size(); ++i) {
        std::string part = given[i];
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        if (part.find(':') != std::string::npos || part.find_first_not_of(". ") == std::string::npos)
            return std::nullopt;
        bool last = i + 1 == given.size();
        if (last)
            part.erase(part.find_last_not_of(". ") + 1);  // the platform drops them at the end of a path
        else if (part.back() == '.' && part[part.size() - 2] != '.')
            part.pop_back();  // and one dot at the end of any part
        parts.push_back(part);
    }
    std::string result = root->first + "\\";
    for (std::size_t i = 0; i < parts.size(); ++i)
        result += (i == 0 ? "" : "\\") + parts[i];
    return result;
}

bool pathInsideFolder(const std::string& path, const std::string& folder, const std::string& currentDirectory)
{
    auto inner = resolvedPath(path, currentDirectory), outer = resolvedPath(folder, currentDirectory);
    if (!inner || !outer)
        return false;
    std::string prefix = withBackslash(*outer);
    return sameFileName(*inner, *outer) ||
           (inner->size() > prefix.size() && sameFileName(inner->substr(0, prefix.size()), prefix));
}

UpdateSection readUpdateSection(const ControlFile& file)
{
    UpdateSection u;
    u.descr = file.readString("update", "descr");
    u.date = file.readString("update", "date");
    u.time = file.readString("update", "time");
    u.localVersion = file.readPath("update", "localversion");
    u.unconditional = file.readString("update", "unconditional");
    u.newVersion = file.readString("update", "newversion");
    u.newSize = file.text().readInteger("update", "newsize", 0);
    u.newChecksum = file.text().readInteger("update", "newchecksum", -1);
    return u;
}

std::vector<ControlAction> controlActions(const ControlFile& file, const ApplicationSettings& application)
{
    // The keys the installation reads around the download, in its order.
    struct Key {
        const char* key;
        bool macros;
        ActionStage stage;
        const char* what;
    };
    static constexpr Key kKeys[] = {
        {"msg", false, ActionStage::BeforeDownload, "the client shows a message box"},
        {"htmldlg", true, ActionStage::BeforeDownload, "the client shows the page in an HTML dialog"},
        {"runbefore", true, ActionStage::BeforeDownload, "the client starts the program"},
        {"showurl", true, ActionStage::BeforeDownload, "the client opens the page in the browser"},
        {"query", false, ActionStage::BeforeDownload, "the client asks yes or no, No ends the update"},
        {"updateurl", false, ActionStage::AfterInstall, "the client fetches every later control file from there"},
        {"runafter", true, ActionStage::AfterInstall, "the client starts the program"},
    };
    std::vector<ControlAction> actions;
    for (const Key& k : kKeys) {
        std::string value = file.readString("action", k.key);
        if (value.empty())
            continue;
        actions.push_back({"action", k.key, value, k.macros ? file.expand(value) : value, k.stage, k.what});
    }
    if (application.appUpdate)
        actions.push_back({"application", "appname", file.readString("application", "appname"), application.appCommand,
                           ActionStage::AfterRestart, "the updater helper starts the program"});
    return actions;
}

std::vector<EntryPlan> planEntries(const ControlFile& file, const ApplicationSettings& application,
                                   const std::string& appFolder, const std::string& downloadFolder)
{
    const EngineSettings settings = talkpostEngineSettings({});
    FileList list;
    file.readFileList(list);
    std::vector<EntryPlan> plans;
    for (std::size_t i = 0; i < list.count(); ++i) {
        EntryPlan plan;
        plan.number = static_cast<std::int32_t>(i + 1);
        plan.entry = list.at(i);
        const FileDescription& entry = plan.entry;
        plan.name = fileNameFromURL(entry.url);
        std::string fetchFolder = settings.useWinTempDir ? downloadFolder : entry.targetDir;
        plan.install = planInstall({plan.name, entry.targetDir, fetchFolder, entry.compressed},
                                   {application.appComponents, settings.extractCAB});
        const InstallPlan& install = plan.install;
        if (install.refused) {
            plans.push_back(plan);
            continue;  // neither fetched nor given a folder
        }
        if (install.component || install.lzExpand)
            plan.landsAt = withBackslash(appFolder) + plan.name;  // by the helper, or expanded where the update runs
        else if (install.moveToTarget)
            plan.landsAt = entry.targetDir + plan.name;
        else if (install.extractCabinet)
            plan.landsAt = entry.targetDir.empty() ? appFolder : entry.targetDir;
        plan.insideApp = (entry.targetDir.empty() || pathInsideFolder(entry.targetDir, appFolder, appFolder)) &&
                         (plan.landsAt.empty() || pathInsideFolder(plan.landsAt, appFolder, appFolder));
        plans.push_back(plan);
    }
    return plans;
}

ControlFile onFirstSampleClient(std::string_view verifiedBytes)
{
    return ControlFile(verifiedBytes, [](const std::string& text) { return expandMacros(text, sampleMacroValue); });
}

ControlFile onOtherSampleClient(std::string_view verifiedBytes)
{
    return ControlFile(verifiedBytes, [](const std::string& text) { return expandMacros(text, otherSampleMacroValue); });
}

std::vector<EntryPlan> planEntriesOnSampleClients(std::string_view verifiedBytes, const std::string& downloadFolder)
{
    const ControlFile first = onFirstSampleClient(verifiedBytes), other = onOtherSampleClient(verifiedBytes);
    std::vector<EntryPlan> plans = planEntries(first, first.application(), sampleMacroValue("APP"), downloadFolder);
    std::vector<EntryPlan> elsewhere =
        planEntries(other, other.application(), otherSampleMacroValue("APP"), otherSampleMacroValue("TMP") + "\\x\\");
    for (std::size_t i = 0; i < plans.size() && i < elsewhere.size(); ++i)
        plans[i].insideApp = plans[i].insideApp && elsewhere[i].insideApp;
    return plans;
}

bool restartStaysInApp(std::string_view verifiedBytes)
{
    const ControlFile first = onFirstSampleClient(verifiedBytes), other = onOtherSampleClient(verifiedBytes);
    if (!first.application().appUpdate)
        return true;
    if (!first.readString("application", "appparam").empty())
        return false;
    return pathInsideFolder(first.readPath("application", "appname"), sampleMacroValue("APP"), sampleMacroValue("APP")) &&
           pathInsideFolder(other.readPath("application", "appname"), otherSampleMacroValue("APP"),
                            otherSampleMacroValue("APP"));
}

}  // namespace talkpost::update
