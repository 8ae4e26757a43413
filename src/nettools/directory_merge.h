// The merge of a directory's computers into the computer list: which names are
// added, which are already listed, and which listed entries the directory no
// longer holds, on the list's own merge rule. Portable.
#pragma once

#include <string>
#include <vector>

namespace talkpost::directory {

struct DirectoryMerge {
    std::size_t computers = 0;              // distinct names the directory gave
    std::vector<std::string> added;         // in the directory's order, not yet listed
    std::size_t alreadyListed = 0;          // of the directory's names, those the list holds
    std::vector<std::string> missing;       // listed entries the directory does not hold, in the list's order
};

// Letter case is ignored everywhere: a name listed as "pc1" is not added again
// as "PC1", and a name the directory gives twice counts once (its first spelling).
DirectoryMerge mergeDirectoryNames(const std::vector<std::string>& listed, const std::vector<std::string>& found);

// The list after the merge: the listed entries (less the missing ones when
// they are to go, letter case ignored) and the added names.
std::vector<std::string> mergedEntries(const std::vector<std::string>& listed, const DirectoryMerge& merge,
                                       bool removeMissing);

}  // namespace talkpost::directory
