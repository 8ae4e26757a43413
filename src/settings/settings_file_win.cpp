// The settings file's location, loads that read the file's bytes once and
// answer from them with the INI reader's rules, and the save that replaces
// the file in one step.
#include "settings/settings_file_win.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <optional>

#include "base/app_error.h"
#include "win/file_bytes_win.h"
#include "win/folders_win.h"
#include "win/handles_win.h"
#include "win/replace_file_win.h"
#include "win/win32_error_win.h"

namespace talkpost::settings {
namespace {

std::string g_folder;
std::string g_legacyFolder;
std::atomic<int> g_refuseAfter{-1};

bool fileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void createFolders(const std::string& folder)
{
    for (std::size_t pos = folder.find_first_of("\\/", 3); pos != std::string::npos;
         pos = folder.find_first_of("\\/", pos + 1))
        CreateDirectoryA(folder.substr(0, pos).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
}

// A replace that meets the file held open by a reader that does not let it
// go (another program, or a reader of an earlier version) is tried again for
// about 2 s, every 10 ms: a reader holds the file only for the moment of one read.
const ReplaceRetry kReplaceRetry{200, 10, {}};

// The settings file's bytes, read while others may hold it open, and letting
// a save replace it meanwhile; nullopt when it cannot be read or is beyond
// any settings file's size.
std::optional<std::string> readBytes(const std::string& path)
{
    return readFileBytes(path, 512ULL * 1024 * 1024, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
}

// Shared for reading, so that the save's own guard of its copy (below) does
// not shut it out.
bool writeBytes(const std::string& path, const std::string& bytes)
{
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                           written != bytes.size()))
        return false;
    return FlushFileBuffers(file.get()) != 0;
}

// Removes the copies that interrupted saves left in the folder. A copy of a
// save under way in another process is held open without delete sharing, so
// its removal fails and it stays.
void removeLeftoverCopies(const std::string& folder)
{
    WIN32_FIND_DATAA found{};
    std::string pattern = folder + "\\" + kSettingsFileName + ".~*.tmp";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            isSaveCopyName(kSettingsFileName, found.cFileName))
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Makes a new copy's file in the folder, held open (read access, no delete
// sharing) so that no other save takes it for a leftover.
std::string createCopy(const std::string& folder, UniqueFile& guard)
{
    static std::atomic<unsigned> sequence{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = folder + "\\" + saveCopyName(kSettingsFileName, GetCurrentProcessId(), sequence++);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD error = GetLastError();
        guard.reset(file);
        if (guard)
            return path;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    return {};
}

std::string folderFromEnvironment()
{
    if (const char* dir = std::getenv("TALKPOST_SETTINGS_DIR"); dir != nullptr && *dir != '\0')
        return dir;
    char path[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0] != '\0')
        return std::string(path) + "\\Talkpost";
    if (const char* appData = std::getenv("APPDATA"); appData != nullptr && *appData != '\0')
        return std::string(appData) + "\\Talkpost";
    return ".";
}

}  // namespace

void setSettingsFolder(const std::string& folder) { g_folder = folder; }
void setLegacySettingsFolder(const std::string& folder) { g_legacyFolder = folder; }

std::string settingsFolder() { return g_folder.empty() ? folderFromEnvironment() : g_folder; }

std::string settingsSavePath() { return settingsFolder() + "\\" + kSettingsFileName; }

std::string legacySettingsPath()
{
    std::string folder = g_legacyFolder.empty() ? windowsFolder() : g_legacyFolder;
    return folder + "\\" + kSettingsFileName;
}

std::string settingsFilePath()
{
    std::string current = settingsSavePath();
    if (fileExists(current))
        return current;
    std::string legacy = legacySettingsPath();
    return fileExists(legacy) ? legacy : current;
}

std::string readSettingsValue(const std::string& section, const std::string& key, const std::string& fallback)
{
    return SettingsReader().readValue(section, key).value_or(fallback);
}

SettingsReader::SettingsReader(std::string path) : path_(std::move(path)) {}

const IniReader& SettingsReader::text()
{
    // Read once, at the first value asked for: a missing or unreadable file
    // reads as one without sections, so every value is its default.
    if (!text_) {
        text_ = IniReader::parse(readBytes(path_).value_or(""));
    }
    return *text_;
}

std::optional<std::string> SettingsReader::readValue(const std::string& section, const std::string& key)
{
    return text().readValue(section, key);
}

SectionValues SettingsReader::readSection(const std::string& section)
{
    return SectionValues::read(text(), section);
}

void SettingsReader::writeValue(const std::string&, const std::string&, const std::string&)
{
    throw AppError(std::string("nach ") + kSettingsFileName + " kann nicht geschrieben werden");
}
void SettingsReader::writeSection(const std::string& section, const std::string&) { writeValue(section, {}, {}); }
void SettingsReader::eraseSection(const std::string& section) { writeValue(section, {}, {}); }

void refuseSettingsWritesAfter(int writes) { g_refuseAfter = writes; }

namespace {
std::function<void(const char*)> g_saveStepObserver;
void saveStep(const char* step)
{
    if (g_saveStepObserver)
        g_saveStepObserver(step);
}
}  // namespace

void setSaveStepObserverForTest(std::function<void(const char* step)> observer)
{
    g_saveStepObserver = std::move(observer);
}

SettingsWriter::SettingsWriter(std::string target) : SettingsReader(std::string()), target_(std::move(target))
{
    std::string folder = target_.substr(0, target_.find_last_of("\\/"));
    createFolders(folder);
    removeLeftoverCopies(folder);
    path_ = createCopy(folder, guard_);
    if (path_.empty())
        refuse();
    // The copy starts as the file a load would read, so keys of other
    // windows and of earlier versions' file carry over.
    std::string source = fileExists(target_) ? target_ : settingsFilePath();
    std::optional<std::string> read = fileExists(source) ? readBytes(source) : std::string();
    if (!read || !writeBytes(path_, *read))
        refuse();
    const std::string& bytes = *read;
    text_ = IniReader::parse(bytes);
    document_ = IniDocument::parse(bytes);
    saveStep("copied");
}

SettingsWriter::~SettingsWriter()
{
    guard_.reset();
    if (!committed_ && !path_.empty())
        DeleteFileA(path_.c_str());
}

void SettingsWriter::refuse() const
{
    throw AppError(std::string("nach ") + kSettingsFileName + " kann nicht geschrieben werden");
}

void SettingsWriter::countWrite() const
{
    int left = g_refuseAfter.load();
    if (left == 0)
        refuse();
    if (left > 0)
        g_refuseAfter = left - 1;
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
        return lstrcmpiA(old.section.c_str(), e.section.c_str()) == 0 &&
               (e.key.empty() || old.key.empty() || lstrcmpiA(old.key.c_str(), e.key.c_str()) == 0);
    };
    std::erase_if(expected_, same);
    expected_.push_back(std::move(e));
}

