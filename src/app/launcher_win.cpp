// The launcher: redirection suspended around one shell start.
#include "app/launcher_win.h"

#include "win/folders_win.h"
#include "win/handles_win.h"
#include "win/text_win.h"

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
    std::wstring wideFile = widen(file), wideParameters = widen(parameters);
    if (!withoutRedirection([&] {
            result = ShellExecuteW(nullptr, nullptr, wideFile.c_str(), wideParameters.c_str(), nullptr, showMode);
        }))
        return 0;
    return reinterpret_cast<INT_PTR>(result);
}

HANDLE fileExecProcess(const std::string& program, const std::string& parameters, int showMode)
{
    std::string file = systemProgram(program);
    if (file.empty())
        return nullptr;
    // The program by its full path, its parameters as they are: the same
    // command line the shell would make, in UTF-16, so that a path or a name
    // outside the ANSI code page reaches the program whole.
    std::wstring application = widen(file);
    std::wstring commandLine = L"\"" + application + L"\" " + widen(parameters);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showMode);
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    if (!withoutRedirection([&] {
            started = CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                     CREATE_NEW_CONSOLE | BELOW_NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                                     &process);
        }) ||
        !started)
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

}  // namespace talkpost
