// Cabinet extraction with FDICreate, FDIIsCabinet, FDICopy and FDIDestroy taken
// from cabinet.dll at the moment of the call. A first pass reads the stored
// names only; a cabinet with a name that may not be written is refused before
// anything is written. Each entry is then written beside its target and moved
// over it in one step.
#include "update/install/cabinet_win.h"

#include <windows.h>
#include <fcntl.h>
#include <fdi.h>

#include <cstdlib>
#include <vector>

#include "update/install/cabinet_names.h"
#include "update/install/install_files_win.h"
#include "win/replace_file_win.h"
#include "update/install/system_library_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

namespace talkpost::update {
namespace {

using FdiCreateFn = HFDI(DIAMONDAPI*)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE, PFNSEEK, int, PERF);
using FdiIsCabinetFn = BOOL(DIAMONDAPI*)(HFDI, INT_PTR, PFDICABINETINFO);
using FdiCopyFn = BOOL(DIAMONDAPI*)(HFDI, char*, char*, int, PFNFDINOTIFY, PFNFDIDECRYPT, void*);
using FdiDestroyFn = BOOL(DIAMONDAPI*)(HFDI);

// What the notification routine needs; FDI hands it back as pv.
struct Extraction {
    std::string folder;  // ends with "\\", or empty for the current directory
    bool namesOnly = false;  // the first pass: every entry is skipped, refused names collected
    std::vector<std::string> refused;
    HANDLE current = INVALID_HANDLE_VALUE;  // the entry being written
    std::string currentPath;  // its target
    std::string stagedPath;   // the file it is written to, beside the target
    unsigned long long expected = 0, written = 0;  // its size as stored, and as written so far
};

// The extraction in progress on this thread, so that the file callbacks know
// the entry's handle (FDI itself closes it when it gives up inside an entry).
thread_local Extraction* active = nullptr;

FNALLOC(memAlloc) { return std::malloc(cb); }
FNFREE(memFree) { std::free(pv); }

FNOPEN(fileOpen)
{
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
    if (oflag & (_O_WRONLY | _O_RDWR))
        access |= GENERIC_WRITE;
    if (oflag & _O_CREAT)
        disposition = (oflag & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS;
    (void)pmode;
    HANDLE h = CreateFileW(widen(pszFile).c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(h);
}

FNREAD(fileRead)
{
    DWORD got = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), pv, cb, &got, nullptr) ? got : static_cast<UINT>(-1);
}

FNWRITE(fileWrite)
{
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &written, nullptr))
        return static_cast<UINT>(-1);
    if (active && active->current == reinterpret_cast<HANDLE>(hf))
        active->written += written;
    return written;
}

FNCLOSE(fileClose)
{
    HANDLE h = reinterpret_cast<HANDLE>(hf);
    if (active && active->current == h)
        active->current = INVALID_HANDLE_VALUE;
    return CloseHandle(h) ? 0 : -1;
}

FNSEEK(fileSeek)
{
    DWORD method = seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN;
    DWORD position = SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, method);
    return position == INVALID_SET_FILE_POINTER ? -1 : static_cast<long>(position);
}

