// updsetup.exe: the updater helper program. No window, no exit code that anyone reads.
#include <windows.h>

#include "updater/updater_helper_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    try {
        talkpost::updater::runHelper(GetCommandLineA());
    } catch (...) {
        // Nothing to show: the helper has no window and nobody reads its result.
    }
    return 0;
}
