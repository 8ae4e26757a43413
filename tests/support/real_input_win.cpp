// Real input through xdotool: a small shell script per run, started through
// Wine's launch of host programs, that reports its end in a file.
#include "support/real_input_win.h"

#include <memory>
#include <sstream>

#include "support/test_support_win.h"
#include "win/folders_win.h"

namespace talkpost::test {
namespace {

// A host path for a Windows path of this prefix, through Wine's own conversion.
std::string hostPath(const std::string& windowsPath)
{
    using Convert = char*(CDECL*)(const wchar_t*);
    auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return {};
    std::wstring wide(windowsPath.begin(), windowsPath.end());
    char* converted = convert(wide.c_str());
    if (converted == nullptr)
        return {};
    std::string result = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

// How long one xdotool call may take before the run counts as failed.
constexpr int kCommandSeconds = 10;
// Between two keys, as a quick typist leaves them.
constexpr int kKeyDelayMs = 40;

HHOOK countingHook = nullptr;
int releasesTaken = 0;

LRESULT CALLBACK countReleases(int code, WPARAM removal, LPARAM lparam)
{
    const auto* msg = reinterpret_cast<const MSG*>(lparam);
    if (code == HC_ACTION && removal == PM_REMOVE && (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP))
        ++releasesTaken;
    return CallNextHookEx(countingHook, code, removal, lparam);
}

}  // namespace

XdotoolRun::XdotoolRun(const std::vector<std::string>& commands)
{
    static int runs = 0;
    folder_ = tempFolder() + "tpinput-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
    CreateDirectoryA(folder_.c_str(), nullptr);
    doneFile_ = folder_ + "\\done";
    std::string hostFolder = hostPath(folder_);
    if (hostFolder.empty())
        return;
    std::ostringstream script;
    script << "status=0\n";
    for (const std::string& command : commands)
        script << "timeout " << kCommandSeconds << " xdotool " << command << " || status=1\n";
    // Written aside and moved, so that the test never reads half a file.
    script << "echo $status > '" << hostFolder << "/done.part' && mv '" << hostFolder << "/done.part' '"
           << hostFolder << "/done'\n";
    writeFile(folder_ + "\\input.sh", script.str());

    std::string commandLine = "/bin/sh " + hostFolder + "/input.sh";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    started_ = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process) != FALSE;
    // A host program gives no handles to wait on: its end shows in the done file.
    if (process.hProcess != nullptr)
        CloseHandle(process.hProcess);
    if (process.hThread != nullptr)
        CloseHandle(process.hThread);
}

XdotoolRun::~XdotoolRun()
{
    for (const char* name : {"\\input.sh", "\\done", "\\done.part"})
        DeleteFileA((folder_ + name).c_str());
    RemoveDirectoryA(folder_.c_str());
}

bool XdotoolRun::wait(std::chrono::milliseconds limit) const
{
    if (!started_)
        return false;
    if (!waitUntil([&] { return fileExists(doneFile_); }, limit))
        return false;
    return readFile(doneFile_).rfind("0", 0) == 0;
}

KeyReleaseCounter::KeyReleaseCounter()
{
    releasesTaken = 0;
    countingHook = hook_ = SetWindowsHookExA(WH_GETMESSAGE, &countReleases, nullptr, GetCurrentThreadId());
}

KeyReleaseCounter::~KeyReleaseCounter()
{
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    countingHook = nullptr;
}

int KeyReleaseCounter::count() const { return releasesTaken; }

KeyInput pressed(const Keys& keys)
{
    KeyInput input;
    std::string command = "key --delay " + std::to_string(kKeyDelayMs);
    for (const std::string& key : keys) {
        command += " " + key;
        ++input.releases;
        for (char c : key)
            input.releases += c == '+' ? 1 : 0;
    }
    input.commands.push_back(command);
    return input;
}

KeyInput held(const std::string& key, std::chrono::milliseconds duration)
{
    std::string seconds = std::to_string(duration.count() / 1000) + "." + std::to_string(duration.count() % 1000 / 100);
    // xdotool's "sleep" between the press and the release is the hold itself:
    // the key stays down that long, as a person's does, and the X server sends
    // its repeats meanwhile. It is the input, not a wait for anything.
    return {{"keydown " + key, "sleep " + seconds, "keyup " + key}, 1};
}

KeyInput operator+(KeyInput first, const KeyInput& then)
{
    first.commands.insert(first.commands.end(), then.commands.begin(), then.commands.end());
    first.releases += then.releases;
    return first;
}

namespace {

// The X window that Wine keeps for the window's top-level window (0: none yet).
UINT_PTR xWindowOf(HWND window)
{
    return reinterpret_cast<UINT_PTR>(GetPropA(GetAncestor(window, GA_ROOT), "__wine_x11_whole_window"));
}

// Gives the window's top-level window the keyboard focus of the X server, then the input.
std::vector<std::string> focusedInput(HWND window, const KeyInput& input)
{
    HWND top = GetAncestor(window, GA_ROOT);
    SetForegroundWindow(top);
    std::vector<std::string> commands;
    if (UINT_PTR xWindow = xWindowOf(top))
        commands.push_back("windowfocus --sync " + std::to_string(xWindow));
    commands.insert(commands.end(), input.commands.begin(), input.commands.end());
    return commands;
}

}  // namespace

bool pressKeys(HWND window, const KeyInput& input)
{
    KeyReleaseCounter releases;
    XdotoolRun run(focusedInput(window, input));
    bool sent = run.wait();
    return sent && waitUntil([&] { return releases.count() >= input.releases; }, std::chrono::seconds(10));
}

namespace {
struct ModalKeys {
    Window* window = nullptr;
    const KeyInput* input = nullptr;
    std::unique_ptr<XdotoolRun> run;
};
ModalKeys* modalKeys = nullptr;
}  // namespace

int runModalWithKeys(Window& window, const KeyInput& input, std::chrono::milliseconds limit)
{
    ModalKeys state{&window, &input, nullptr};
    modalKeys = &state;
    // The keys start from inside the modal loop, once the window is shown and active.
    UINT_PTR start = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (modalKeys != nullptr && !modalKeys->run)
            modalKeys->run = std::make_unique<XdotoolRun>(focusedInput(modalKeys->window->hwnd(), *modalKeys->input));
    });
    // Should the keys not close the window, the loop ends so that the test fails instead of hanging.
    UINT_PTR guard = SetTimer(nullptr, 0, static_cast<UINT>(limit.count()), [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        if (modalKeys != nullptr)
            modalKeys->window->endModal(-1);
    });
    KeyReleaseCounter releases;
    int result = window.showModal();
    KillTimer(nullptr, start);
    KillTimer(nullptr, guard);
    // What the keys left after the window closed reaches the windows behind it now.
    if (state.run)
        state.run->wait();
    waitUntil([&] { return releases.count() >= input.releases; }, std::chrono::seconds(10));
    modalKeys = nullptr;
    return result;
}

bool waitUntilOnScreen(HWND window)
{
    UINT_PTR xWindow = xWindowOf(window);
    return xWindow != 0 && XdotoolRun({"windowmap --sync " + std::to_string(xWindow)}).wait();
}

bool movePointerTo(POINT screen)
{
    XdotoolRun run({"mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y)});
    return run.wait();
}

}  // namespace talkpost::test
