// The publisher's view of a control file: reads its bytes with the client's
// own code (the INI reader, the control file, the macros, the installation
// plan, the update check, the publication's rules, the signature text) and
// prints what a client does with it, for people to read or as JSON lines
// (each with its people's text in "text").
// tools/update/publish runs it for its check; nothing in Python reads a
// control file.
//
//   control_reader [--json] [--signature FILE] [--now "dd.mm.yyyy hh:mm"]
//                  [--highest-serial N] [--client-version V] [FILE]
//
// FILE (default: standard input) holds the control file's bytes. The paths
// are those of a sample client whose folders are each on a drive of their
// own ({APP} is A:\Talkpost); they are printed with the macro names again. A
// path counts as inside {APP} only when it is so also on a second sample
// client whose folders all lie elsewhere, so a folder written out is no {APP}.
// Exit code 0 when the file was read (whatever a client would make of it), 2
// for bad arguments or a file that cannot be read, with one line on stderr.
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "update/engine/control_file.h"
#include "update/engine/control_plan.h"
#include "update/engine/engine_settings.h"
#include "update/engine/installation.h"
#include "update/engine/macros.h"
#include "update/engine/signature.h"
#include "update/install/file_names.h"
#include "update/install/install_decisions.h"
#include "updater/updater_rules.h"

namespace {

using namespace talkpost;
using namespace talkpost::update;

// The update's own folder on the sample client.
constexpr const char* kSampleDownloadFolder = "T:\\Temp\\TPUPD-0\\";
// The program file whose version a client of a given version has.
constexpr const char* kProgramName = "talkpost.exe";
// At most this many undefined bytes are named one by one.
constexpr int kMaxNamedBytes = 10;

struct Failure {
    std::string text;
};

// Windows-1252 from 0x80 to 0x9F; 0 where the code page defines no character
// (the platform then keeps the byte's own value).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

bool undefinedByte(unsigned char c) { return c >= 0x80 && c <= 0x9F && kCp1252High[c - 0x80] == 0; }

char32_t unicodeOf(unsigned char c)
{
    if (c >= 0x80 && c <= 0x9F && kCp1252High[c - 0x80] != 0)
        return kCp1252High[c - 0x80];
    return c;
}

std::string hexByte(unsigned char c)
{
    char text[5];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

// One character inside a JSON string: ASCII as it is, anything else as \uXXXX,
// so the output is ASCII whatever the bytes.
void appendJsonCharacter(std::string& out, char32_t u)
{
    if (u == '"' || u == '\\') {
        out += '\\';
        out += static_cast<char>(u);
    } else if (u >= 0x20 && u < 0x7F) {
        out += static_cast<char>(u);
    } else {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(u));
        out += escape;
    }
}

// A JSON string of ANSI text, each byte with its Windows-1252 meaning.
std::string json(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text)
        appendJsonCharacter(out, unicodeOf(c));
    return out + "\"";
}

// A JSON string of UTF-8 text (the people's lines).
std::string jsonOfUtf8(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        char32_t u = c;
        std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : 3;  // human() writes nothing longer
        if (length == 2 && i + 1 < text.size())
            u = ((c & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
        else if (length == 3 && i + 2 < text.size())
            u = ((c & 0x0F) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3F) << 6) |
                (static_cast<unsigned char>(text[i + 2]) & 0x3F);
        i += length;
        appendJsonCharacter(out, u);
    }
    return out + "\"";
}

std::string json(const char* text) { return json(std::string(text)); }
std::string json(bool value) { return value ? "true" : "false"; }
std::string json(std::int64_t value) { return std::to_string(value); }
std::string json(std::int32_t value) { return std::to_string(value); }

// ANSI text for people: UTF-8, with undefined bytes and control characters as \xNN.
std::string human(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        char32_t u = unicodeOf(c);
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u <= 0x9F)) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

