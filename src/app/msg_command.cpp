// The msg.exe parameter text and the command-text safety rule.
#include "app/msg_command.h"

namespace talkpost {
namespace {

bool containsAny(const std::string& text, const char* characters)
{
    return text.find_first_of(characters) != std::string::npos;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// Computer and user: one word to msg.exe, so a blank needs the quotes.
std::string argumentText(const std::string& text) { return containsAny(text, " ") ? quoted(text) : text; }

// The redirection target: a blank or a character the interpreter would read
// as an operator needs the quotes.
std::string redirectionPath(const std::string& path)
{
    return containsAny(path, " &|<>^()") ? quoted(path) : path;
}

}  // namespace

std::string messageFilePath(const std::string& startDir) { return startDir + "\\msg.txt"; }

std::string buildMsgCommand(const MsgCommandInput& in)
{
    std::string text;
    text += "/c  cd /d ";
    text += in.windowsDir;
    text += "\\System32 & ";
    text += in.windowsDir;
    text += "\\System32\\msg.exe";
    text += " /SERVER:";
    text += argumentText(in.computer);
    text += " /TIME:";
    text += in.time;
    text += " ";
    text += argumentText(in.user);
    text += " <";
    text += redirectionPath(messageFilePath(in.startDir));
    return text;
}

}  // namespace talkpost
