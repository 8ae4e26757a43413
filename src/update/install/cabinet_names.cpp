// The cabinet entry name check.
#include "update/install/cabinet_names.h"

#include "update/install/file_names.h"

namespace talkpost::update {

std::optional<std::string> safeCabinetEntryPath(const std::string& storedName)
{
    if (storedName.empty() || storedName.find(':') != std::string::npos)
        return std::nullopt;
    std::string path = storedName;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (path.front() == '\\' || path.back() == '\\')
        return std::nullopt;
    for (const std::string& part : pathParts(path)) {
        // Windows ignores trailing dots and blanks in a name, so ".. " and "..." climb out as well.
        std::size_t kept = part.find_last_not_of(". ");
        if (part.empty() || (kept == std::string::npos && part.find("..") != std::string::npos) || isDeviceName(part))
            return std::nullopt;
    }
    return path;
}

}  // namespace talkpost::update
