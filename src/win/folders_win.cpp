// The system's folders through the platform's A-functions, with buffers that
// grow to whatever length the platform reports.
#include "win/folders_win.h"

#include <windows.h>

namespace talkpost {
namespace {

// Calls a platform function of the form f(size, buffer) -> length, growing
// the buffer when the answer does not fit.
template <typename Get>
std::string askForPath(Get get)
{
    std::string buffer(MAX_PATH + 1, '\0');
    DWORD length = get(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.assign(length + 1, '\0');
        length = get(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    buffer.resize(length < buffer.size() ? length : 0);
    return buffer;
}

}  // namespace

std::string currentDirectory()
{
    return askForPath([](DWORD size, char* buffer) { return GetCurrentDirectoryA(size, buffer); });
}

std::string tempFolder()
{
    return askForPath([](DWORD size, char* buffer) { return GetTempPathA(size, buffer); });
}

std::string windowsFolder()
{
    return askForPath([](DWORD size, char* buffer) { return GetWindowsDirectoryA(buffer, size); });
}

std::string systemFolder()
{
    return askForPath([](DWORD size, char* buffer) { return GetSystemDirectoryA(buffer, size); });
}

std::string systemProgramPath(const std::string& fileName)
{
    // Without the folder there is no path: never the bare name, which the
    // search would find anywhere.
    std::string folder = systemFolder();
    if (folder.empty())
        return {};
    if (folder.back() != '\\')
        folder += '\\';
    return folder + fileName;
}

}  // namespace talkpost
