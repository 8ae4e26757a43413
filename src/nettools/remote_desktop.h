// The remote desktop command and the help on enabling client computers. Portable.
#pragma once

#include <optional>
#include <string>

namespace talkpost {

// The parameter text for cmd.exe: "/c " + the client's full path in the
// system folder + " /v:" + entry + " /f", the path in quotes when it holds a
// blank or a character the interpreter would act on. An empty entry
// (nothing selected) gives "/c <folder>\mstsc.exe /v: /f".
std::string remoteDesktopParameters(const std::string& systemFolder, const std::string& entry);

// When the entry holds a character the command interpreter would act on, or
// a blank or a quote that would give the client an argument of its own, the
// information text that refuses it; nothing is then logged or launched.
std::optional<std::string> remoteDesktopRefusal(const std::string& entry);

// The help box text. Its line breaks are LF CR, in that order.
inline constexpr const char* kClientHelpText =
    "1. Folowing Entrie has to be set in the Registry:\n\r"
    "    HKLM\\ SYSTEM\\CurrentControlSet\\Control\\Terminal Server\\\n\r"
    "    AllowRemoteRPC\tValue  1 (REG_DWORD)\n\r"
    "2. Remotedesktopsessions has to be allowed\n\r"
    "3. Users have to use Passwords on Computerlogin";

}  // namespace talkpost
