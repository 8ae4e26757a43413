// The settings object read from the file and written back part by part: the
// one place that names the file's sections and keys.
#include "settings/settings.h"

#include <algorithm>
#include <set>

#include "base/app_error.h"
#include "base/decimal.h"
#include "settings/ini_rules.h"

namespace talkpost::settings {
namespace {

// The sections of the windows' stores and our own section.
constexpr const char* kMainPlacementSection = "Placement";
constexpr const char* kMainStorageSection = "Storage";
constexpr const char* kEditorSection = "EditorPM";
constexpr const char* kOwnSection = "Talkpost";

// Placement keys.
constexpr const char* kFormVersionKey = "FormVersion";
constexpr const char* kFlagsKey = "Flags";
constexpr const char* kShowCmdKey = "ShowCmd";
constexpr const char* kPixelsPerInchKey = "PixelsPerInch";
constexpr const char* kMinMaxPosKey = "MinMaxPos";
constexpr const char* kNormPosKey = "NormPos";
constexpr const char* kVisibleKey = "Visible";

// The main window's stored properties: component and property names, from
// which the keys and list sections are built by rule.
constexpr const char* kComputersComponent = "IPComboBox";
constexpr const char* kComputersProperty = "Items";
constexpr const char* kUserComponent = "UserEdit";
constexpr const char* kUserProperty = "Text";
constexpr const char* kMessageComponent = "RichText";
constexpr const char* kMessageProperty = "Lines";
constexpr const char* kTimeComponent = "TimeEdit";
constexpr const char* kTimeProperty = "Value";

// [Talkpost].
constexpr const char* kBannerServerKey = "BannerServer";
constexpr const char* kUpdateServerKey = "UpdateServer";
constexpr const char* kParallelSendsKey = "ParallelSends";
constexpr const char* kUpdateSerialKey = "UpdateSerial";
constexpr const char* kRolledBackSerialKey = "RolledBackSerial";
constexpr const char* kRolledBackUpdateKey = "RolledBackUpdate";
constexpr const char* kDirectoryServerKey = "DirectoryServer";
constexpr const char* kDirectoryBaseKey = "DirectoryBase";
constexpr const char* kDirectoryFilterKey = "DirectoryFilter";
constexpr const char* kDirectorySignInKey = "DirectorySignIn";
constexpr const char* kDirectoryUserKey = "DirectoryUser";
constexpr const char* kDirectoryConnectionKey = "DirectoryConnection";
constexpr const char* kDirectoryRemoveMissingKey = "DirectoryRemoveMissing";
constexpr const char* kDirectoryPageSizeKey = "DirectoryPageSize";
constexpr const char* kDirectoryTimeLimitKey = "DirectoryTimeLimit";
constexpr const char* kConnectionNames[] = {"Sealed", "LDAPS", "StartTLS"};
constexpr const char* kSignInNames[] = {"CurrentUser", "NameAndPassword"};

const char* sectionOf(SettingsPart part)
{
    switch (part) {
    case SettingsPart::MainPlacement:
        return kMainPlacementSection;
    case SettingsPart::MainStorage:
        return kMainStorageSection;
    case SettingsPart::Editor:
        return kEditorSection;
    default:
        return kOwnSection;
    }
}

std::string lowered(std::string_view text) { return foldedIniName(text); }

// A serial: nineteen digits at most, so every such number fits.
std::optional<std::uint64_t> readSerial(const std::string& text)
{
    return text.size() > 19 ? std::nullopt : parseDecimal(text);
}

std::optional<int> readNumber(const IniReader& file, const char* section, const char* key)
{
    auto text = file.readValue(section, key);
    return text ? parseInteger(*text) : std::nullopt;
}

std::string readText(const IniReader& file, const char* section, const char* key)
{
    return file.readValue(section, key).value_or("");
}

// The texts of the keys "<name><screen suffix>" and "<name>" of a section,
// by suffix in lower case; the first key of a name wins.
std::map<std::string, std::string> readPerScreen(const IniReader& file, const char* section, const char* name)
{
    const std::string prefix = lowered(name);
    std::set<std::string> names;
    file.forEachKey(section, [&](std::string_view key, std::optional<std::string_view>) {
        std::string folded = lowered(trimIniBlanks(key));
        if (folded.starts_with(prefix))
            names.insert(folded);
    });
    std::map<std::string, std::string> texts;
    for (const std::string& key : names)
        if (auto text = file.readValue(section, key))
            texts.emplace(key.substr(prefix.size()), *text);
    return texts;
}

WindowSettings readWindow(const IniReader& file, const char* section)
{
    WindowSettings w;
    w.formVersion = readNumber(file, section, kFormVersionKey);
    w.flags = readNumber(file, section, kFlagsKey);
    w.showCmd = readNumber(file, section, kShowCmdKey);
    w.pixelsPerInch = readNumber(file, section, kPixelsPerInchKey);
    w.minMaxPos = readPerScreen(file, section, kMinMaxPosKey);
    w.normPos = readPerScreen(file, section, kNormPosKey);
    return w;
}

// The number n of a key "Item<n>"; nothing for any other name. Only a name
// as itemKey writes it (no leading zero) is the key of item n; any other
// spelling still counts as an item present when the count is bounded.
std::optional<std::size_t> itemNumber(std::string_view name, bool asWritten = true)
{
    constexpr std::size_t kMaxDigits = 9;
    if (name.size() <= 4 || name.size() > 4 + kMaxDigits || !sameIniName(name.substr(0, 4), "item"))
        return std::nullopt;
    std::string_view digits = name.substr(4);
    if (asWritten && digits.size() > 1 && digits.front() == '0')
        return std::nullopt;
    std::size_t n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n;
}

// A list section read the way its keys are read one by one (readList), in
// two passes over its keys however long it is: the count and the highest
// item first, then the items.
std::optional<std::vector<std::string>> readListSection(const IniReader& file, const std::string& section)
{
    std::optional<std::string_view> countText;
    bool countSeen = false;
    std::optional<std::size_t> highest;
    file.forEachKey(section, [&](std::string_view name, std::optional<std::string_view> value) {
        if (sameIniName(name, "Count")) {
            if (!countSeen)
                countText = value;
            countSeen = true;
        } else if (auto n = itemNumber(name, false); n && value && (!highest || *n > *highest)) {
            highest = n;
        }
    });
    int count = parseIntegerOr(countText ? decodeValue(*countText) : "0", 0);
    if (count <= 0)
        return std::nullopt;
    std::size_t limit = kMaxEmptyListItems;
    if (highest)
        limit = std::max(limit, *highest + 1);
    std::size_t n = std::min(static_cast<std::size_t>(count), limit);
    std::vector<std::string> items(n);
    std::vector<bool> taken(n, false);
    file.forEachKey(section, [&](std::string_view name, std::optional<std::string_view> value) {
        auto i = itemNumber(name);
        if (!i || *i >= n || taken[*i])
            return;
        taken[*i] = true;  // the first line of a name wins, even one without a value
        if (value)
            items[*i] = decodeValue(*value);
    });
    return items;
}

bool sameLetters(const std::string& a, const char* b) { return sameIniName(a, b); }

DirectoryFields readDirectory(const IniReader& file)
{
    // The values pass the value rule once more, as they always have.
    auto text = [&file](const char* key) { return decodeValue(readText(file, kOwnSection, key)); };
    DirectoryFields fields;
    fields.server = text(kDirectoryServerKey);
    fields.base = text(kDirectoryBaseKey);
    if (std::string filter = text(kDirectoryFilterKey); !filter.empty())
        fields.filter = filter;  // a search with no filter is no search
    fields.signIn =
        sameLetters(text(kDirectorySignInKey), kSignInNames[1]) ? SignIn::NameAndPassword : SignIn::CurrentUser;
    fields.user = text(kDirectoryUserKey);
    std::string connection = text(kDirectoryConnectionKey);
    if (sameLetters(connection, kConnectionNames[1]))
        fields.connection = Connection::Ldaps;
    else if (sameLetters(connection, kConnectionNames[2]))
        fields.connection = Connection::StartTls;
    fields.removeMissing = text(kDirectoryRemoveMissingKey) == "1";
    return fields;
}

void writeWindow(IniSink& ini, const char* section, const WindowSettings& w)
{
    auto number = [&](const char* key, const std::optional<int>& value) {
        if (value)
            ini.writeValue(section, key, std::to_string(*value));
    };
    auto perScreen = [&](const char* key, const std::map<std::string, std::string>& texts) {
        for (const auto& [suffix, text] : texts)
            if (!suffix.empty())
                ini.writeValue(section, key + suffix, encodeValue(text));
        if (auto bare = texts.find(""); bare != texts.end())
            ini.writeValue(section, key, encodeValue(bare->second));
    };
    number(kFormVersionKey, w.formVersion);
    number(kFlagsKey, w.flags);
    number(kShowCmdKey, w.showCmd);
    number(kPixelsPerInchKey, w.pixelsPerInch);
    perScreen(kMinMaxPosKey, w.minMaxPos);
    perScreen(kNormPosKey, w.normPos);
    if (w.visible)
        ini.writeValue(section, kVisibleKey, *w.visible ? "1" : "0");
}

void writeList(IniSink& ini, const std::string& section, const std::optional<std::vector<std::string>>& items)
{
    if (!items || items->empty())
        ini.eraseSection(section);
    else
        ini.writeSection(section, buildListSection(*items));
}

void writeStoredValues(IniSink& ini, const StoredValues& values)
{
    const std::string section = kMainStorageSection;
    writeList(ini, listSectionName(section, propertyKey(kComputersComponent, kComputersProperty)), values.computers);
    if (values.user)
        ini.writeValue(section, propertyKey(kUserComponent, kUserProperty), encodeValue(trimControlAndBlank(*values.user)));
    writeList(ini, listSectionName(section, propertyKey(kMessageComponent, kMessageProperty)), values.messageLines);
    if (values.time)
        ini.writeValue(section, propertyKey(kTimeComponent, kTimeProperty), std::to_string(*values.time));
}

}  // namespace

int parallelSendsValue(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    DecimalRun number = readDecimalRun(std::string_view(text).substr(i), kMaxParallelSends + 1);
    if (number.length == 0)
        return kDefaultParallelSends;
    i += number.length;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i != text.size())
        return kDefaultParallelSends;
    return static_cast<int>(std::clamp<std::uint64_t>(number.value, kMinParallelSends, kMaxParallelSends));
}

