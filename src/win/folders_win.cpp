// The system's folders through the platform's W functions, with buffers that
// grow to whatever length the platform reports, handed on in UTF-8.
#include "win/folders_win.h"

#include <windows.h>

#include "win/text_win.h"

namespace talkpost {
namespace {

// Calls a platform function of the form f(size, buffer) -> length, growing
// the buffer when the answer does not fit.
template <typename Get>
std::string askForPath(Get get)
{
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length = get(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.assign(length + 1, L'\0');
        length = get(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    buffer.resize(length < buffer.size() ? length : 0);
    return narrow(buffer);
}

}  // namespace

std::string currentDirectory()
{
    return askForPath([](DWORD size, wchar_t* buffer) { return GetCurrentDirectoryW(size, buffer); });
}

std::string tempFolder()
{
    return askForPath([](DWORD size, wchar_t* buffer) { return GetTempPathW(size, buffer); });
}

std::string windowsFolder()
{
    return askForPath([](DWORD size, wchar_t* buffer) { return GetWindowsDirectoryW(buffer, size); });
}

std::string systemFolder()
{
    return askForPath([](DWORD size, wchar_t* buffer) { return GetSystemDirectoryW(buffer, size); });
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
