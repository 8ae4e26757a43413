// The rule by which names from outside join the computer list.
#include "computers/list_merge.h"

#include <algorithm>
#include <unordered_set>

#include "base/command_text.h"

namespace talkpost {
// For the bytes past ASCII (a code page's letters) only an exact match
// counts, which keeps a name that differs there rather than dropping it.
std::string listKey(const std::string& name)
{
    std::string key = name;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

bool acceptableListName(const std::string& name) { return !name.empty() && !commandCharacterIn(name); }

ListMerge mergeIntoList(const std::vector<std::string>& listed, const std::vector<NameAt>& names, RefuseNames refuse)
{
    ListMerge result;
    std::unordered_set<std::string> seen;
    seen.reserve(listed.size() + names.size());
    for (const std::string& entry : listed)
        seen.insert(listKey(entry));
    for (const NameAt& candidate : names) {
        if (refuse == RefuseNames::CommandCharacters ? !acceptableListName(candidate.name) : candidate.name.empty()) {
            result.refused.push_back(candidate);
            continue;
        }
        if (!seen.insert(listKey(candidate.name)).second) {
            ++result.alreadyListed;
            continue;
        }
        result.added.push_back(candidate.name);
    }
    return result;
}

std::string refusedNamesText(const std::vector<NameAt>& refused, std::size_t shown)
{
    if (refused.empty())
        return {};
    std::string text = " (";
    for (std::size_t i = 0; i < refused.size() && i < shown; ++i) {
        if (i > 0)
            text += ", ";
        if (refused[i].line > 0)
            text += "line " + std::to_string(refused[i].line) + ": ";
        const std::string& name = refused[i].name;
        std::size_t cut = kRefusedNameShown;
        while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0u) == 0x80)
            --cut;  // a UTF-8 continuation byte: back to the character's start
        text += "\"" + (name.size() > kRefusedNameShown ? name.substr(0, cut) + "..." : name) + "\"";
    }
    if (refused.size() > shown)
        text += ", ...";
    return text + ")";
}

}  // namespace talkpost
