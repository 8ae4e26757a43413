// The local file system as the update check and the installation see it: file
// times in local time, the probe compareFile asks, folders made with their
// parents, and the user's separators for log lines.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "update/install/date_time.h"
#include "update/install/versions.h"

namespace talkpost::update {

bool fileExists(const std::string& path);
bool folderExists(const std::string& path);
// Creates the folder and every missing parent; true when it exists afterwards.
bool createFolders(const std::string& path);
// The files below a folder (ending in "\\") as paths relative to it; links
// are never followed.
std::vector<std::string> filesBelow(const std::string& folder);

// The file's last-write time in local time, or nullopt when it cannot be read.
std::optional<DateTime> lastWriteTimeLocal(const std::string& path);

// The platform's answers for compareFile: checksums, size, version resource.
LocalFileProbe localFileProbe();

// The user's date and time separators ("/" and ":" when the settings have none).
char userDateSeparator();
char userTimeSeparator();

// The Windows temporary folder, ending in "\\".
std::string windowsTempFolder();

}  // namespace talkpost::update
