// Command-line splitting.
#include "app/command_line.h"

namespace talkpost {
namespace {
bool isSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    const std::size_t n = commandLine.size();
    for (;;) {
        // Skip separators, and any empty pairs of quotes standing where an
        // argument would begin: they hold no position.
        for (;;) {
            while (i < n && isSeparator(commandLine[i]))
                ++i;
            if (i + 1 < n && commandLine[i] == '"' && commandLine[i + 1] == '"')
                i += 2;
            else
                break;
        }
        if (i >= n)
            break;
        std::string argument;
        while (i < n && !isSeparator(commandLine[i])) {
            if (commandLine[i] == '"') {
                ++i;
                while (i < n && commandLine[i] != '"')
                    argument.push_back(commandLine[i++]);
                if (i < n)
                    ++i;  // the closing quote
            } else {
                argument.push_back(commandLine[i++]);
            }
        }
        if (argument.size() > kMaxArgumentLength)
            argument.resize(kMaxArgumentLength);
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::vector<std::string> programArguments(const std::string& commandLine)
{
    std::vector<std::string> arguments = splitCommandLine(commandLine);
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    return arguments;
}

}  // namespace talkpost
