// This program's engine values and the connection rules.
#include "update/engine/engine_settings.h"

namespace talkpost::update {

std::string updateServerBase(const std::string& configured)
{
    std::string base = configured;
    while (!base.empty() && (base.back() == '/' || base.back() == ' '))
        base.pop_back();
    while (!base.empty() && base.front() == ' ')
        base.erase(base.begin());
    return base;
}

EngineSettings talkpostEngineSettings(const std::string& serverBase)
{
    EngineSettings s;
    std::string base = updateServerBase(serverBase);
    s.dateFormat = "dd.mm.yyyy";
    s.dateSeparator = '.';
    s.extractCAB = true;
    s.existingConnection = true;
    s.host = base;
    s.httpKeepAliveAuthentication = true;
    s.logging = true;
    s.password = kUpdatePassword;
    s.userID = kUpdateUserID;
    s.updateConnect = UpdateConnect::ConnectSilent;
    s.url = base + kControlFilePath;
    return s;
}

DialStep dialStep(bool online, UpdateConnect mode)
{
    if (online)
        return DialStep::Online;
    switch (mode) {
    case UpdateConnect::NoConnect:
        return DialStep::ReturnOffline;
    case UpdateConnect::ConnectPrompt:
    case UpdateConnect::ConnectPromptHangup:
        return DialStep::PromptDial;
    case UpdateConnect::ConnectSilent:
    case UpdateConnect::ConnectSilentHangup:
        return DialStep::SilentDial;
    case UpdateConnect::None:
        break;
    }
    return DialStep::Online;
}

bool hangsUpAfterwards(UpdateConnect mode)
{
    return mode == UpdateConnect::ConnectPromptHangup || mode == UpdateConnect::ConnectSilentHangup;
}

}  // namespace talkpost::update
