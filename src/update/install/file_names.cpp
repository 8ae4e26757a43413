// The file name rules.
#include "update/install/file_names.h"

#include <array>
#include <string_view>

namespace talkpost::update {
namespace {

// Windows-1252: the small letters and their capitals.
char upperLetter(char c)
{
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
        return static_cast<char>(u - 0x20);
    switch (u) {
    case 0x9A: return static_cast<char>(0x8A);  // s with caron
    case 0x9C: return static_cast<char>(0x8C);  // oe
    case 0x9E: return static_cast<char>(0x8E);  // z with caron
    case 0xFF: return static_cast<char>(0x9F);  // y with diaeresis
    default: return c;
    }
}

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// The superscript one, two and three of Windows-1252, which the platform
// also takes as the number of a COM or LPT device.
bool isDeviceDigit(char c)
{
    auto u = static_cast<unsigned char>(c);
    return (c >= '0' && c <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

}  // namespace

std::string upperFileName(std::string name)
{
    for (char& c : name)
        c = upperLetter(c);
    return name;
}

bool sameFileName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upperLetter(a[i]) != upperLetter(b[i]))
            return false;
    return true;
}

bool isDeviceName(const std::string& part)
{
    // The platform looks at the name before the first dot or colon, without
    // the dots and blanks at its end.
    std::string base = upperFileName(part.substr(0, part.find_first_of(".:")));
    base.erase(base.find_last_not_of(". ") + 1);
    static constexpr std::array<std::string_view, 6> kNames = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view name : kNames)
        if (base == name)
            return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           isDeviceDigit(base[3]);
}

bool isPlainFileName(const std::string& name)
{
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos)
        return false;
    return name.find_first_not_of(". ") != std::string::npos && !isDeviceName(name);
}

bool pathFreeOfDevices(const std::string& path)
{
    if (path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) && (path[2] == '.' || path[2] == '?') &&
        isSeparator(path[3]))
        return false;
    for (const std::string& part : pathParts(path))
        if (isDeviceName(part))
            return false;
    return true;
}

std::vector<std::string> pathParts(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string lastPathPart(const std::string& path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::vector<std::string> blankSeparatedNames(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
        if (i >= text.size())
            break;
        std::string name;
        bool quoted = false;
        for (; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && static_cast<unsigned char>(c) <= ' ')
                break;
            else
                name += c;
        }
        result.push_back(name);
    }
    return result;
}

std::string withBackslash(const std::string& folder)
{
    return folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
}

}  // namespace talkpost::update
