// Stand-in for the system programs msg.exe and mstsc.exe, which Wine lacks.
// Development tool only: it records what it received so tests can check it,
// and in the demo (TALKPOST_STANDIN_POPUP=1) pops the received message up.
//
// TALKPOST_STANDIN_FAIL makes msg.exe fail for chosen computers, as the real
// one does for a computer that refuses or cannot be reached: a list of
// "<computer>:<exit code>" separated by ";" (letter case ignored), e.g.
// "Remote02:1722;pc9:5".
//
// TALKPOST_STANDIN_DELAY_MS makes msg.exe take that long before it ends, as
// a real remote call does. TALKPOST_STANDIN_COUNTER names a shared memory
// block of two LONGs, the number of msg.exe stand-ins alive and the most
// that were alive at once, which each stand-in keeps up to date while it runs
// (tests of the launch limit read it).
//
// Record format, appended in one write to the file named by
// TALKPOST_STANDIN_LOG:
//   program: <file name>\r\n args: <command tail>\r\n stdin-hex: <hex>\r\n end\r\n
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string envValue(const char* name)
{
    char buffer[4096] = {};
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// Everything after the program token and the blanks that follow it, in
// UTF-8, so that a name outside the ANSI code page is recorded as it came.
std::string commandTail()
{
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    int length = WideCharToMultiByte(CP_UTF8, 0, p, -1, nullptr, 0, nullptr, nullptr);
    std::string tail(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, p, -1, tail.data(), length, nullptr, nullptr);
    tail.resize(tail.size() - 1);
    return tail;
}

std::string programName()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    std::size_t slash = name.find_last_of("\\/");
    name = slash == std::string::npos ? name : name.substr(slash + 1);
    // Letters of the program's own file name: ASCII, so no window library for this.
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}

// Standard input, but only when it was redirected from a file or pipe.
std::string redirectedInput()
{
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (in == nullptr || in == INVALID_HANDLE_VALUE)
        return {};
    DWORD type = GetFileType(in);
    if (type != FILE_TYPE_DISK && type != FILE_TYPE_PIPE)
        return {};
    std::string data;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0)
        data.append(buffer, got);
    return data;
}

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

void record(const std::string& path, const std::string& block)
{
    // Several stand-ins may run at once: retry while another holds the file.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(25);
    }
}

// The exit code chosen for the computer named by /SERVER:, 0 when none is.
int chosenFailure(const std::string& args)
{
    std::size_t at = args.find("/SERVER:");
    if (at == std::string::npos)
        return 0;
    std::size_t start = at + 8;
    std::string computer = args.substr(start, args.find(' ', start) - start);
    std::string list = envValue("TALKPOST_STANDIN_FAIL") + ";";
    for (std::size_t pos = 0, end; (end = list.find(';', pos)) != std::string::npos; pos = end + 1) {
        std::string entry = list.substr(pos, end - pos);
        std::size_t colon = entry.rfind(':');
        if (colon != std::string::npos && lstrcmpiA(entry.substr(0, colon).c_str(), computer.c_str()) == 0)
            return std::atoi(entry.c_str() + colon + 1);
    }
    return 0;
}

// Counts this stand-in among the living ones for as long as it lives.
class AliveCount {
public:
    explicit AliveCount(const std::string& name)
    {
        if (name.empty())
            return;
        mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 2 * sizeof(LONG), name.c_str());
        if (mapping_ == nullptr)
            return;
        counts_ = static_cast<volatile LONG*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (counts_ == nullptr)
            return;
        LONG alive = InterlockedIncrement(&counts_[0]);
        LONG most = counts_[1];
        while (alive > most) {
            LONG seen = InterlockedCompareExchange(&counts_[1], alive, most);
            if (seen == most)
                break;
            most = seen;
        }
    }
    ~AliveCount()
    {
        if (counts_ != nullptr) {
            InterlockedDecrement(&counts_[0]);
            UnmapViewOfFile(const_cast<LONG*>(counts_));
        }
        if (mapping_ != nullptr)
            CloseHandle(mapping_);
    }
    AliveCount(const AliveCount&) = delete;
    AliveCount& operator=(const AliveCount&) = delete;

private:
    HANDLE mapping_ = nullptr;
    volatile LONG* counts_ = nullptr;
};

// Shows the text in a message box. The window library is loaded only here,
// from the system folder: the tests start hundreds of stand-ins that show
// nothing, and under Wine a program that imports it takes nearly twice as
// long to start.
void popUp(const std::string& text, const char* caption)
{
    char folder[MAX_PATH] = {};
    UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    HMODULE user32 = LoadLibraryA((std::string(folder) + "\\user32.dll").c_str());
    if (!user32)
        return;
    using MessageBoxFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
    auto messageBox = reinterpret_cast<MessageBoxFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "MessageBoxA")));
    if (messageBox)
        messageBox(nullptr, text.c_str(), caption, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    FreeLibrary(user32);
}

}  // namespace

int main()
{
    std::string program = programName();
    AliveCount alive(program == "msg.exe" ? envValue("TALKPOST_STANDIN_COUNTER") : std::string());
    std::string args = commandTail();
    std::string input = program == "msg.exe" ? redirectedInput() : std::string();

    std::string log = envValue("TALKPOST_STANDIN_LOG");
    if (!log.empty())
        record(log, "program: " + program + "\r\nargs: " + args + "\r\nstdin-hex: " + hex(input) + "\r\nend\r\n");

    if (envValue("TALKPOST_STANDIN_POPUP") == "1") {
        std::string text = program == "msg.exe" ? input + "\r\n\r\n(" + args + ")" : program + " " + args;
        popUp(text, program == "msg.exe" ? "Message" : "Remote desktop");
    }
    if (program == "msg.exe") {
        // Simulates the time a remote call takes; not a synchronisation.
        int delay = std::atoi(envValue("TALKPOST_STANDIN_DELAY_MS").c_str());
        if (delay > 0)
            Sleep(static_cast<DWORD>(delay));
    }
    return program == "msg.exe" ? chosenFailure(args) : 0;
}
