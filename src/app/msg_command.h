// Composing the parameter text with which cmd.exe runs msg.exe. Portable.
#pragma once

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

// "/c  cd /d <win>\System32 & <win>\System32\msg.exe /SERVER:<computer>
// /TIME:<time> <user> <<startDir>\msg.txt". A computer or user text with a
// blank, and a message file path with a blank or one of & | < > ^ ( ), are
// enclosed in double quotes; any other text stands byte for byte.
std::string buildMsgCommand(const MsgCommandInput& input);

}  // namespace talkpost
