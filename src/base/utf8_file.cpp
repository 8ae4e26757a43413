// Opening a file by its UTF-8 path.
#include "base/utf8_file.h"

#include <filesystem>

namespace talkpost {

std::FILE* openFile(const std::string& utf8Path, const char* mode)
{
#ifdef _WIN32
    std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(utf8Path.c_str(), mode);
#endif
}

}  // namespace talkpost
