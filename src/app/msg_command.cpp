// The msg.exe parameter text and the command-text safety rule.
#include "app/msg_command.h"

#include <string>
#include <string_view>

#include "base/decimal.h"

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

std::string messageFileName(unsigned long processId, unsigned long sequence)
{
    return "msg-" + std::to_string(processId) + "-" + std::to_string(sequence) + ".txt";
}

std::optional<unsigned long> messageFileOwner(const std::string& fileName)
{
    // "msg-" digits "-" digits ".txt", letter case of the fixed parts ignored as the file system does.
    auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    std::string name = lower(fileName);
    if (name.size() < 11 || name.compare(0, 4, "msg-") != 0 || name.compare(name.size() - 4, 4, ".txt") != 0)
        return std::nullopt;
    std::string_view middle = std::string_view(name).substr(4, name.size() - 8);
    std::size_t dash = middle.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    // A process identifier is a 32-bit number; the sequence any run of digits.
    auto processId = parseDecimal(middle.substr(0, dash), 0xFFFFFFFFu);
    std::string_view sequence = middle.substr(dash + 1);
    if (!processId || sequence.empty() || readDecimalRun(sequence, ~std::uint64_t{0}).length != sequence.size())
        return std::nullopt;
    return static_cast<unsigned long>(*processId);
}

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
    text += redirectionPath(in.messageFile);
    return text;
}

}  // namespace talkpost
