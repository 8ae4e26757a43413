// Reads the fixed file-version block of a version resource.
#include "update/install/file_version_win.h"

#include <windows.h>

#include <vector>

namespace talkpost::update {

VersionValue fileVersionOf(const std::string& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data()))
        return {};
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!VerQueryValueA(block.data(), root, reinterpret_cast<void**>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO) || info->dwSignature != 0xFEEF04BD)
        return {};
    return {info->dwFileVersionMS, info->dwFileVersionLS};
}

}  // namespace talkpost::update
