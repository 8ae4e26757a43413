// The update engine's settings with the component's defaults, this program's
// values, and the connection rules that decide from them. Portable.
#pragma once

#include <cstdint>
#include <string>

#include "update/install/versions.h"

namespace talkpost::update {

enum class Authenticate { Always, Auto, Never };
enum class UpdateType { Ftp, Http, File };
enum class UpdateConnect { NoConnect, ConnectPrompt, ConnectSilent, ConnectPromptHangup, ConnectSilentHangup, None };
enum class DownloadPrompt { PromptOnce, PromptAll, Silent };
enum class RegRoot { LocalUser, LocalMachine };

// Where the last control-file address and update date are remembered.
struct LastURLEntry {
    bool save = false;
    std::string key;
    std::string section;
    RegRoot regRoot = RegRoot::LocalUser;
    // Values are read or written only with a key and a section.
    bool hasPlace() const { return !key.empty() && !section.empty(); }
};

// The HTTP POST after the update: to server ("host" or "host:port"), the
// resource action, data as its form-encoded body.
struct PostUpdateInfo {
    std::string server, action, data;
    bool enabled = false;
};

struct EngineSettings {
    std::string agent = "TUpdateEngine";
    Authenticate authenticate = Authenticate::Never;
    std::string dateFormat = "dd/mm/yyyy";
    char dateSeparator = '/';
    bool extractCAB = false;
    bool existingConnection = false;
    std::string ftpDirectory;
    bool ftpPassive = false;
    std::string host;
    bool httpKeepAliveAuthentication = false;
    std::string languageID;
    bool logging = false;
    LastURLEntry lastURLEntry;
    std::string password;
    std::int32_t port = 21;
    PostUpdateInfo postUpdateInfo;
    std::string proxy;
    std::string proxyUserID, proxyPassword;
    std::string signature = "UpdateEngine";
    bool signatureCheck = false;
    std::string tempDirectory = ".";
    char timeSeparator = ':';
    UpdateType updateType = UpdateType::Http;
    UpdateConnect updateConnect = UpdateConnect::NoConnect;
    DownloadPrompt downloadPrompt = DownloadPrompt::PromptOnce;
    std::string url;
    std::string userID;
    bool useCRC32 = false;
    bool useWinTempDir = true;
    VersionCheck versionCheck = VersionCheck::UpdateOnly;
};

// Where this program's control file lies on its update server.
inline constexpr const char* kControlFilePath = "/Updates/talkpost.inf";
// This program's account on its update servers (8 characters each).
inline constexpr const char* kUpdateUserID = "tpupdate";
inline constexpr const char* kUpdatePassword = "Lv8#up42";

// The base address without trailing "/" characters.
std::string updateServerBase(const std::string& configured);

// This program's engine: the settings above with its values, the control
// file under the given server base.
EngineSettings talkpostEngineSettings(const std::string& serverBase);

enum class DialStep { Online, ReturnOffline, PromptDial, SilentDial };
// What an engine that is offline or online does before it opens its handle.
DialStep dialStep(bool online, UpdateConnect mode);
// Whether CloseConnection hangs up a line this engine dialled.
bool hangsUpAfterwards(UpdateConnect mode);

}  // namespace talkpost::update
