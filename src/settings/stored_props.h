// Stored control values: the window's side (a host that finds a component's
// property by name), the file's side (one open load or save), and the two
// walks over the stored-property list that load and store them. Portable.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/ini_rules.h"

namespace talkpost::settings {

enum class PropertyType { Integer, Text, TextList };

// One property of one component, with the accessors of its type.
struct PropertyAccess {
    std::string componentName;  // the component's name as the window declares it
    std::string propertyName;   // the property's declared name ("Items", "Text", ...)
    PropertyType type = PropertyType::Text;
    std::function<int()> getInteger;
    std::function<void(int)> setInteger;
    std::function<std::string()> getText;
    std::function<void(const std::string&)> setText;
    std::function<std::vector<std::string>()> getList;
    std::function<void(const std::vector<std::string>&)> setList;
};

// Implemented by a window whose control values are stored. Component and
// property names are compared without regard to case.
class StoredPropertyHost {
public:
    virtual ~StoredPropertyHost() = default;
    virtual bool hasComponent(const std::string& component) const = 0;
    virtual std::optional<PropertyAccess> findProperty(const std::string& component, const std::string& property) = 0;
};

// An entry of the stored-property list, split at its first ".".
struct StoredProp {
    std::string component;
    std::string property;
    bool operator==(const StoredProp&) const = default;
};

// Splits "Component.Property" entries, both parts trimmed and non-empty; an
// entry that does not split or names no component of the host is dropped.
std::vector<StoredProp> bindStoredProps(const std::vector<std::string>& entries, const StoredPropertyHost& host);

// One open load or save of the settings file.
class IniAccess {
public:
    virtual ~IniAccess() = default;
    // The decoded value of a key, nothing when the key is absent.
    virtual std::optional<std::string> readValue(const std::string& section, const std::string& key) = 0;
    virtual SectionValues readSection(const std::string& section) = 0;
    // Writes the text as it is; the caller applies the value rule.
    virtual void writeValue(const std::string& section, const std::string& key, const std::string& text) = 0;
    // Replaces the whole section with the block built by buildListSection.
    virtual void writeSection(const std::string& section, const std::string& block) = 0;
    virtual void eraseSection(const std::string& section) = 0;
};

// Reads each stored property into its control; a property that fails or does
// not exist is skipped without a word.
void loadControlValues(IniAccess& ini, const std::string& section, const std::vector<StoredProp>& props,
                       StoredPropertyHost& host);

// Writes each stored property; a failure of the file ends the store.
void storeControlValues(IniAccess& ini, const std::string& section, const std::vector<StoredProp>& props,
                        StoredPropertyHost& host);

}  // namespace talkpost::settings
