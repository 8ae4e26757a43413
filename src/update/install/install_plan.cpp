// The installation plan of one fetched file.
#include "update/install/install_plan.h"

#include <algorithm>
#include <cctype>

namespace talkpost::update {
namespace {

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

std::string upperExtension(const std::string& name)
{
    std::size_t dot = name.find_last_of(".\\/:");
    return dot == std::string::npos || name[dot] != '.' ? std::string() : upper(name.substr(dot));
}

bool isAppComponent(const std::string& name, const std::string& appComponents)
{
    return !name.empty() && upper(appComponents).find(upper(name)) != std::string::npos;
}

InstallPlan planInstall(const FetchedFile& file, const InstallSettings& settings)
{
    InstallPlan plan;
    if (isAppComponent(file.name, settings.appComponents)) {
        plan.component = true;
        return plan;
    }
    std::string ext = upperExtension(file.name);
    bool cabinet = ext == ".CAB", patch = ext == ".PAT";
    bool elsewhere = !file.targetDir.empty() && upper(file.targetDir) != upper(file.downloadFolder);
    plan.moveToTarget = !cabinet && !patch && elsewhere;
    // A file moved into another folder is no longer where the expansion looks for it.
    plan.lzExpand = !cabinet && settings.extractCab && file.compressed && !plan.moveToTarget;
    plan.extractCabinet = cabinet && settings.extractCab && file.compressed;
    plan.patch = patch && settings.applyPatch && !file.localVersion.empty();
    return plan;
}

std::string enginePatchCommandLine(const std::string& name, const std::string& localVersion, bool logging)
{
    if (logging)
        return "patcher.exe -v " + name + " " + localVersion + ">> UPDATE.LOG";
    return "patcher.exe " + name + " " + localVersion;
}

}  // namespace talkpost::update
