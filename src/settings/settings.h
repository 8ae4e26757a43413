// Settings: every value the program keeps in its settings file, as one typed
// object. readSettings takes them all from one parse of the file at start;
// writeSettings writes the part that a save names. The names of the file's
// sections and keys live in settings.cpp and nowhere else. Portable.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/ini_reader.h"

namespace talkpost::settings {

// The writing side of one save: values are written as they are given (the
// caller has applied the value rule), a list section as one block.
class IniSink {
public:
    virtual ~IniSink() = default;
    virtual void writeValue(const std::string& section, const std::string& key, const std::string& text) = 0;
    // Replaces the whole section with the block built by buildListSection.
    virtual void writeSection(const std::string& section, const std::string& block) = 0;
    virtual void eraseSection(const std::string& section) = 0;
};

// One window's placement as its section keeps it. A number that is missing
// or does not read as one is nothing, so the reader takes its own default.
struct WindowSettings {
    std::optional<int> formVersion;
    std::optional<int> flags;
    std::optional<int> showCmd;
    std::optional<int> pixelsPerInch;
    // The "%d,%d,%d,%d" texts of the minimized and maximized positions and of
    // the normal rectangle, by screen suffix ("(1280x1024)", letters in lower
    // case); the fall-back for any other screen under "".
    std::map<std::string, std::string> minMaxPos;
    std::map<std::string, std::string> normPos;
    std::optional<bool> visible;  // written only: the save ran as the window was destroyed

    // The text for this screen, else the fall-back; empty when neither is there.
    std::string minMaxPosFor(const std::string& screenSuffix) const;
    std::string normPosFor(const std::string& screenSuffix) const;
};

// The main window's stored control values. Nothing: not stored, the field
// keeps what it shows.
struct StoredValues {
    std::optional<std::vector<std::string>> computers;     // the computer list; nothing when its count is not above 0
    std::optional<std::string> user;                       // trimmed
    std::optional<std::vector<std::string>> messageLines;  // one item per line of the message
    std::optional<int> time;                               // 0 when the stored text is not a whole number
};

// Computers from Directory: the dialog's fields (never the password) and two
// numbers that are set by hand.
enum class Connection { Sealed, Ldaps, StartTls };
enum class SignIn { CurrentUser, NameAndPassword };
// Computers whose account is not disabled (bit 2 of userAccountControl).
inline constexpr const char* kDefaultFilter =
    "(&(objectCategory=computer)(!(userAccountControl:1.2.840.113556.1.4.803:=2)))";
struct DirectoryFields {
    std::string server;  // empty: the logged-on user's domain
    std::string base;    // empty: the server's default naming context
    std::string filter = kDefaultFilter;
    SignIn signIn = SignIn::CurrentUser;
    std::string user;  // "name", "DOMAIN\name" or "name@domain"
    Connection connection = Connection::Sealed;
    bool removeMissing = false;
};

// How many message commands run at once: the setting within these bounds, the
// default when it is missing or no number.
inline constexpr int kDefaultParallelSends = 32;
inline constexpr int kMinParallelSends = 1;
inline constexpr int kMaxParallelSends = 256;
// The stored text as a number of parallel sends: blanks around a decimal
// number allowed, clamped to the bounds; anything else gives the default.
int parallelSendsValue(const std::string& text);

struct Settings {
    // The main window: [Placement], and [Storage] with its list sections.
    WindowSettings mainPlacement;
    WindowSettings mainStorage;
    StoredValues storedValues;
    // The Edit Computer List dialog: [EditorPM].
    WindowSettings editor;

    // Our own section, [Talkpost]: set by hand...
    std::string bannerServer;  // empty: no banner
    std::string updateServer;  // empty: LiveUpdate fetches nothing
    int parallelSends = kDefaultParallelSends;
    std::optional<int> directoryPageSize;   // as stored; the dialog bounds it
    std::optional<int> directoryTimeLimit;  // seconds per directory call, as stored
    // ...and written by the program.
    DirectoryFields directory;
    std::uint64_t updateSerial = 0;  // the highest serial of a control file accepted
    std::optional<std::uint64_t> rolledBackSerial;  // the update the updater helper rolled back
    std::string rolledBackUpdate;
};

// What one save writes.
enum class SettingsPart {
    MainPlacement,  // [Placement]
    MainStorage,    // [Storage] and its list sections
    Editor,         // [EditorPM]
    Directory,      // the directory fields in [Talkpost]
    UpdateSerial,   // "UpdateSerial" in [Talkpost]
    RolledBack,     // the rolled-back update in [Talkpost]
};

// The window settings a placement part holds; the part must be one of the three windows'.
WindowSettings& windowSettings(Settings& settings, SettingsPart part);
const WindowSettings& windowSettings(const Settings& settings, SettingsPart part);

// Every setting from one parse of the file; what is missing keeps its default.
Settings readSettings(const IniReader& file);

// Writes one part of the settings: its keys with the value rule applied,
// a list as one section (an empty list as no section).
void writeSettings(IniSink& ini, const Settings& settings, SettingsPart part);

}  // namespace talkpost::settings
