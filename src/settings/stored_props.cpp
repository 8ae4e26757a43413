// Loading and storing the stored control values.
#include "settings/stored_props.h"

#include "base/app_error.h"

namespace talkpost::settings {

std::vector<StoredProp> bindStoredProps(const std::vector<std::string>& entries, const StoredPropertyHost& host)
{
    std::vector<StoredProp> props;
    for (const std::string& entry : entries) {
        std::size_t dot = entry.find('.');
        if (dot == std::string::npos)
            continue;
        StoredProp prop{trimControlAndBlank(entry.substr(0, dot)), trimControlAndBlank(entry.substr(dot + 1))};
        if (prop.component.empty() || prop.property.empty() || !host.hasComponent(prop.component))
            continue;
        props.push_back(std::move(prop));
    }
    return props;
}

void loadControlValues(IniAccess& ini, const std::string& section, const std::vector<StoredProp>& props,
                       StoredPropertyHost& host)
{
    try {
        for (const StoredProp& prop : props) {
            try {
                std::optional<PropertyAccess> access = host.findProperty(prop.component, prop.property);
                if (!access)
                    continue;
                std::string key = propertyKey(access->componentName, access->propertyName);
                switch (access->type) {
                case PropertyType::Integer: {
                    std::string current = std::to_string(access->getInteger());
                    access->setInteger(parseIntegerOr(ini.readValue(section, key).value_or(current), 0));
                    break;
                }
                case PropertyType::Text:
                    access->setText(trimControlAndBlank(ini.readValue(section, key).value_or(access->getText())));
                    break;
                case PropertyType::TextList:
                    if (auto items = readList(ini.readSection(listSectionName(section, key))))
                        access->setList(*items);
                    break;
                }
            } catch (...) {
                // One property that cannot be loaded keeps its designed value.
            }
        }
    } catch (...) {
    }
}

void storeControlValues(IniAccess& ini, const std::string& section, const std::vector<StoredProp>& props,
                        StoredPropertyHost& host)
{
    for (const StoredProp& prop : props) {
        std::optional<PropertyAccess> access = host.findProperty(prop.component, prop.property);
        if (!access)
            continue;
        std::string key = propertyKey(access->componentName, access->propertyName);
        switch (access->type) {
        case PropertyType::Integer:
            ini.writeValue(section, key, std::to_string(access->getInteger()));
            break;
        case PropertyType::Text:
            ini.writeValue(section, key, encodeValue(trimControlAndBlank(access->getText())));
            break;
        case PropertyType::TextList: {
            std::string listSection = listSectionName(section, key);
            std::vector<std::string> items = access->getList();
            if (items.empty())
                ini.eraseSection(listSection);
            else
                ini.writeSection(listSection, buildListSection(items));
            break;
        }
        }
    }
}

}  // namespace talkpost::settings
