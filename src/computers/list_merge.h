// The rule by which names from outside (a file, the clipboard, a directory)
// join the computer list: a name already listed (letter case ignored, also
// one met earlier in the same input) is skipped, a name holding a character
// the command interpreter would act on is refused, every other name is added
// once. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace talkpost {

// A name and where it came from (a line number counting from 1; 0 when the
// source has no lines).
struct NameAt {
    std::size_t line = 0;
    std::string name;
    bool operator==(const NameAt&) const = default;
};

struct ListMerge {
    std::vector<std::string> added;  // the names to add, in the order given, each once
    std::size_t alreadyListed = 0;   // names skipped as listed or met before in the input
    std::vector<NameAt> refused;     // names refused, in the order given
};

// Which names are refused: an empty name always; with CommandCharacters
// also one that holds a character the command interpreter would act on
// (what an operator brings in); nothing more for the names the network
// scan finds, which the list has always taken as they come.
enum class RefuseNames { CommandCharacters, EmptyOnly };

// The key by which the list compares names: letter case folded (ASCII only).
std::string listKey(const std::string& name);

// Merges the names into a list holding `listed`. Nothing is changed: the
// caller adds `added` to its list.
ListMerge mergeIntoList(const std::vector<std::string>& listed, const std::vector<NameAt>& names,
                        RefuseNames refuse = RefuseNames::CommandCharacters);

// Whether a name may join the list: not empty, and no character the command
// interpreter would act on (a list entry ends up in a command line).
bool acceptableListName(const std::string& name);

// How many refused names one report names: enough to find a pattern, short
// enough to stay one line in the log pane.
inline constexpr std::size_t kRefusedNamesShown = 5;
inline constexpr std::size_t kRefusedNameShown = 64;

// The refused names for a report, at most `shown` of them, then "..." when
// more were refused: ` (line 7: "a&b", line 9: "c|d", ...)`, with a leading
// blank; a name longer than kRefusedNameShown is cut there (and "..." added).
// Empty when none were refused. Names without a line show without "line n: ".
// A long name is cut at a character's start, never inside one.
std::string refusedNamesText(const std::vector<NameAt>& refused, std::size_t shown = kRefusedNamesShown);


}  // namespace talkpost
