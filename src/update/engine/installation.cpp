// The installation's portable rules.
#include "update/engine/installation.h"

#include <cctype>

namespace talkpost::update {

std::string withLineBreaks(std::string text)
{
    for (std::size_t at = 0; (at = text.find("\\n", at)) != std::string::npos;)
        text.replace(at, 2, "\r"), ++at;
    return text;
}

std::string publishedSha256(const std::string& value)
{
    auto first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    std::string digest = value.substr(first, value.find_last_not_of(" \t") - first + 1);
    for (char& c : digest)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return digest;
}

}  // namespace talkpost::update
