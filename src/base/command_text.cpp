// The safety rule for every text handed to the command interpreter.
#include "base/command_text.h"

#include <cstdio>

namespace talkpost {

std::optional<char> commandCharacterIn(const std::string& text)
{
    for (char c : text) {
        auto code = static_cast<unsigned char>(c);
        if (code < 32 || code == 127 || c == '&' || c == '|' || c == '<' || c == '>' || c == '^' || c == '%' ||
            c == '"')
            return c;
    }
    return std::nullopt;
}

std::optional<std::string> commandTextRefusal(const std::string& fieldName, const std::string& text)
{
    std::optional<char> c = commandCharacterIn(text);
    if (!c)
        return std::nullopt;
    auto code = static_cast<unsigned char>(*c);
    std::string character;
    if (code < 32 || code == 127) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "the control character %d", code);
        character = buffer;
    } else {
        character = std::string("the character ") + (*c == '"' ? "'\"'" : "\"" + std::string(1, *c) + "\"");
    }
    return "The " + fieldName + " \"" + text + "\" contains " + character +
           ", which the command interpreter would act on.";
}

}  // namespace talkpost