INT_PTR copyFile(Extraction& x, PFDINOTIFICATION notice)
{
    const char* storedName = notice->psz1;
    auto relative = safeCabinetEntryPath(storedName);
    if (x.namesOnly) {
        if (!relative)
            x.refused.push_back(storedName);
        return 0;  // the first pass writes nothing
    }
    if (!relative)
        return -1;  // not reached: the first pass refused the cabinet
    std::string path = x.folder + *relative;
    std::size_t cut = path.find_last_of('\\');
    if (cut != std::string::npos && !createFolders(path.substr(0, cut)))
        return -1;
    std::string staged = stagedBeside(path);
    HANDLE h = CreateFileW(widen(staged).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    x.current = h;
    x.currentPath = path;
    x.stagedPath = staged;
    x.expected = static_cast<unsigned long>(notice->cb);
    x.written = 0;
    return reinterpret_cast<INT_PTR>(h);
}

// The entry is complete: its stored time set, its data on the disk, and then
// it takes the target's place in one step.
INT_PTR closeFile(Extraction& x, PFDINOTIFICATION notice)
{
    HANDLE h = reinterpret_cast<HANDLE>(notice->hf);
    x.current = INVALID_HANDLE_VALUE;
    if (x.written != x.expected) {
        // The cabinet ended inside this entry: the short file is not kept as if complete.
        CloseHandle(h);
        return FALSE;
    }
    FILETIME local, utc;
    if (DosDateTimeToFileTime(notice->date, notice->time, &local) && LocalFileTimeToFileTime(&local, &utc))
        SetFileTime(h, nullptr, nullptr, &utc);
    bool flushed = FlushFileBuffers(h);
    if (!CloseHandle(h) || !flushed || replaceFile(x.stagedPath, x.currentPath) != 0)
        return FALSE;
    x.currentPath.clear();
    x.stagedPath.clear();
    return TRUE;
}

FNFDINOTIFY(notify)
{
    auto& x = *static_cast<Extraction*>(pfdin->pv);
    switch (fdint) {
    case fdintCOPY_FILE:
        return copyFile(x, pfdin);
    case fdintCLOSE_FILE_INFO:
        return closeFile(x, pfdin);
    default:
        return 0;
    }
}

}  // namespace

int extractCabinet(const std::string& cabinet, const std::string& folder,
                   const std::function<void(const std::string&)>& skipped)
{
    {
        UniqueFile probe(CreateFileW(widen(cabinet).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe)
            return -1;
    }
    auto fdiCreate = systemEntry<FdiCreateFn>("cabinet.dll", "FDICreate");
    auto fdiIsCabinet = systemEntry<FdiIsCabinetFn>("cabinet.dll", "FDIIsCabinet");
    auto fdiCopy = systemEntry<FdiCopyFn>("cabinet.dll", "FDICopy");
    auto fdiDestroy = systemEntry<FdiDestroyFn>("cabinet.dll", "FDIDestroy");
    if (!fdiCreate || !fdiIsCabinet || !fdiCopy || !fdiDestroy)
        return -1;

    ERF error{};
    HFDI fdi = fdiCreate(memAlloc, memFree, fileOpen, fileRead, fileWrite, fileClose, fileSeek, cpu80386, &error);
    if (!fdi)
        return -1;
    bool isCabinet = false;
    {
        char name[MAX_PATH] = {};
        lstrcpynA(name, cabinet.c_str(), MAX_PATH);
        INT_PTR h = fileOpen(name, _O_RDONLY | _O_BINARY, 0);
        if (h != -1) {
            FDICABINETINFO info{};
            isCabinet = fdiIsCabinet(fdi, h, &info);
            fileClose(h);
        }
    }
    std::size_t cut = cabinet.find_last_of('\\');
    std::string name = cut == std::string::npos ? cabinet : cabinet.substr(cut + 1);
    std::string path = cut == std::string::npos ? std::string() : cabinet.substr(0, cut + 1);
    auto pass = [&](Extraction& x) {
        active = &x;
        bool copied = fdiCopy(fdi, name.data(), path.data(), 0, notify, nullptr, &x);
        active = nullptr;
        return copied;
    };

    Extraction names;
    names.namesOnly = true;
    bool copied = isCabinet && pass(names);
    if (copied && !names.refused.empty()) {
        if (skipped)
            for (const std::string& stored : names.refused)
                skipped(stored);
        copied = false;
    }
    Extraction x;
    x.folder = folder;
    if (!x.folder.empty() && x.folder.back() != '\\')
        x.folder += '\\';
    if (copied)
        copied = pass(x);
    bool destroyed = fdiDestroy(fdi);
    if (!x.stagedPath.empty()) {
        // The extraction stopped inside an entry: its staged file goes, its target stays as it was.
        if (x.current != INVALID_HANDLE_VALUE)
            CloseHandle(x.current);
        DeleteFileW(widen(x.stagedPath).c_str());
        copied = false;
    }
    return isCabinet && copied && destroyed ? 0 : -1;
}

}  // namespace talkpost::update
