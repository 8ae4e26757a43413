// Composing the parameter text with which cmd.exe runs msg.exe. Portable.
#pragma once

#include <optional>
#include <string>

namespace talkpost {

struct MsgCommandInput {
    std::string windowsDir;
    std::string computer;
    std::string time;
    std::string user;
    std::string messageFile;  // the full path of the file msg.exe reads
};

// Every send writes its message to a file of its own in the folder
// kMessageFolder below the user's temporary folder, named after the process
// that wrote it and a number that process counts up, so that files left by a
// run that ended abruptly can be told from those of a running one.
inline constexpr const char* kMessageFolder = "Talkpost";
std::string messageFileName(unsigned long processId, unsigned long sequence);
// The writing process of a message file's name; nothing for another name.
std::optional<unsigned long> messageFileOwner(const std::string& fileName);

// "/c  cd /d <win>\System32 & <win>\System32\msg.exe /SERVER:<computer>
// /TIME:<time> <user> <<messageFile>". A computer or user text with a
// blank, and a message file path with a blank or one of & | < > ^ ( ), are
// enclosed in double quotes; any other text stands byte for byte.
std::string buildMsgCommand(const MsgCommandInput& input);

}  // namespace talkpost
