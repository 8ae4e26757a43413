// LZ expansion with LZOpenFileA, GetExpandedNameA and LZCopy, into a file
// beside the target that is then moved over it in one step.
#include "update/install/lz_expand_win.h"

#include <windows.h>
#include <lzexpand.h>

#include "win/replace_file_win.h"
#include "update/install/system_library_win.h"

namespace talkpost::update {
namespace {

// The LZ functions, taken from LZ32 in the system folder at their first use.
struct LzFunctions {
    using OpenFn = INT(WINAPI*)(LPSTR, LPOFSTRUCT, WORD);
    using CloseFn = VOID(WINAPI*)(INT);
    using CopyFn = LONG(WINAPI*)(INT, INT);
    using ExpandedNameFn = INT(WINAPI*)(LPSTR, LPSTR);
    OpenFn open = systemEntry<OpenFn>("lz32.dll", "LZOpenFileA");
    CloseFn close = systemEntry<CloseFn>("lz32.dll", "LZClose");
    CopyFn copy = systemEntry<CopyFn>("lz32.dll", "LZCopy");
    ExpandedNameFn expandedName = systemEntry<ExpandedNameFn>("lz32.dll", "GetExpandedNameA");
    bool complete() const { return open && close && copy && expandedName; }
};

const LzFunctions& lz()
{
    static const LzFunctions functions;
    return functions;
}

class LzFile {
public:
    LzFile(const std::string& path, WORD mode)
    {
        OFSTRUCT of{};
        std::string name = path;
        if (lz().complete())
            handle_ = lz().open(name.data(), &of, mode);
    }
    ~LzFile()
    {
        if (handle_ >= 0)
            lz().close(handle_);
    }
    LzFile(const LzFile&) = delete;
    LzFile& operator=(const LzFile&) = delete;
    INT get() const { return handle_; }
    bool open() const { return handle_ >= 0; }

private:
    INT handle_ = -1;
};

// GetExpandedNameA writes a name as long as the one it is given; names of
// MAX_PATH characters and more are refused before.
constexpr std::size_t kNameBuffer = MAX_PATH * 2;

}  // namespace

std::optional<std::string> expandedNameOf(const std::string& compressed)
{
    char buffer[kNameBuffer] = {};
    std::string source = compressed;
    if (compressed.size() >= MAX_PATH || !lz().complete() || lz().expandedName(source.data(), buffer) != 1)
        return std::nullopt;
    return std::string(buffer);
}

bool lzExpandFile(const std::string& source, const std::string& destination)
{
    if (sameFileName(source, destination) || !isPlainFileName(lastPathPart(destination)))
        return false;
    std::string staged = stagedBeside(destination);
    bool copied = false;
    {
        LzFile from(source, OF_READ | OF_SHARE_DENY_WRITE);
        if (!from.open())
            return false;
        LzFile to(staged, OF_CREATE | OF_WRITE);
        if (!to.open())
            return false;
        copied = lz().copy(from.get(), to.get()) >= 0;
    }
    if (copied && flushToDisk(staged) && replaceFile(staged, destination) == 0)
        return true;
    DeleteFileA(staged.c_str());
    return false;
}

std::optional<std::string> expandCompressedFile(const std::string& path)
{
    auto name = expandedNameOf(path);
    if (name && sameFileName(*name, path))
        return std::nullopt;
    // The header chooses the last character: "nu_" must not become the device "nul".
    bool expanded = name && lzExpandFile(path, *name);
    DeleteFileA(path.c_str());
    if (!expanded)
        return std::nullopt;
    return name;
}

}  // namespace talkpost::update
