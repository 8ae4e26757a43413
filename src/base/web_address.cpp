// The rule for links that may be opened.
#include "base/web_address.h"

namespace talkpost {
namespace {

bool startsWithNoCase(const std::string& text, const char* prefix)
{
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size())
            return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

}  // namespace

bool isWebAddress(const std::string& text)
{
    std::size_t rest = 0;
    if (startsWithNoCase(text, "http://"))
        rest = 7;
    else if (startsWithNoCase(text, "https://"))
        rest = 8;
    else
        return false;
    // A host must follow: "http://" alone or "http:///x" names none.
    if (rest >= text.size() || text[rest] == '/' || text[rest] == '\\' || text[rest] == '?' || text[rest] == '#')
        return false;
    for (char c : text) {
        auto code = static_cast<unsigned char>(c);
        if (code <= 32 || code == 127 || c == '"')
            return false;
    }
    return true;
}

}  // namespace talkpost
