// LZ expansion with LZOpenFileA, GetExpandedNameA and LZCopy, into a file
// beside the target that is then moved over it in one step.
#include "update/install/lz_expand_win.h"

#include <windows.h>
#include <lzexpand.h>

#include "win/replace_file_win.h"
#include "update/install/system_library_win.h"
#include "win/text_win.h"

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

// The LZ functions take ANSI names only (there is no wide form of their
// open). A path the ANSI code page cannot carry goes to them with its folder
// in the short form the file system gives, which it can; the file's own
// name stays as it is.
std::string ansiForm(const std::string& path)
{
    bool carried = false;
    std::string ansi = narrowToAnsiExactly(widen(path), &carried);
    std::size_t cut = path.find_last_of('\\');
    if (carried || cut == std::string::npos)
        return ansi;
    std::wstring folder = widen(path.substr(0, cut));
    std::wstring shortFolder(GetShortPathNameW(folder.c_str(), nullptr, 0), L'\0');
    shortFolder.resize(GetShortPathNameW(folder.c_str(), shortFolder.data(), static_cast<DWORD>(shortFolder.size())));
    return narrowToAnsiExactly(shortFolder) + "\\" + narrowToAnsiExactly(widen(path.substr(cut + 1)));
}

class LzFile {
public:
    LzFile(const std::string& path, WORD mode)
    {
        OFSTRUCT of{};
        std::string name = ansiForm(path);
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
    std::string source = ansiForm(compressed);
    if (source.size() >= MAX_PATH || !lz().complete() || lz().expandedName(source.data(), buffer) != 1)
        return std::nullopt;
    // The name the header gives, in the folder as the caller named it.
    std::string expanded = buffer;
    std::size_t cut = compressed.find_last_of('\\'), expandedCut = expanded.find_last_of('\\');
    if (cut == std::string::npos || expandedCut == std::string::npos)
        return expanded;
    return compressed.substr(0, cut) + expanded.substr(expandedCut);
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
    DeleteFileW(widen(staged).c_str());
    return false;
}

std::optional<std::string> expandCompressedFile(const std::string& path)
{
    auto name = expandedNameOf(path);
    if (name && sameFileName(*name, path))
        return std::nullopt;
    // The header chooses the last character: "nu_" must not become the device "nul".
    bool expanded = name && lzExpandFile(path, *name);
    DeleteFileW(widen(path).c_str());
    if (!expanded)
        return std::nullopt;
    return name;
}

}  // namespace talkpost::update
