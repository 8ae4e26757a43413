// The remembered values in the registry.
#include "update/engine/remembered_values_win.h"

#include <windows.h>

namespace talkpost::update {
namespace {

HKEY rootKey(RegRoot root) { return root == RegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

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

std::optional<std::string> RememberedValues::lastURL() const
{
    if (!entry_.hasPlace() || !entry_.save)
        return std::nullopt;
    return readRegistryString(entry_, "LastURL");
}

bool RememberedValues::saveLastURL(const std::string& url)
{
    return entry_.hasPlace() && entry_.save && writeRegistryString(entry_, "LastURL", url);
}

std::optional<RememberedValues::LastDate> RememberedValues::lastDate() const
{
    if (!entry_.hasPlace())
        return std::nullopt;
    return LastDate{readRegistryString(entry_, "LastDate"), readRegistryString(entry_, "LastTime")};
}

bool RememberedValues::saveLastDate(const LastDate& value)
{
    if (!entry_.hasPlace() || !entry_.save)
        return false;
    bool written = writeRegistryString(entry_, "LastDate", value.date);
    if (!value.time.empty())
        written = writeRegistryString(entry_, "LastTime", value.time) && written;
    return written;
}

}  // namespace talkpost::update
