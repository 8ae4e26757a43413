// Reads the fixed file-version block of a version resource.
#include "update/install/file_version_win.h"

#include <windows.h>

#include <vector>

#include "update/install/system_library_win.h"
#include "win/text_win.h"

namespace talkpost::update {

VersionValue fileVersionOf(const std::string& path)
{
    // VERSION is taken from the system folder at its first use, never imported.
    using SizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    static const auto infoSize = systemEntry<SizeFn>("version.dll", "GetFileVersionInfoSizeW");
    static const auto info = systemEntry<InfoFn>("version.dll", "GetFileVersionInfoW");
    static const auto query = systemEntry<QueryFn>("version.dll", "VerQueryValueA");
    if (!infoSize || !info || !query)
        return {};
    DWORD ignored = 0;
    std::wstring widePath = widen(path);
    DWORD size = infoSize(widePath.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<char> block(size);
    if (!info(widePath.c_str(), 0, size, block.data()))
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