namespace {

// The text for the screen, else the fall-back; empty when neither is there.
std::string textForScreen(const std::map<std::string, std::string>& texts, const std::string& screenSuffix)
{
    auto own = texts.find(lowered(screenSuffix));
    if (own != texts.end() && !own->second.empty())
        return own->second;
    auto bare = texts.find("");
    return bare == texts.end() ? std::string() : bare->second;
}

}  // namespace

std::string WindowSettings::minMaxPosFor(const std::string& screenSuffix) const
{
    return textForScreen(minMaxPos, screenSuffix);
}

std::string WindowSettings::normPosFor(const std::string& screenSuffix) const { return textForScreen(normPos, screenSuffix); }

WindowSettings& windowSettings(Settings& settings, SettingsPart part)
{
    switch (part) {
    case SettingsPart::MainPlacement:
        return settings.mainPlacement;
    case SettingsPart::MainStorage:
        return settings.mainStorage;
    case SettingsPart::Editor:
        return settings.editor;
    default:
        throw AppError("no window's settings");
    }
}

const WindowSettings& windowSettings(const Settings& settings, SettingsPart part)
{
    return windowSettings(const_cast<Settings&>(settings), part);
}

Settings readSettings(const IniReader& file)
{
    Settings s;
    s.mainPlacement = readWindow(file, kMainPlacementSection);
    s.mainStorage = readWindow(file, kMainStorageSection);
    s.editor = readWindow(file, kEditorSection);

    const std::string storage = kMainStorageSection;
    s.storedValues.computers =
        readListSection(file, listSectionName(storage, propertyKey(kComputersComponent, kComputersProperty)));
    if (auto user = file.readValue(storage, propertyKey(kUserComponent, kUserProperty)))
        s.storedValues.user = trimControlAndBlank(*user);
    s.storedValues.messageLines =
        readListSection(file, listSectionName(storage, propertyKey(kMessageComponent, kMessageProperty)));
    if (auto time = file.readValue(storage, propertyKey(kTimeComponent, kTimeProperty)))
        s.storedValues.time = parseIntegerOr(*time, 0);

    s.bannerServer = readText(file, kOwnSection, kBannerServerKey);
    s.updateServer = readText(file, kOwnSection, kUpdateServerKey);
    s.parallelSends = parallelSendsValue(readText(file, kOwnSection, kParallelSendsKey));
    s.directoryPageSize = parseInteger(decodeValue(readText(file, kOwnSection, kDirectoryPageSizeKey)));
    s.directoryTimeLimit = parseInteger(decodeValue(readText(file, kOwnSection, kDirectoryTimeLimitKey)));
    s.directory = readDirectory(file);
    // A value that is no serial counts as none accepted yet.
    s.updateSerial = readSerial(readText(file, kOwnSection, kUpdateSerialKey)).value_or(0);
    s.rolledBackSerial = readSerial(readText(file, kOwnSection, kRolledBackSerialKey));
    s.rolledBackUpdate = readText(file, kOwnSection, kRolledBackUpdateKey);
    return s;
}

