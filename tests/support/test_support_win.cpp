// Test helpers for the Wine runs.
#include "support/test_support_win.h"

#include <tlhelp32.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace talkpost::test {

TempFolder::TempFolder()
{
    char base[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        std::string candidate = std::string(base) + "tptest-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(++counter);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            break;
        }
    }
}

namespace {
void removeTree(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}
}  // namespace

TempFolder::~TempFolder() { removeTree(path_); }

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> filesIn(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool fileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void pumpFor(std::chrono::milliseconds duration)
{
    waitUntil([] { return false; }, duration);
}

StandinLog::StandinLog() : path_(folder_.file("standin.log"))
{
    SetEnvironmentVariableA("TALKPOST_STANDIN_LOG", path_.c_str());
}

StandinLog::~StandinLog()
{
    endChildProcesses();
    SetEnvironmentVariableA("TALKPOST_STANDIN_LOG", nullptr);
}

namespace {
std::string fromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}
}  // namespace

std::vector<StandinRun> StandinLog::runs() const
{
    std::vector<StandinRun> result;
    std::istringstream in(readFile(path_));
    std::string line;
    StandinRun run;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("program: ", 0) == 0)
            run = StandinRun{line.substr(9), {}, {}};
        else if (line.rfind("args: ", 0) == 0)
            run.args = line.substr(6);
        else if (line.rfind("stdin-hex: ", 0) == 0)
            run.input = fromHex(line.substr(11));
        else if (line == "end")
            result.push_back(run);
    }
    return result;
}

std::vector<StandinRun> StandinLog::waitFor(std::size_t count, std::chrono::milliseconds limit) const
{
    std::vector<StandinRun> result;
    waitUntil(
        [&] {
            result = runs();
            return result.size() >= count;
        },
        limit);
    return result;
}

namespace {
void endChildrenOf(DWORD parent)
{
    std::vector<DWORD> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != parent)
            children.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    for (DWORD child : children) {
        endChildrenOf(child);
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child)) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
}
}  // namespace

void endChildProcesses() { endChildrenOf(GetCurrentProcessId()); }

std::vector<DWORD> processesIn(const std::string& folder)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        char path[MAX_PATH * 2] = {};
        DWORD size = sizeof path;
        if (QueryFullProcessImageNameA(process, 0, path, &size) &&
            lstrcmpiA(std::string(path).substr(0, folder.size() + 1).c_str(), (folder + "\\").c_str()) == 0)
            found.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

namespace {
// The top-level windows process pid owns, in the system's order.
std::vector<HWND> windowsOf(DWORD pid)
{
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM lparam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lparam);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid)
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

HWND findProcessWindow(DWORD pid, const std::string& className)
{
    for (HWND hwnd : windowsOf(pid)) {
        char cls[256] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        if (className == cls && IsWindowVisible(hwnd))
            return hwnd;
    }
    return nullptr;
}

std::string describeWindowsOf(DWORD pid)
{
    std::string lines;
    for (HWND hwnd : windowsOf(pid)) {
        char cls[256] = {}, caption[256] = {}, text[1024] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        GetWindowTextA(hwnd, caption, sizeof caption);
        GetDlgItemTextA(hwnd, 0xFFFF, text, sizeof text);  // a message box's text
        lines += std::string("\n  ") + cls + " \"" + caption + "\"" + (IsWindowVisible(hwnd) ? " shown" : " hidden") +
                 (text[0] != '\0' ? std::string(": ") + text : std::string());
    }
    return lines.empty() ? "\n  (no windows)" : lines;
}

std::string unixToWindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

namespace {
std::string envPath(const char* name)
{
    char buffer[MAX_PATH * 4] = {};
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? unixToWindowsPath(buffer) : std::string();
}
}  // namespace

std::string sourceDir() { return envPath("TALKPOST_SOURCE_DIR"); }
std::string binaryDir() { return envPath("TALKPOST_BINARY_DIR"); }

HWND createComputerField(HWND parent)
{
    return CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_SORT, 10, 10, 200,
                           150, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace talkpost::test
