// DLLs the update code loads from the system folder only. The updater helper
// runs from the update's own folder, which other processes of the user can
// write to: a DLL placed there must never be loaded. So the helper limits its
// search to the system folder before anything else, and the libraries that
// are not always loaded from there (LZ32, VERSION, bcrypt, cabinet) are not
// imported at link time but loaded here by name from the system folder.
#pragma once

#include <windows.h>

#include "win/handles_win.h"

namespace talkpost::update {

// The library from the system folder, loaded once for the process and kept
// (nullptr when it cannot be loaded).
HMODULE systemLibrary(const char* name);

// An entry point of a system library, or nullptr.
template <typename Fn>
Fn systemEntry(const char* library, const char* name)
{
    HMODULE module = systemLibrary(library);
    return module ? entryPoint<Fn>(module, name) : nullptr;
}

// Limits the process's DLL search to the system folder; false when the
// platform cannot.
bool limitDllSearchToSystemFolder();

}  // namespace talkpost::update