void writeSettings(IniSink& ini, const Settings& s, SettingsPart part)
{
    switch (part) {
    case SettingsPart::MainPlacement:
    case SettingsPart::Editor:
        writeWindow(ini, sectionOf(part), windowSettings(s, part));
        break;
    case SettingsPart::MainStorage:
        writeWindow(ini, kMainStorageSection, s.mainStorage);
        writeStoredValues(ini, s.storedValues);
        break;
    case SettingsPart::Directory: {
        const DirectoryFields& d = s.directory;
        ini.writeValue(kOwnSection, kDirectoryServerKey, encodeValue(d.server));
        ini.writeValue(kOwnSection, kDirectoryBaseKey, encodeValue(d.base));
        ini.writeValue(kOwnSection, kDirectoryFilterKey, encodeValue(d.filter));
        ini.writeValue(kOwnSection, kDirectorySignInKey, kSignInNames[static_cast<int>(d.signIn)]);
        ini.writeValue(kOwnSection, kDirectoryUserKey, encodeValue(d.user));
        ini.writeValue(kOwnSection, kDirectoryConnectionKey, kConnectionNames[static_cast<int>(d.connection)]);
        ini.writeValue(kOwnSection, kDirectoryRemoveMissingKey, d.removeMissing ? "1" : "0");
        break;
    }
    case SettingsPart::UpdateSerial:
        ini.writeValue(kOwnSection, kUpdateSerialKey, std::to_string(s.updateSerial));
        break;
    case SettingsPart::RolledBack:
        if (s.rolledBackSerial)
            ini.writeValue(kOwnSection, kRolledBackSerialKey, std::to_string(*s.rolledBackSerial));
        ini.writeValue(kOwnSection, kRolledBackUpdateKey, s.rolledBackUpdate);
        break;
    }
}

}  // namespace talkpost::settings