// One output record: its fields as JSON, and its line for people.
class Printer {
public:
    explicit Printer(bool asJson) : asJson_(asJson) {}
    Printer& field(const std::string& name, const std::string& jsonValue)
    {
        fields_ += (fields_.empty() ? "" : ",") + json(name) + ":" + jsonValue;
        return *this;
    }
    void emit(const std::string& record, const std::string& humanLine)
    {
        // The people's text rides along, so that one run gives both.
        if (asJson_)
            std::cout << "{\"record\":" << json(record) << (fields_.empty() ? "" : ",") << fields_
                      << ",\"text\":" << jsonOfUtf8(humanLine) << "}\n";
        else if (!humanLine.empty())
            std::cout << humanLine << "\n";
        fields_.clear();
    }

private:
    bool asJson_;
    std::string fields_;
};

std::string readAll(std::istream& in, std::size_t limit, const std::string& what)
{
    std::string bytes(limit + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad())
        throw Failure{"cannot read " + what};
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::string readFile(const std::string& path, std::size_t limit, const std::string& what)
{
    if (path == "-")
        return readAll(std::cin, limit, what);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Failure{"cannot open " + what + " " + path};
    return readAll(in, limit, what);
}

std::string minuteText(const LocalMinute& m)
{
    char text[20];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", m.day, m.month, m.year, m.hour, m.minute);
    return text;
}

LocalMinute localNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min};
}

std::string stageText(ActionStage stage)
{
    switch (stage) {
    case ActionStage::BeforeDownload: return "before the download";
    case ActionStage::AfterInstall: return "after the files are in place";
    case ActionStage::AfterRestart: return "after the restart";
    }
    return {};
}

std::string checkName(CheckCode code)
{
    switch (code) {
    case CheckCode::DateNewer: return "date newer";
    case CheckCode::NoNewVersion: return "no new version";
    case CheckCode::Unconditional: return "unconditional";
    case CheckCode::SizeDiffers: return "size differs";
    case CheckCode::ChecksumDiffers: return "checksum differs";
    case CheckCode::VersionNewer: return "version newer";
    case CheckCode::CustomAccepted: return "custom accepted";
    }
    return "unknown";
}

struct Options {
    bool json = false;
    std::string controlPath = "-";
    std::string signaturePath;
    std::optional<LocalMinute> now;
    std::uint64_t highestSerial = 0;
    std::optional<std::string> clientVersion;
};

Options parseOptions(int argc, char** argv)
{
    Options options;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw Failure{arg + " needs a value"};
            return argv[++i];
        };
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--signature") {
            options.signaturePath = value();
        } else if (arg == "--now") {
            std::string text = value();
            options.now = readExpiry(text);
            if (!options.now)
                throw Failure{"--now " + text + ": write dd.mm.yyyy hh:mm"};
        } else if (arg == "--highest-serial") {
            std::string text = value();
            auto serial = readDecimal64(text);
            if (!serial)
                throw Failure{"--highest-serial " + text + ": a serial is at most 19 decimal digits"};
            options.highestSerial = *serial;
        } else if (arg == "--client-version") {
            options.clientVersion = value();
            if (parseVersion(*options.clientVersion).unknown())
                throw Failure{"--client-version " + *options.clientVersion + " is no version"};
        } else if (!haveFile && (arg == "-" || arg.rfind("--", 0) != 0)) {
            options.controlPath = arg;
            haveFile = true;
        } else {
            throw Failure{"unknown argument " + arg};
        }
    }
    return options;
}

void printBytes(Printer& out, const std::string& bytes)
{
    int line = 1, found = 0;
    std::vector<std::pair<int, unsigned char>> named;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n' || (c == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++line;
        if (undefinedByte(c) && found++ < kMaxNamedBytes)
            named.emplace_back(line, c);
    }
    out.field("size", json(static_cast<std::int64_t>(bytes.size()))).field("undefined_bytes", json(found));
    out.emit("control", "control file: " + std::to_string(bytes.size()) + " bytes");
    for (auto [at, c] : named) {
        out.field("line", json(at)).field("byte", json(hexByte(c)));
        out.emit("undefined_byte", "line " + std::to_string(at) + ": byte " + hexByte(c) +
                                       " is no character of code page 1252");
    }
}

