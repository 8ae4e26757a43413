// Fuzz target: any bytes as an update control file, read as the engine reads
// it: the file list with its macros and the [application] section, and as the
// publisher's check prints it: every entry's place and every instruction.
#include <algorithm>
#include <string>

#include "fuzz/fuzz_check.h"
#include "update/engine/control_file.h"
#include "update/engine/control_plan.h"
#include "update/engine/macros.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost::update;
    const std::string text = talkpost::fuzz::textOf(data, size);
    const talkpost::IniReader file = talkpost::IniReader::parse(text);

    // {APP} names a folder that brings the macro back: the expansion must stop.
    const MacroLookup lookup = [](const std::string& name) -> std::string {
        if (name == "APP")
            return "C:\\Talkpost {APP}";
        if (name == "WIN")
            return "C:\\Windows";
        return {};
    };
    const Expander expand = [&](const std::string& value) { return expandMacros(value, lookup); };

    FileList list;
    const std::int32_t count = readFileList(file, expand, list);
    // One entry for every number up to the count, none beyond the bound.
    FUZZ_CHECK(list.count() == static_cast<std::size_t>(std::clamp(count, 0, kMaxFileEntries)));
    FUZZ_CHECK(talkpost::parseIniInteger(std::to_string(count)) == count);
    for (std::size_t i = 0; i < list.count(); ++i) {
        const FileDescription& entry = list.at(i);
        FUZZ_CHECK(entry.newVersion.size() <= talkpost::kMaxIniValue);
        FUZZ_CHECK(entry.targetDir.empty() || entry.targetDir.back() == '\\');
    }
    list.currentIndex = static_cast<std::int32_t>(list.count() / 2);
    list.totalSize();
    list.completedSize();

    const ApplicationSettings app = readApplicationSection(file, expand);
    FUZZ_CHECK(!app.appUpdate || !app.appCommand.empty());

    // The publisher's check: a path it resolves resolves to itself again, and
    // a refused entry ends up nowhere.
    const ControlFile control = onFirstSampleClient(text);
    const std::string appFolder = sampleMacroValue("APP");
    for (const EntryPlan& plan : planEntriesOnSampleClients(text, "T:\\Temp\\TPUPD-0\\")) {
        FUZZ_CHECK(!plan.install.refused || plan.landsAt.empty());
        for (const std::string& path : {plan.entry.targetDir, plan.landsAt})
            if (auto resolved = resolvedPath(path, appFolder))
                FUZZ_CHECK(resolvedPath(*resolved, appFolder) == resolved);
    }
    for (const ControlAction& action : controlActions(control, control.application()))
        FUZZ_CHECK(!action.value.empty());
    FUZZ_CHECK(restartStaysInApp(text) || control.application().appUpdate);

    // Without a known name the text stays as it is.
    FUZZ_CHECK(expandMacros(text, [](const std::string&) { return std::string(); }) == text);
    return 0;
}
