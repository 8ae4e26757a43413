// Reads the fixed file-version block of a version resource.
#include "update/install/file_version_win.h"

#include <windows.h>

#include <vector>

#include "update/install/system_library_win.h"

namespace talkpost::update {

VersionValue fileVersionOf(const std::string& path)
{
    // VERSION is taken from the system folder at its first use, never imported.
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    static const auto infoSize = systemEntry<SizeFn>("version.dll", "GetFileVersionInfoSizeA");
    static const auto info = systemEntry<InfoFn>("version.dll", "GetFileVersionInfoA");
    static const auto query = systemEntry<QueryFn>("version.dll", "VerQueryValueA");
    if (!infoSize || !info || !query)
        return {};
    DWORD ignored = 0;
    DWORD size = infoSize(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<char> block(size);
    if (!info(path.c_str(), 0, size, block.data()))
        return {};
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!query(block.data(), root, reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD)
        return {};
    return {fixed->dwFileVersionMS, fixed->dwFileVersionLS};
}

}  // namespace talkpost::update