void printSignature(Printer& out, const std::string& path)
{
    std::string text = readFile(path, kMaxControlFileBytes, "the signature");
    auto signature = text.size() <= kMaxControlFileBytes ? signatureFromText(text) : std::nullopt;
    std::string hex;
    if (signature)
        for (unsigned char c : *signature)
            hex += hexByte(c).substr(2);
    out.field("readable", json(signature.has_value())).field("r_s", json(hex));
    out.emit("signature", signature ? "signature: 64 bytes of Base64, to be checked against the clients' key"
                                    : "signature: the text is not the Base64 of 64 bytes: a client refuses the file");
}

void printPublication(Printer& out, const ControlFile& file, const Options& options)
{
    Publication p = file.publication();
    std::string serialText = file.readString("update", "serial");
    LocalMinute now = options.now.value_or(localNow());
    auto expiry = p.expires.empty() ? std::nullopt : readExpiry(p.expires);
    Freshness verdict = freshness(p, options.highestSerial, now);
    const char* verdictText = verdict == Freshness::Fresh ? "fresh" : verdict == Freshness::Replayed ? "replayed"
                                                                                                      : "expired";
    out.field("serial", json(serialText)).field("serial_readable", json(p.serialReadable));
    out.field("serial_value", json(p.serialReadable ? std::to_string(p.serial) : std::string()));
    out.field("expires", json(p.expires)).field("expires_readable", json(p.expires.empty() || expiry.has_value()));
    out.field("expires_at", json(expiry ? minuteText(*expiry) : std::string()));
    out.field("allowdowngrade", json(p.allowDowngrade)).field("now", json(minuteText(now)));
    out.field("highest_serial", json(std::to_string(options.highestSerial))).field("verdict", json(verdictText));
    std::string serialLine = !p.serialReadable
        ? "[update] serial=" + human(serialText) + ": not a serial a client reads (at most 19 decimal digits): "
              "every client refuses the file"
        : "[update] serial=" + std::to_string(p.serial) + (serialText.empty() ? " (none given)" : "") +
              ": a client that accepted a higher serial refuses the file";
    std::string expiresLine = p.expires.empty() ? "[update] expires: none, the file never expires"
        : !expiry ? "[update] expires=" + human(p.expires) + ": not dd.mm.yyyy hh:mm: every client refuses the file"
                  : "[update] expires=" + minuteText(*expiry) + ": a client refuses the file from then on (its local time)";
    out.emit("publication", serialLine + "\n" + expiresLine + "\nat " + minuteText(now) + " with a highest serial of " +
                                std::to_string(options.highestSerial) + " seen: " + verdictText);
}

void printUpdate(Printer& out, const ControlFile& file, const Options& options)
{
    const UpdateSection u = readUpdateSection(file);
    VersionValue published = parseVersion(u.newVersion);
    out.field("descr", json(u.descr)).field("newversion", json(u.newVersion));
    out.field("newversion_read", json(published.unknown() ? std::string() : versionText(published)));
    out.field("localversion", json(withMacroNames(u.localVersion))).field("date", json(u.date));
    out.field("time", json(u.time)).field("unconditional", json(u.unconditional));
    out.field("newsize", json(u.newSize)).field("newchecksum", json(u.newChecksum));
    out.emit("update", "release " + (published.unknown() ? "? ([update] newversion=" + human(u.newVersion) +
                                                                   " is no version a client reads)"
                                                             : versionText(published)) +
                           (u.descr.empty() ? "" : ": " + human(u.descr)) +
                           (u.localVersion.empty() ? "" : "\n  compared with " + human(withMacroNames(u.localVersion))));
    if (!options.clientVersion)
        return;

    // A client whose program in its folder has the given version; no other local file exists.
    const std::string app(sampleMacroValue("APP"));
    const std::string program = app + "\\" + kProgramName;
    const VersionValue clientVersion = parseVersion(*options.clientVersion);
    auto isProgram = [&](const std::string& path) {
        auto resolved = resolvedPath(path, app);
        return resolved && sameFileName(*resolved, program);
    };
    const EngineSettings settings = talkpostEngineSettings({});
    CheckEnvironment env;
    env.compare = {settings.versionCheck, settings.useCRC32};
    env.format = {settings.dateFormat, settings.dateSeparator, settings.timeSeparator};
    env.probe.exists = isProgram;
    env.probe.fileChecksum = [](const std::string&) { return 0; };
    env.probe.byteSum = [](const std::string&) { return -1; };
    env.probe.fileSize = [](const std::string&) { return -1; };
    env.probe.fileVersion = [&](const std::string& path) { return isProgram(path) ? clientVersion : VersionValue{}; };
    // The age of the program is not known here: a date is judged as against a missing file.
    env.localReferenceDate = [](const std::string&) { return kEarliestDate; };
    env.shortDate = [](DateTime) { return std::string(); };
    StatusSink quiet = [](int, const std::string&, std::int32_t) {};
    CheckCode code = withoutRefusedDowngrade(checkUpdateEntry(u, env, quiet).code, u, file.publication().allowDowngrade,
                                             env.probe, quiet);
    bool updates = code != CheckCode::NoNewVersion;
    out.field("client_version", json(versionText(clientVersion))).field("code", json(static_cast<std::int32_t>(code)));
    out.field("name", json(checkName(code))).field("updates", json(updates));
    out.emit("client_check", "a client of version " + versionText(clientVersion) + ": check code " +
                                 std::to_string(static_cast<int>(code)) + " (" + checkName(code) + "): " +
                                 (updates ? "it offers the update" : "it installs nothing, it is up to date"));
}

