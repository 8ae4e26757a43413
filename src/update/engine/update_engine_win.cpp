// The engine's status messages, control-file reads, the fetch of the control
// file with its signature and of the two documents, and the remembered values
// in the registry.
#include "update/engine/update_engine_win.h"

#include <fstream>
#include <iterator>

#include "update/engine/macros.h"
#include "update/engine/macros_win.h"
#include "update/engine/signature_win.h"
#include "update/engine/status_log.h"
#include "update/engine/status_log_win.h"
#include "update/engine/transfer.h"

namespace talkpost::update {
namespace {

std::optional<std::string> readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

HKEY rootKey(RegRoot root) { return root == RegRoot::lurLOCALMACHINE ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::string registryPath(const LastURLEntry& entry)
{
    std::string key = entry.key;
    while (!key.empty() && key.front() == '\\')
        key.erase(key.begin());
    while (!key.empty() && key.back() == '\\')
        key.pop_back();
    return key + "\\" + entry.section;
}

std::string readRegistryString(const LastURLEntry& entry, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(rootKey(entry.regRoot), registryPath(entry).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    DWORD type = 0, size = 0;
    std::string value;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ && size > 0) {
        value.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
            size = 0;
        value.resize(size);
        while (!value.empty() && value.back() == '\0')
            value.pop_back();
    }
    RegCloseKey(key);
    return value;
}

bool writeRegistryString(const LastURLEntry& entry, const char* name, const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(rootKey(entry.regRoot), registryPath(entry).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace

UpdateEngine::~UpdateEngine() = default;

std::string UpdateEngine::windowsTempFolder()
{
    char buffer[MAX_PATH + 1] = {};
    DWORD got = GetTempPathA(sizeof buffer, buffer);
    std::string folder = got > 0 && got < sizeof buffer ? std::string(buffer, got) : std::string();
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

void UpdateEngine::reportStatus(int number, const std::string& argument, int statusCode, int errorCode)
{
    std::string text = statusText(number, argument);
    if (settings.logging)
        appendLogLine(statusLogLine(logTimestampNow(), number, text, statusCode, errorCode));
    if (onStatus)
        onStatus(*this, text, statusCode, errorCode);
}

void UpdateEngine::appendLogLine(const std::string& text) { update::appendLogLine(text); }

std::string UpdateEngine::expandMacros(const std::string& text)
{
    std::string path = text;
    if (onConvertPrefix)
        onConvertPrefix(*this, path);
    return update::expandMacros(path, systemMacroValue);
}

std::string UpdateEngine::fileNameFromURL(const std::string& address)
{
    std::string name = update::fileNameFromURL(address);
    if (onFileNameFromURL) {
        std::string changed = name;
        onFileNameFromURL(*this, name, changed);
        return changed;
    }
    return name;
}

std::string UpdateEngine::readControlString(const std::string& section, const std::string& key,
                                            const std::string& fallback) const
{
    return ProfileText::load(controlFilePath_).readString(section, key, fallback);
}

std::int32_t UpdateEngine::readControlInteger(const std::string& section, const std::string& key,
                                              std::int32_t fallback) const
{
    return ProfileText::load(controlFilePath_).readInteger(section, key, fallback);
}

std::int32_t UpdateEngine::readFileList()
{
    ProfileText file = ProfileText::load(controlFilePath_);
    if (file.readInteger("files", "count", 0) > 0)
        reportStatus(943);
    return update::readFileList(file, [this](const std::string& text) { return expandMacros(text); }, fileList_);
}

bool UpdateEngine::signatureIsGood(const std::string& address)
{
    std::string sigAddress = signatureAddress(address);
    std::string folder = windowsTempFolder();
    if (!transfer(sigAddress, folder, kMaxDocumentBytes))
        return false;
    std::string sigPath = folder + fileNameFromURL(sigAddress);
    auto sigText = readWholeFile(sigPath);
    DeleteFileA(sigPath.c_str());
    auto bytes = readWholeFile(controlFilePath_);
    auto signature = sigText ? signatureFromText(*sigText) : std::nullopt;
    return bytes && signature && publicKey && verifySignature(*bytes, *signature, *publicKey);
}

int UpdateEngine::fetchControlFile()
{
    std::string address;
    if (auto remembered = lastURL(); remembered && !remembered->empty())
        address = *remembered;
    else
        address = settings.url;
    address = expandMacros(address);

    std::string folder = windowsTempFolder();
    if (!transfer(address, folder, kMaxDocumentBytes)) {
        reportStatus(925, {}, 2, 0);
        return kControlFileNotFound;
    }
    reportStatus(926);
    controlFilePath_ = folder + fileNameFromURL(address);

    // Only a file the publisher signed is ever acted on: a copy without a good
    // signature is removed, so nothing of it can be read or run later.
    if (!signatureIsGood(address)) {
        reportStatus(927, {}, 11, 4);
        DeleteFileA(controlFilePath_.c_str());
        controlFilePath_.clear();
        application_ = {};
        return kSignatureMismatch;
    }

    int result = kControlFileFetched;
    ProfileText file = ProfileText::load(controlFilePath_);
    if (settings.signatureCheck && file.readString("update", "signature") != settings.signature) {
        reportStatus(927, {}, 11, 4);
        result = kSignatureMismatch;
    }
    application_ = readApplicationSection(
        file, [this](const std::string& text) { return expandMacros(text); },
        [this](std::string& params) {
            if (onSetAppParams)
                onSetAppParams(*this, params);
        });
    return result;
}

std::optional<std::vector<std::string>> UpdateEngine::fetchDocument(const std::string& section, int number,
                                                                   int statusCode)
{
    std::string address = readControlString(section + settings.languageID, "file");
    if (address.empty())
        return std::nullopt;
    reportStatus(number, {}, statusCode, 0);
    std::string folder = windowsTempFolder();
    if (!transfer(address, folder, kMaxDocumentBytes))
        return std::nullopt;
    std::string path = folder + fileNameFromURL(address);
    auto text = readWholeFile(path);
    DeleteFileA(path.c_str());
    if (!text)
        return std::nullopt;
    return splitLines(*text);
}

std::optional<std::vector<std::string>> UpdateEngine::fetchWhatsNew() { return fetchDocument("whatsnew", 937, 12); }

std::optional<std::vector<std::string>> UpdateEngine::fetchLicense() { return fetchDocument("eula", 939, 13); }

std::optional<std::string> UpdateEngine::lastURL() const
{
    const LastURLEntry& entry = settings.lastURLEntry;
    if (!entry.hasPlace() || !entry.save)
        return std::nullopt;
    return readRegistryString(entry, "LastURL");
}

bool UpdateEngine::saveLastURL(const std::string& url)
{
    const LastURLEntry& entry = settings.lastURLEntry;
    return entry.hasPlace() && entry.save && writeRegistryString(entry, "LastURL", url);
}

std::optional<UpdateEngine::LastDate> UpdateEngine::lastDate() const
{
    const LastURLEntry& entry = settings.lastURLEntry;
    if (!entry.hasPlace())
        return std::nullopt;
    return LastDate{readRegistryString(entry, "LastDate"), readRegistryString(entry, "LastTime")};
}

bool UpdateEngine::saveLastDate(const LastDate& value)
{
    const LastURLEntry& entry = settings.lastURLEntry;
    if (!lastDateKnown || !entry.hasPlace() || !entry.save)
        return false;
    bool written = writeRegistryString(entry, "LastDate", value.date);
    if (!value.time.empty())
        written = writeRegistryString(entry, "LastTime", value.time) && written;
    return written;
}

}  // namespace talkpost::update
