// The directory's merge: the list's own rule for what joins it (letter case
// ignored), plus the count of distinct names and the listed entries the
// directory no longer holds. Hashed keys, so that 10,000 names against 10,000
// entries cost no quadratic search.
#include "nettools/directory_merge.h"

#include <unordered_set>

#include "computers/list_merge.h"

namespace talkpost::directory {

DirectoryMerge mergeDirectoryNames(const std::vector<std::string>& listed, const std::vector<std::string>& found)
{
    // A name the directory gives twice counts once, in its first spelling.
    std::unordered_set<std::string> foundNames;
    foundNames.reserve(found.size());
    std::vector<NameAt> distinct;
    distinct.reserve(found.size());
    for (const std::string& name : found)
        if (foundNames.insert(listKey(name)).second)
            distinct.push_back({0, name});

    ListMerge list = mergeIntoList(listed, distinct, RefuseNames::EmptyOnly);
    DirectoryMerge merge;
    merge.computers = distinct.size() - list.refused.size();
    merge.added = std::move(list.added);
    merge.alreadyListed = list.alreadyListed;
    for (const std::string& entry : listed)
        if (foundNames.count(listKey(entry)) == 0)
            merge.missing.push_back(entry);
    return merge;
}

std::vector<std::string> mergedEntries(const std::vector<std::string>& listed, const DirectoryMerge& merge,
                                       bool removeMissing)
{
    std::unordered_set<std::string> going;
    if (removeMissing)
        for (const std::string& entry : merge.missing)
            going.insert(listKey(entry));
    std::vector<std::string> entries;
    entries.reserve(listed.size() + merge.added.size());
    for (const std::string& entry : listed)
        if (going.count(listKey(entry)) == 0)
            entries.push_back(entry);
    entries.insert(entries.end(), merge.added.begin(), merge.added.end());
    return entries;
}

}  // namespace talkpost::directory