void printApplication(Printer& out, const ControlFile& file, const ApplicationSettings& app)
{
    out.field("appupdate", json(app.appUpdate)).field("appname", json(file.readString("application", "appname")));
    out.field("appparam", json(file.readString("application", "appparam")));
    out.field("appcommand", json(withMacroNames(app.appCommand)));
    out.field("appcomps", json(withMacroNames(app.appComponents))).field("silentrestart", json(app.silentRestart));
    out.emit("application", app.appUpdate ? "[application] the program restarts after the update"
                                                + std::string(app.silentRestart ? " without asking" : "") +
                                                "; components: " + human(withMacroNames(app.appComponents))
                                          : "[application] no restart");
}

void printDocuments(Printer& out, const ControlFile& file)
{
    for (const char* section : {"whatsnew", "eula"}) {
        std::string address = file.readString(section, "file");
        out.field("section", json(section)).field("file", json(address));
        out.field("sha256", json(publishedSha256(file.readString(section, "sha256"))));
        out.emit("document", address.empty() ? "" : "[" + std::string(section) + "] shows " + human(address));
    }
}

// What the updater helper does with a component after the restart, and
// whether that stays inside the program's folder.
std::pair<std::string, bool> componentFate(const std::string& name)
{
    const std::string app = "{APP}\\";
    switch (updater::componentCase(name)) {
    case updater::ComponentCase::Replacement:
        return {"the updater helper puts it in place as " + app + updater::replacementBase(name) + " after the restart",
                true};
    case updater::ComponentCase::ListFile:
        return {"the updater helper installs the files this list names, where it names them", false};
    case updater::ComponentCase::Patch: return {"the updater helper runs the patch program on it", false};
    case updater::ComponentCase::Cabinet: return {"the updater helper extracts it into {APP}", true};
    case updater::ComponentCase::Program: return {"the updater helper RUNS it after the restart", false};
    case updater::ComponentCase::Compressed: return {"the updater helper expands it into {APP}", true};
    }
    return {"", false};
}

