// Fuzz target: any bytes as a list file to import, then merged into a list;
// what an export of the merged names writes reads back as the same names.
#include <string>

#include "computers/computer_import.h"
#include "computers/list_merge.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost;
    const std::string bytes = fuzz::textOf(data, size);

    ComputerFileRead read = readComputerLines(bytes, "The file f");
    if (read.refusal) {
        FUZZ_CHECK(read.lines.names.empty());
        return 0;
    }
    std::size_t previous = 0;
    for (const NameAt& name : read.lines.names) {
        FUZZ_CHECK(name.line > previous && name.line <= read.lines.lines);  // one name a line, in order
        FUZZ_CHECK(name.name.find_first_of("\r\n") == std::string::npos);
        previous = name.line;
    }

    ListMerge merge = mergeIntoList({"*", "Remote01"}, read.lines.names);
    FUZZ_CHECK(merge.added.size() + merge.alreadyListed + merge.refused.size() == read.lines.names.size());
    for (const std::string& name : merge.added)
        FUZZ_CHECK(acceptableListName(name));

    // Accepted names have no control characters, so they come back whole
    // (blanks around them aside, which the reader drops).
    ComputerFileRead back = readComputerLines(exportText(merge.added), "The file g");
    FUZZ_CHECK(!back.refusal);
    ListMerge again = mergeIntoList({}, back.lines.names);
    FUZZ_CHECK(again.refused.empty());
    FUZZ_CHECK(again.added.size() + again.alreadyListed <= merge.added.size());
    return 0;
}
