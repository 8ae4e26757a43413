// The installation plan of one fetched file.
#include "update/install/install_plan.h"

#include "update/install/file_names.h"

namespace talkpost::update {

std::string upperExtension(const std::string& name)
{
    std::size_t dot = name.find_last_of(".\\/:");
    return dot == std::string::npos || name[dot] != '.' ? std::string() : upperFileName(name.substr(dot));
}

bool isAppComponent(const std::string& name, const std::string& appComponents)
{
    for (const std::string& component : blankSeparatedNames(appComponents))
        if (!component.empty() && sameFileName(component, name))
            return true;
    return false;
}

InstallPlan planInstall(const FetchedFile& file, const InstallSettings& settings)
{
    InstallPlan plan;
    if (!isPlainFileName(file.name) || !pathFreeOfDevices(file.targetDir)) {
        plan.refused = true;
        return plan;
    }
    if (isAppComponent(file.name, settings.appComponents)) {
        plan.component = true;
        return plan;
    }
    std::string ext = upperExtension(file.name);
    bool cabinet = ext == ".CAB", patch = ext == ".PAT";
    bool elsewhere = !file.targetDir.empty() && !sameFileName(file.targetDir, file.downloadFolder);
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
