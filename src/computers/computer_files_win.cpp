// Lists of computers in and out through files.
#include "computers/computer_files_win.h"

#include <commdlg.h>

#include <algorithm>

#include "base/app_error.h"
#include "computers/computer_import.h"
#include "computers/computer_list_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"
#include "win/win32_error_win.h"

namespace talkpost {
namespace {

constexpr wchar_t kListFilter[] = L"Computer lists (*.txt, *.csv)\0*.txt;*.csv\0Text files (*.txt)\0*.txt\0"
                                  L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
// Room for the chosen path: long paths included.
constexpr DWORD kPathRoom = 32768;

std::optional<std::wstring> chooseFile(HWND owner, bool save)
{
    std::wstring path(kPathRoom, L'\0');
    if (save)
        wcscpy(path.data(), L"Computers.txt");
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kListFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathRoom;
    dialog.lpstrDefExt = L"txt";
    // The program's current folder is its message folder's base: the dialog leaves it alone.
    dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return std::nullopt;
    path.resize(wcslen(path.c_str()));
    return path;
}

bool ascii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The whole file, refused beyond the import limit before it is read.
std::string readListFile(const std::wstring& path)
{
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw Win32Error("The file " + displayPath(path) + " cannot be opened");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        throw Win32Error("The file " + displayPath(path) + " cannot be read");
    if (static_cast<std::uint64_t>(size.QuadPart) > kImportMaxBytes)
        throw AppError(importTooLargeMessage(displayPath(path)));
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            throw Win32Error("The file " + displayPath(path) + " cannot be read");
        if (got == 0)
            break;  // it shrank meanwhile: what is there is the list
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

std::optional<std::wstring> chooseListToImport(HWND owner) { return chooseFile(owner, false); }

std::optional<std::wstring> chooseExportFile(HWND owner) { return chooseFile(owner, true); }

std::string displayPath(const std::wstring& path) { return narrow(path); }

std::vector<NameAt> listTexts(const std::string& bytes, const std::string& source)
{
    ComputerFileRead read = readComputerLines(bytes, source);
    if (read.refusal)
        throw AppError(*read.refusal);
    std::vector<NameAt> names = std::move(read.lines.names);
    if (read.lines.encoding == NameEncoding::Ansi)
        for (NameAt& name : names)
            if (!ascii(name.name))
                name.name = ansiToUtf8(name.name);
    return names;
}

std::string importComputers(ComputerList& list, const std::wstring& path)
{
    std::string shown = displayPath(path);
    std::vector<NameAt> names = listTexts(readListFile(path), "The file " + shown);
    ListMerge merge = mergeIntoList(list.entries(), names);
    list.addMerged(merge);
    return importLogLine(shown, merge);
}

std::vector<NameAt> clipboardListTexts(HWND owner)
{
    std::wstring wide;
    if (!OpenClipboard(owner))
        return {};
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            // Never past the block, should its text lack its end.
            std::size_t room = GlobalSize(data) / sizeof(wchar_t);
            wide.assign(text, wcsnlen(text, room));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (wide.empty())
        return {};
    // Marked as UTF-8, so that the reader takes it as such.
    return listTexts("\xEF\xBB\xBF" + narrow(wide), "The text on the clipboard");
}

void exportComputers(const std::vector<std::string>& names, const std::wstring& path)
{
    // The list's texts are UTF-8, as the file is.
    std::string text = exportText(names);
    std::string shown = displayPath(path);
    std::wstring partial = path + L".tp-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    {
        UniqueFile file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            throw AppError("Datei " + shown + " kann nicht erstellt werden");
        DWORD written = 0;
        bool complete = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                        written == text.size() && FlushFileBuffers(file.get());
        if (!complete) {
            file.reset();
            DeleteFileW(partial.c_str());
            throw AppError("nach " + shown + " kann nicht geschrieben werden");
        }
    }
    if (!MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD code = GetLastError();
        DeleteFileW(partial.c_str());
        throw Win32Error("nach " + shown + " kann nicht geschrieben werden", code);
    }
}

}  // namespace talkpost