void SettingsWriter::commit()
{
    if (!writeBytes(path_, document_.text()))
        refuse();
    saveStep("written");
    std::optional<std::string> written = readBytes(path_);
    if (!written)
        refuse();
    const std::string& bytes = *written;
    // A write the platform reported as done but that did not reach the disk
    // (a full disk) must not replace the good file.
    IniReader file = IniReader::parse(bytes);
    std::map<std::string, SectionValues> sections;  // each read once, by folded name
    for (const Expectation& e : expected_) {
        auto [at, fresh] = sections.try_emplace(foldedIniName(e.section));
        if (fresh)
            at->second = SectionValues::read(file, e.section);
        const SectionValues& section = at->second;
        if (e.key.empty() ? section.size() != e.keyCount : section.value(e.key) != e.value)
            refuse();
    }
    saveStep("checked");
    if (!flushToDisk(path_))
        refuse();
    // The move needs the copy without a handle that denies its deletion.
    guard_.reset();
    if (unsigned long error = replaceFile(path_, target_, kReplaceRetry)) {
        // The file keeps its old content and the caller its values, for the next save.
        throw AppError("nach " + target_ + " kann nicht geschrieben werden: " + systemErrorText(error));
    }
    committed_ = true;
}

}  // namespace talkpost::settings
