// updsetup.exe: the updater helper program. No window, no exit code that anyone reads.
#include <windows.h>

#include "update/install/system_library_win.h"
#include "updater/updater_helper_win.h"
#include "win/text_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // First of all: this program runs from a folder others can write to, so
    // no DLL is ever taken from there. A platform that cannot limit the
    // search gets no update from it.
    if (!talkpost::update::limitDllSearchToSystemFolder())
        return 1;
    try {
        talkpost::updater::runHelper(talkpost::narrow(GetCommandLineW()));
    } catch (...) {
        // Nothing to show: the helper has no window and nobody reads its result.
    }
    return 0;
}
