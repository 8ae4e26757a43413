// A small file read whole into memory.
#include "win/file_bytes_win.h"

#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost {

std::optional<std::string> readFileBytes(const std::string& path, std::uint64_t limit, DWORD share)
{
    UniqueFile file(CreateFileW(widen(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > limit || size.QuadPart > MAXDWORD)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        return std::nullopt;
    return bytes;
}

}  // namespace talkpost
