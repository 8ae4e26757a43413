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

bool refusedInstallName(const std::string& name, const std::string& targetDir)
{
    return !isPlainFileName(name) || !pathFreeOfDevices(targetDir);
}

std::string refusedNameLine(const std::string& path) { return "Refused file name, not installed : " + path; }

InstallPlan planInstall(const FetchedFile& file, const InstallSettings& settings)
{
    InstallPlan plan;
    if (refusedInstallName(file.name, file.targetDir)) {
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
    return plan;
}

}  // namespace talkpost::update
