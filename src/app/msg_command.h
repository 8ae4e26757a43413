// Composing the parameter text with which cmd.exe runs msg.exe, and the
// safety rule for every text handed to the command interpreter. Portable.
#pragma once

#include <optional>
#include <string>

namespace talkpost {

struct MsgCommandInput {
    std::string windowsDir;
    std::string computer;
    std::string time;
    std::string user;
    std::string startDir;
};

// The message file: the start folder, a backslash and "msg.txt", nothing
// inserted or removed at the seam.
std::string messageFilePath(const std::string& startDir);

// "/k  cd /d <win>\System32 & <win>\System32\msg.exe /SERVER:<computer>
// /TIME:<time> <user> <<startDir>\msg.txt". A computer or user text with a
// blank, and a message file path with a blank or one of & | < > ^ ( ), are
// enclosed in double quotes; any other text stands byte for byte.
std::string buildMsgCommand(const MsgCommandInput& input);

// The first character of the text that the command interpreter would act on
// (& | < > ^ % " or a control character), if any.
std::optional<char> commandCharacterIn(const std::string& text);

// When the text holds such a character: the operator's explanation naming the
// field and the character. Texts that pass give no value.
std::optional<std::string> commandTextRefusal(const std::string& fieldName, const std::string& text);

}  // namespace talkpost