void printFiles(Printer& out, const ControlFile& file, std::string_view bytes)
{
    std::string countText = file.readString("files", "count");
    std::vector<EntryPlan> plans = planEntriesOnSampleClients(bytes, kSampleDownloadFolder);
    std::int32_t count = file.text().readInteger("files", "count", 0);
    out.field("count", json(count)).field("count_text", json(countText));
    out.field("entries", json(static_cast<std::int64_t>(plans.size())));
    out.emit("files", "[files] count=" + human(countText) + ": " + std::to_string(plans.size()) + " entries" +
                          (count > kMaxFileEntries ? " (a client makes no more than " +
                                                         std::to_string(kMaxFileEntries) + ")" : ""));
    for (const EntryPlan& plan : plans) {
        const FileDescription& e = plan.entry;
        const std::string section = "file" + std::to_string(plan.number);
        std::string install, fate;
        bool inside = plan.insideApp;
        std::string landsAt = withMacroNames(plan.landsAt);
        if (plan.install.refused) {
            install = "refused";
            fate = "refused: the name or the folder is no plain file's, the client fetches nothing";
        } else if (plan.install.component) {
            install = "component";
            auto [text, stays] = componentFate(plan.name);
            fate = text;
            inside = inside && stays;
        } else if (plan.install.moveToTarget) {
            install = "move";
            fate = "into " + landsAt;
        } else if (plan.install.lzExpand) {
            install = "expand";
            fate = "expanded into {APP} under the name its header gives (" + plan.name + ")";
        } else if (plan.install.extractCabinet) {
            install = "cabinet";
            fate = "its files extracted into " + landsAt;
        } else {
            install = "left";
            fate = "left in the update's folder, removed with it";
        }
        if (!e.targetDir.empty() && !plan.insideApp)
            fate += "; the folder " + withMacroNames(e.targetDir) + " is made when missing";
        const char* how = e.hidden ? "hidden" : e.mandatory ? "mandatory" : "optional";
        out.field("n", json(plan.number)).field("url", json(e.url)).field("name", json(plan.name));
        out.field("descr", json(e.description)).field("targetdir", json(file.readString(section, "targetdir")));
        out.field("targetdir_read", json(withMacroNames(e.targetDir))).field("install", json(install));
        out.field("lands_at", json(landsAt)).field("inside_app", json(inside)).field("fate", json(fate));
        out.field("compressed", json(e.compressed)).field("mandatory", json(e.mandatory));
        out.field("hidden", json(e.hidden)).field("filesize", json(e.fileSize)).field("sha256", json(publishedSha256(e.sha256)));
        out.field("localversion", json(withMacroNames(e.localVersion))).field("newversion", json(e.newVersion));
        out.field("date", json(e.newDate)).field("time", json(e.newTime));
        out.emit("file", std::string(inside ? "  " : "!!") + " [" + section + "] " + how + " " +
                             (e.description.empty() ? "(no description)" : human(e.description)) + ": " +
                             human(plan.name.empty() ? "(no address)" : plan.name) + ": " + human(fate) +
                             (inside ? "" : "  <- OUTSIDE {APP}"));
    }
}

void printActions(Printer& out, const ControlFile& file, const ApplicationSettings& app, std::string_view bytes)
{
    for (const ControlAction& action : controlActions(file, app)) {
        std::string actedOn = withMacroNames(action.actedOn);
        // Only the program's own restart from its folder, without parameters, is what every update does.
        bool insideApp = action.key == "appname" && restartStaysInApp(bytes);
        out.field("section", json(action.section)).field("key", json(action.key)).field("value", json(action.value));
        out.field("acted_on", json(actedOn)).field("stage", json(stageText(action.stage)));
        out.field("what", json(action.what)).field("inside_app", json(insideApp));
        out.emit("action", std::string(insideApp ? "  " : "!!") + " [" + action.section + "] " + action.key + ": " +
                               stageText(action.stage) + " " + action.what + ": " + human(actedOn));
    }
}

int run(int argc, char** argv)
{
    Options options = parseOptions(argc, argv);
    std::string bytes = readFile(options.controlPath, kMaxControlFileBytes, "the control file");
    if (bytes.size() > kMaxControlFileBytes)
        throw Failure{"the control file is larger than the " + std::to_string(kMaxControlFileBytes) +
                      " bytes a client fetches"};
    Printer out(options.json);
    printBytes(out, bytes);
    if (!options.signaturePath.empty())
        printSignature(out, options.signaturePath);
    const ControlFile file = onFirstSampleClient(bytes);
    ApplicationSettings app = file.application();
    printPublication(out, file, options);
    printUpdate(out, file, options);
    printApplication(out, file, app);
    printDocuments(out, file);
    printFiles(out, file, bytes);
    printActions(out, file, app, bytes);
    std::cout.flush();
    return std::cout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const Failure& failure) {
        std::cerr << "control_reader: " << failure.text << "\n";
    } catch (const std::exception& error) {
        std::cerr << "control_reader: " << error.what() << "\n";
    }
    return 2;
}
