// Libraries loaded from the system folder only.
#include "update/install/system_library_win.h"

namespace talkpost::update {

HMODULE systemLibrary(const char* name)
{
    // Loaded once and kept: the handful of libraries the update uses stay
    // loaded for the life of the process anyway.
    return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool limitDllSearchToSystemFolder() { return SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE; }

}  // namespace talkpost::update
