// Macro expansion and folder form.
#include "update/engine/macros.h"

#include <cctype>

namespace talkpost::update {

std::string folderForm(const std::string& folder)
{
    std::string text = folder;
    if (!text.empty() && text.back() != '\\')
        text += '\\';
    if (text.size() > 3 && text[1] == ':')
        text.pop_back();
    else
        text += '.';
    return text;
}

std::string expandMacros(std::string text, const MacroLookup& lookup)
{
    constexpr std::size_t kNone = std::string::npos;
    std::size_t open = kNone;
    int replacements = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '{' && open == kNone) {
            open = pos;
        } else if (c == '}' && open != kNone) {
            std::string name = text.substr(open + 1, pos - open - 1);
            for (char& ch : name)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            std::string value = replacements < kMaxMacroReplacements && lookup ? lookup(name) : std::string();
            std::size_t start = open;
            open = kNone;
            if (!value.empty()) {
                text.replace(start, pos - start + 1, value);
                ++replacements;
                pos = start;
                continue;
            }
        }
        ++pos;
    }
    return text;
}

}  // namespace talkpost::update
