// expand_child.exe: expands one file through the installation code and ends,
// so that a test can kill it at any moment of the expansion.
//   expand_child szdd <compressed file> <target file>
//   expand_child cab <cabinet> <target folder>
// Exit code 0 when the expansion succeeded, 1 when it failed, 2 for a bad command line.
#include <string>

#include "update/install/cabinet_win.h"
#include "update/install/lz_expand_win.h"

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    std::string mode = argv[1];
    if (mode == "szdd")
        return talkpost::update::lzExpandFile(argv[2], argv[3]) ? 0 : 1;
    if (mode == "cab")
        return talkpost::update::extractCabinet(argv[2], argv[3]) == 0 ? 0 : 1;
    return 2;
}
