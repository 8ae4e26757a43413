// The control file: the file entries and the [application] section.
#include "update/engine/control_file.h"

#include "base/decimal.h"
#include "update/install/date_time.h"

namespace talkpost::update {
FileDescription& FileList::add()
{
    entries_.emplace_back();
    return entries_.back();
}

void FileList::remove(std::size_t index)
{
    if (index < entries_.size())
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::int32_t FileList::totalSize() const
{
    std::uint32_t sum = 0;
    for (const FileDescription& entry : entries_)
        sum += static_cast<std::uint32_t>(entry.fileSize);
    return static_cast<std::int32_t>(sum);
}

std::int32_t FileList::completedSize() const
{
    std::uint32_t sum = 0;
    for (std::int32_t i = 0; i < currentIndex && static_cast<std::size_t>(i) < entries_.size(); ++i)
        sum += static_cast<std::uint32_t>(entries_[static_cast<std::size_t>(i)].fileSize);
    return static_cast<std::int32_t>(sum);
}

std::int32_t readFileList(const IniReader& file, const Expander& expand, FileList& list)
{
    list.clear();
    std::int32_t count = file.readInteger("files", "count", 0);
    for (std::int32_t n = 1; n <= count && n <= kMaxFileEntries; ++n) {
        const std::string section = "file" + std::to_string(n);
        FileDescription& entry = list.add();
        entry.url = expand(file.readString(section, "url"));
        entry.localVersion = expand(file.readString(section, "localversion"));
        entry.newVersion = file.readString(section, "newversion");
        entry.newSize = file.readInteger(section, "newsize", 0);
        entry.newCheckSum = file.readInteger(section, "newchecksum", -1);
        entry.newCustomVer = file.readString(section, "customversion");
        entry.newDate = file.readString(section, "date");
        entry.newTime = file.readString(section, "time");
        entry.description = file.readString(section, "descr");
        entry.targetDir = expand(file.readString(section, "targetdir"));
        if (!entry.targetDir.empty() && entry.targetDir.back() != '\\')
            entry.targetDir += '\\';
        entry.compressed = file.readFlag(section, "compressed");
        entry.fileSize = file.readInteger(section, "filesize", 0);
        entry.mandatory = file.readFlag(section, "mandatory");
        entry.hidden = file.readFlag(section, "hidden");
        entry.sha256 = file.readString(section, "sha256");
    }
    return count;
}

ApplicationSettings readApplicationSection(const IniReader& file, const Expander& expand)
{
    ApplicationSettings app;
    app.appUpdate = file.readFlag("application", "appupdate");
    app.appCommand = expand(file.readString("application", "appname"));
    std::string params = file.readString("application", "appparam");
    if (app.appCommand.empty())
        app.appUpdate = false;
    std::string quotedName = app.appCommand;
    if (quotedName.find(' ') != std::string::npos)
        quotedName = "\"" + quotedName + "\"";
    if (params.find(' ') != std::string::npos)
        params = "\"" + params + "\"";
    if (!params.empty())
        app.appCommand = quotedName + " " + params;
    app.appComponents = expand(file.readString("application", "appcomps"));
    app.silentRestart = file.readFlag("application", "silentrestart");
    return app;
}

std::optional<std::uint64_t> readDecimal64(const std::string& text)
{
    // Nineteen digits at most: every such number fits.
    return text.size() > 19 ? std::nullopt : parseDecimal(text);
}

Publication readPublication(const IniReader& file)
{
    Publication p;
    std::string serial = file.readString("update", "serial");
    if (!serial.empty()) {
        auto number = readDecimal64(serial);
        p.serialReadable = number.has_value();
        p.serial = number.value_or(0);
    }
    p.expires = file.readString("update", "expires");
    p.allowDowngrade = file.readFlag("update", "allowdowngrade");
    return p;
}

std::optional<LocalMinute> readExpiry(const std::string& text)
{
    // dd.mm.yyyy hh:mm
    static constexpr char kPattern[] = "00.00.0000 00:00";
    if (text.size() != sizeof kPattern - 1)
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if ((kPattern[i] == '0') != digit || (!digit && text[i] != kPattern[i]))
            return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t length) {  // digits only: the pattern let nothing else by
        return static_cast<int>(*parseDecimal(std::string_view(text).substr(at, length)));
    };
    LocalMinute m{number(6, 4), number(3, 2), number(0, 2), number(11, 2), number(14, 2)};
    if (!encodeDateTime({m.year, m.month, m.day, m.hour, m.minute, 0}))
        return std::nullopt;  // no such day or time
    return m;
}

namespace {

std::int64_t minutes(const LocalMinute& m)
{
    return (((static_cast<std::int64_t>(m.year) * 13 + m.month) * 32 + m.day) * 24 + m.hour) * 60 + m.minute;
}

}  // namespace

Freshness freshness(const Publication& publication, std::uint64_t highestSerialSeen, const LocalMinute& now)
{
    if (!publication.serialReadable || publication.serial < highestSerialSeen)
        return Freshness::Replayed;
    if (!publication.expires.empty()) {
        auto expiry = readExpiry(publication.expires);
        if (!expiry || minutes(now) >= minutes(*expiry))
            return Freshness::Expired;
    }
    return Freshness::Fresh;
}

const ControlFile& ControlFile::none()
{
    static const ControlFile empty({}, [](const std::string& text) { return text; });
    return empty;
}

}  // namespace talkpost::update
