// The launcher: redirection suspended around one ShellExecuteA call.
#include "app/launcher_win.h"

#include <shellapi.h>

namespace talkpost {

INT_PTR fileExec(const std::string& file, const std::string& parameters, int showMode)
{
    using EnableRedirection = BOOLEAN(WINAPI*)(BOOLEAN);
    using DisableRedirection = BOOL(WINAPI*)(PVOID*);

    // Looked up on every call: nothing is cached.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return 0;
    auto enable = reinterpret_cast<EnableRedirection>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64EnableWow64FsRedirection")));
    auto disable = reinterpret_cast<DisableRedirection>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    if (enable == nullptr || disable == nullptr)
        return 0;

    PVOID redirectionState = nullptr;
    disable(&redirectionState);  // a refusal does not stop the launch
    HINSTANCE result =
        ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), nullptr, showMode);
    enable(TRUE);
    return reinterpret_cast<INT_PTR>(result);
}

}  // namespace talkpost
