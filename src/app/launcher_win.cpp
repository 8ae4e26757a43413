// The launcher: redirection suspended around one shell start.
#include "app/launcher_win.h"

#include "win/folders_win.h"
#include "win/handles_win.h"

#include <shellapi.h>

#include <functional>

namespace talkpost {

namespace {

// Runs the shell's start with the file-system redirection suspended; false
// when kernel32 lacks the redirection functions and nothing was started.
bool withoutRedirection(const std::function<void()>& start)
{
    using EnableRedirection = BOOLEAN(WINAPI*)(BOOLEAN);
    using DisableRedirection = BOOL(WINAPI*)(PVOID*);

    // Looked up on every call: nothing is cached.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return false;
    auto enable = entryPoint<EnableRedirection>(kernel, "Wow64EnableWow64FsRedirection");
    auto disable = entryPoint<DisableRedirection>(kernel, "Wow64DisableWow64FsRedirection");
    if (enable == nullptr || disable == nullptr)
        return false;
    PVOID redirectionState = nullptr;
    disable(&redirectionState);  // a refusal does not stop the launch
    start();
    enable(TRUE);
    return true;
}

// The program's full path in the system folder; empty when there is none
// to start.
std::string systemProgram(const std::string& program)
{
    if (program.empty() || program.find_first_of("\\/:") != std::string::npos)
        return {};
    return systemProgramPath(program);
}

}  // namespace

INT_PTR fileExec(const std::string& program, const std::string& parameters, int showMode)
{
    std::string file = systemProgram(program);
    if (file.empty())
        return 0;
    HINSTANCE result = nullptr;
    if (!withoutRedirection(
            [&] { result = ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), nullptr, showMode); }))
        return 0;
    return reinterpret_cast<INT_PTR>(result);
}

HANDLE fileExecProcess(const std::string& program, const std::string& parameters, int showMode)
{
    std::string file = systemProgram(program);
    if (file.empty())
        return nullptr;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = showMode;
    BOOL started = FALSE;
    if (!withoutRedirection([&] { started = ShellExecuteExA(&info); }) || !started)
        return nullptr;
    return info.hProcess;
}

}  // namespace talkpost
