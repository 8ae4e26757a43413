// window_ready "<title>": the key scripts' wait before they press keys. Ends
// with 0 once a window of exactly that title is the foreground window and its
// thread's keyboard focus lies in it, 1 when that has not happened within a
// minute. A window the X server shows and focuses is not yet one that takes
// keys: only once the platform has made it the foreground window do the keys
// pressed next reach it, instead of being lost on the way.
#include <windows.h>

#include <chrono>
#include <string>

#include "support/test_support_win.h"

namespace {

bool takesKeys(const std::string& title)
{
    HWND window = GetForegroundWindow();
    if (window == nullptr)
        return false;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    if (title != text)
        return false;
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) || info.hwndFocus == nullptr)
        return false;
    return info.hwndFocus == window || IsChild(window, info.hwndFocus);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string title = argv[1];
    return talkpost::test::waitUntil([&] { return takesKeys(title); }, std::chrono::minutes(1)) ? 0 : 1;
}
