// LZ expansion with LZOpenFileA, GetExpandedNameA and LZCopy.
#include "update/install/lz_expand_win.h"

#include <windows.h>
#include <lzexpand.h>

#include <cctype>

namespace talkpost::update {
namespace {

class LzFile {
public:
    LzFile(const std::string& path, WORD mode)
    {
        OFSTRUCT of{};
        std::string name = path;
        handle_ = LZOpenFileA(name.data(), &of, mode);
    }
    ~LzFile()
    {
        if (handle_ >= 0)
            LZClose(handle_);
    }
    LzFile(const LzFile&) = delete;
    LzFile& operator=(const LzFile&) = delete;
    INT get() const { return handle_; }
    bool open() const { return handle_ >= 0; }

private:
    INT handle_ = -1;
};

}  // namespace

bool sameFileName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::optional<std::string> expandedNameOf(const std::string& compressed)
{
    char buffer[MAX_PATH * 2] = {};
    std::string source = compressed;
    if (compressed.size() >= MAX_PATH || GetExpandedNameA(source.data(), buffer) != 1)
        return std::nullopt;
    return std::string(buffer);
}

bool lzExpandFile(const std::string& source, const std::string& destination)
{
    if (sameFileName(source, destination))
        return false;
    bool copied = false;
    {
        LzFile from(source, OF_READ | OF_SHARE_DENY_WRITE);
        if (!from.open())
            return false;
        LzFile to(destination, OF_CREATE | OF_WRITE);
        if (!to.open())
            return false;
        copied = LZCopy(from.get(), to.get()) >= 0;
    }
    if (!copied)
        DeleteFileA(destination.c_str());
    return copied;
}

std::optional<std::string> expandCompressedFile(const std::string& path)
{
    auto name = expandedNameOf(path);
    if (name && sameFileName(*name, path))
        return std::nullopt;
    bool expanded = name && lzExpandFile(path, *name);
    DeleteFileA(path.c_str());
    if (!expanded)
        return std::nullopt;
    return name;
}

}  // namespace talkpost::update
