// The directory's merge rule: hashes of the names with letter case folded,
// so that 10,000 names against 10,000 entries cost no quadratic search.
#include "nettools/directory_merge.h"

#include <unordered_set>

namespace talkpost::directory {
namespace {

std::string folded(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

}  // namespace

DirectoryMerge mergeDirectoryNames(const std::vector<std::string>& listed, const std::vector<std::string>& found)
{
    DirectoryMerge merge;
    std::unordered_set<std::string> listedNames;
    listedNames.reserve(listed.size());
    for (const std::string& entry : listed)
        listedNames.insert(folded(entry));
    std::unordered_set<std::string> foundNames;
    foundNames.reserve(found.size());
    for (const std::string& name : found) {
        std::string key = folded(name);
        if (!foundNames.insert(key).second)
            continue;
        ++merge.computers;
        if (listedNames.count(key) != 0)
            ++merge.alreadyListed;
        else
            merge.added.push_back(name);
    }
    for (const std::string& entry : listed)
        if (foundNames.count(folded(entry)) == 0)
            merge.missing.push_back(entry);
    return merge;
}

std::vector<std::string> mergedEntries(const std::vector<std::string>& listed, const DirectoryMerge& merge,
                                       bool removeMissing)
{
    std::unordered_set<std::string> going;
    if (removeMissing)
        for (const std::string& entry : merge.missing)
            going.insert(folded(entry));
    std::vector<std::string> entries;
    entries.reserve(listed.size() + merge.added.size());
    for (const std::string& entry : listed)
        if (going.count(folded(entry)) == 0)
            entries.push_back(entry);
    entries.insert(entries.end(), merge.added.begin(), merge.added.end());
    return entries;
}

}  // namespace talkpost::directory
