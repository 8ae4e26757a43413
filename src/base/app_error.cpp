// Text rules shared by every error box and every trimmed field.
#include "base/app_error.h"

namespace talkpost {

std::string standardErrorText(const std::string& message)
{
    // Compared as unsigned bytes: ANSI letters above 127 count as greater.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

std::string trimControlAndBlank(const std::string& text)
{
    return trimWhere(text, [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

std::string trimWhere(const std::string& text, bool (*test)(char))
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && test(text[first]))
        ++first;
    while (last > first && test(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

std::vector<std::string> splitCrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> splitAnyBreakLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

}  // namespace talkpost
