// The settings file's location, its one read at start, its text encodings,
// and the save that replaces the file in one step. Paths are UTF-8 inside
// and reach the platform through its W calls.
#include "settings/settings_file_win.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>

#include "base/app_error.h"
#include "settings/ini_rules.h"
#include "win/folders_win.h"
#include "win/replace_file_win.h"
#include "win/text_win.h"
#include "win/win32_error_win.h"

namespace talkpost::settings {
namespace {

constexpr std::string_view kUtf16ByteOrderMark = "\xFF\xFE";

bool fileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void createFolders(const std::string& folder)
{
    for (std::size_t pos = folder.find_first_of("\\/", 3); pos != std::string::npos;
         pos = folder.find_first_of("\\/", pos + 1))
        CreateDirectoryW(widen(folder.substr(0, pos)).c_str(), nullptr);
    CreateDirectoryW(widen(folder).c_str(), nullptr);
}

// The settings file's bytes, read while others may hold it open, and letting
// a save replace it meanwhile; nullopt when it cannot be read or is larger
// than the limit.
std::optional<std::string> readBytes(const std::string& path, std::uint64_t limit = kMaxSettingsFileBytes)
{
    UniqueFile file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || static_cast<std::uint64_t>(size.QuadPart) > limit)
        return std::nullopt;
    // In one read: a file of this size fits one call.
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;  // shorter than it was a moment ago
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

// Shared for reading, so that the save's own guard of its copy (below) does
// not shut it out. Flushed, so that the copy's data is on the disk before its
// name takes the file's place.
bool writeBytes(const std::string& path, const std::string& bytes)
{
    UniqueFile file(CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                           written != bytes.size()))
        return false;
    return FlushFileBuffers(file.get()) != 0;
}

// A replace that meets the file held open by a reader that does not let it
// go (another program, or a reader of an earlier version) is tried again for
// about 2 s, every 10 ms: a reader holds the file only for the moment of one read.
const ReplaceRetry kReplaceRetry{200, 10, {}};

// Removes the copies that interrupted saves left in the folder. A copy of a
// save under way in another process is held open without delete sharing, so
// its removal fails and it stays.
void removeLeftoverCopies(const std::string& folder)
{
    WIN32_FIND_DATAW found{};
    std::string pattern = folder + "\\" + kSettingsFileName + ".~*.tmp";
    HANDLE search = FindFirstFileW(widen(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = narrow(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && isSaveCopyName(kSettingsFileName, name))
            DeleteFileW(widen(folder + "\\" + name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Makes a new copy's file in the folder, held open (read access, no delete
// sharing) so that no other save takes it for a leftover.
std::string createCopy(const std::string& folder, UniqueFile& guard)
{
    static std::atomic<unsigned> sequence{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + "\\" + saveCopyName(kSettingsFileName, GetCurrentProcessId(), sequence++);
        HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD error = GetLastError();
        guard.reset(file);
        if (guard)
            return path;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    return {};
}

std::string environmentText(const wchar_t* name)
{
    wchar_t value[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 ? narrow(std::wstring_view(value, n)) : std::string();
}

std::string folderFromEnvironment()
{
    if (std::string dir = environmentText(L"TALKPOST_SETTINGS_DIR"); !dir.empty())
        return dir;
    // Tests set the variable through the C runtime too, which keeps a copy of its own.
    if (const char* dir = std::getenv("TALKPOST_SETTINGS_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0] != L'\0')
        return narrow(path) + "\\Talkpost";
    if (std::string appData = environmentText(L"APPDATA"); !appData.empty())
        return appData + "\\Talkpost";
    return ".";
}

std::string notWritable() { return std::string("nach ") + kSettingsFileName + " kann nicht geschrieben werden"; }

}  // namespace

std::string settingsText(const std::string& bytes)
{
    std::string_view view = bytes;
    if (view.starts_with(kUtf16ByteOrderMark)) {
        view.remove_prefix(kUtf16ByteOrderMark.size());
        // Straight from the bytes (a string's buffer is aligned for its
        // characters, and the mark keeps the alignment), without a copy.
        const auto* wide = reinterpret_cast<const wchar_t*>(view.data());
        int units = static_cast<int>(view.size() / 2);
        if (units == 0)
            return {};
        int length = WideCharToMultiByte(CP_UTF8, 0, wide, units, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide, units, text.data(), length, nullptr, nullptr);
        return text;
    }
    if (view.starts_with(kUtf8ByteOrderMark))
        return std::string(view.substr(kUtf8ByteOrderMark.size()));
    // No mark: the ANSI code page, as the earlier versions wrote it. Plain
    // ASCII is the same in UTF-8; the rest is converted a block of whole
    // lines at a time (a line end is never part of a double-byte character).
    bool ascii = true;
    for (std::size_t i = 0; ascii && i < view.size(); i += 8) {
        std::uint64_t block = 0;
        std::memcpy(&block, view.data() + i, std::min<std::size_t>(8, view.size() - i));
        ascii = (block & 0x8080808080808080ULL) == 0;
    }
    if (ascii)
        return bytes;
    std::string text;
    text.reserve(view.size() + view.size() / 4);
    constexpr std::size_t kBlock = 1 << 16;
    std::wstring wide;
    std::string block;
    while (!view.empty()) {
        std::size_t end = view.size() <= kBlock ? std::string_view::npos : view.find('\n', kBlock);
        end = end == std::string_view::npos ? view.size() : end + 1;
        wide.resize(end);
        int units = MultiByteToWideChar(CP_ACP, 0, view.data(), static_cast<int>(end), wide.data(),
                                        static_cast<int>(wide.size()));
        block.resize(static_cast<std::size_t>(units) * 3);
        int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, block.data(), static_cast<int>(block.size()),
                                         nullptr, nullptr);
        text.append(block.data(), static_cast<std::size_t>(length));
        view.remove_prefix(end);
    }
    return text;
}

std::string settingsBytes(const std::string& text)
{
    std::wstring wide = widen(text);
    std::string bytes(kUtf16ByteOrderMark);
    bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    return bytes;
}

std::optional<IniReader> readSettingsFile(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return IniReader::parse("");
    if ((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) > kMaxSettingsFileBytes)
        return std::nullopt;
    // A file that cannot be read reads as one without sections, as the
    // profile functions have it.
    std::optional<std::string> bytes = readBytes(path);
    if (!bytes)
        return IniReader::parse("");
    std::string text = settingsText(*bytes);
    bytes.reset();
    return IniReader::adopt(std::move(text));
}

SettingsLocation::SettingsLocation(const SettingsOptions& options)
    : folder_(options.folder.empty() ? folderFromEnvironment() : options.folder),
      legacyFolder_(options.legacyFolder.empty() ? windowsFolder() : options.legacyFolder)
{
}

std::string SettingsLocation::savePath() const { return folder_ + "\\" + kSettingsFileName; }

std::string SettingsLocation::legacyPath() const { return legacyFolder_ + "\\" + kSettingsFileName; }

std::string SettingsLocation::loadPath() const
{
    std::string current = savePath();
    if (fileExists(current))
        return current;
    std::string legacy = legacyPath();
    return fileExists(legacy) ? legacy : current;
}

SettingsFile::SettingsFile(SettingsOptions options) : options_(std::move(options)), location_(options_)
{
    std::string path = location_.loadPath();
    if (std::optional<IniReader> file = readSettingsFile(path))
        values_ = readSettings(*file);
    else
        loadError_ = "The settings file " + path + " is larger than " +
                     std::to_string(kMaxSettingsFileBytes / (1024 * 1024)) +
                     " MiB and is not read: Talkpost starts with its designed settings and leaves the file as it is.";
}

void SettingsFile::save(SettingsPart part, const std::function<void(Settings&)>& change)
{
    std::lock_guard<std::mutex> lock(saving_);
    if (change)
        change(values_);
    SettingsWriter writer(location_.savePath(), location_.loadPath(), options_);
    writeSettings(writer, values_, part);
    writer.commit();
}

SettingsWriter::SettingsWriter(std::string target, const std::string& source, const SettingsOptions& options)
    : options_(options), target_(std::move(target))
{
    std::string folder = target_.substr(0, target_.find_last_of("\\/"));
    createFolders(folder);
    removeLeftoverCopies(folder);
    copy_ = createCopy(folder, guard_);
    if (copy_.empty())
        refuse();
    // The copy starts as the file a load would read, so keys of other
    // windows and of earlier versions' file carry over.
    std::string from = fileExists(target_) ? target_ : source;
    std::optional<std::string> read = fileExists(from) ? readBytes(from) : std::string();
    if (!read || !writeBytes(copy_, *read))
        refuse();
    document_ = IniDocument::parse(settingsText(*read));
    step("copied");
}

SettingsWriter::~SettingsWriter()
{
    guard_.reset();
    if (!committed_ && !copy_.empty())
        DeleteFileW(widen(copy_).c_str());
}

void SettingsWriter::refuse() const { throw AppError(notWritable()); }

void SettingsWriter::countWrite() const
{
    if (options_.refuseWrite && options_.refuseWrite())
        refuse();
}

void SettingsWriter::step(const char* name) const
{
    if (options_.saveStep)
        options_.saveStep(name);
}

void SettingsWriter::writeValue(const std::string& section, const std::string& key, const std::string& text)
{
    countWrite();
    document_.setValue(section, key, text);
    expect({section, key, decodeValue(text), 0});
}

void SettingsWriter::writeSection(const std::string& section, const std::string& block)
{
    countWrite();
    document_.replaceSection(section, block);
    SectionValues values = SectionValues::parse(block.data(), block.size());
    expect({section, {}, {}, values.size()});
    // The count and the last item show that the list reached the disk whole.
    std::size_t count = static_cast<std::size_t>(parseIntegerOr(values.value("Count").value_or("0"), 0));
    if (count > 0)
        expect({section, "Count", std::to_string(count), 0});
    if (count > 0)
        expect({section, itemKey(count - 1), values.value(itemKey(count - 1)).value_or(""), 0});
}

void SettingsWriter::eraseSection(const std::string& section)
{
    countWrite();
    document_.eraseSection(section);
    expect({section, {}, {}, 0});
}

void SettingsWriter::expect(Expectation e)
{
    // A later word on a section replaces what was expected of the section and
    // its keys; a later key replaces the word on that key and the section's
    // count of keys, which the key may change.
    auto same = [&](const Expectation& old) {
        return sameIniName(old.section, e.section) && (e.key.empty() || old.key.empty() || sameIniName(old.key, e.key));
    };
    std::erase_if(expected_, same);
    expected_.push_back(std::move(e));
}

void SettingsWriter::commit()
{
    // A file that the next start would not read is not written.
    std::string bytes = settingsBytes(document_.text());
    if (bytes.size() > kMaxSettingsFileBytes)
        throw AppError(notWritable() + ": the settings would be larger than " +
                       std::to_string(kMaxSettingsFileBytes / (1024 * 1024)) + " MiB");
    if (!writeBytes(copy_, bytes))
        refuse();
    bytes.clear();
    bytes.shrink_to_fit();
    step("written");
    std::optional<std::string> written = readBytes(copy_);
    if (!written)
        refuse();
    // A write the platform reported as done but that did not reach the disk
    // (a full disk) must not replace the good file.
    IniReader file = IniReader::adopt(settingsText(*written));
    written.reset();
    std::map<std::string, SectionValues> sections;  // each read once, by folded name
    for (const Expectation& e : expected_) {
        auto [at, fresh] = sections.try_emplace(foldedIniName(e.section));
        if (fresh)
            at->second = SectionValues::read(file, e.section);
        const SectionValues& section = at->second;
        if (e.key.empty() ? section.size() != e.keyCount : section.value(e.key) != e.value)
            refuse();
    }
    step("checked");
    // The move needs the copy without a handle that denies its deletion.
    guard_.reset();
    if (DWORD error = replaceFile(copy_, target_, kReplaceRetry)) {
        // The file keeps its old content and the caller its values, for the next save.
        throw AppError("nach " + target_ + " kann nicht geschrieben werden: " + systemErrorText(error));
    }
    committed_ = true;
}

}  // namespace talkpost::settings
