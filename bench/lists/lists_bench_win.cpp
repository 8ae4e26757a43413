// Figures for lists in and out: the import of a file of 10,000 computers
// (CSV with a header, a few comments and refused names) into the main
// window's list as it stands at start, the same file again (every name
// already listed), and the export of the list. Works in a folder of its own
// under the temporary folder. Arguments: the number of names (10,000).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/main_window_win.h"

using namespace talkpost;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Names as fleets write them; with mixed, every other one with a hyphen that
// the list's own compare weighs apart from the cheap order, so the list is
// filled one name at a time.
std::string listFile(std::size_t count, bool mixed)
{
    std::string text = "Name,Site,Owner\r\n";
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 1000 == 0)
            text += "# site " + std::to_string(i / 1000) + "\r\n";
        text += (mixed && i % 2 == 0 ? "WS" : "WS-") + std::to_string(100000 + (mixed ? (i * 7919) % count : i)) + ".branch" + std::to_string(i % 40) + ".example,site" +
                std::to_string(i % 40) + ",admin\r\n";
    }
    text += "bad&name,x,y\r\n";
    return text;
}

std::wstring widened(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

int main(int argc, char** argv)
{
    std::size_t count = argc > 1 ? std::stoul(argv[1]) : 10000;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "talkpost-lists-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string in = folder + "\\fleet.csv", out = folder + "\\export.txt";
    for (int round = 1; round <= 4; ++round) {
        bool mixed = round == 4;
        std::ofstream(in, std::ios::binary | std::ios::trunc) << listFile(count, mixed);
        SystemPrompts prompts;
        MainWindow window(prompts);
        auto start = std::chrono::steady_clock::now();
        window.importComputersFrom(widened(in));
        double first = secondsSince(start);
        int listed = window.computers().count();
        start = std::chrono::steady_clock::now();
        window.importComputersFrom(widened(in));
        double again = secondsSince(start);
        start = std::chrono::steady_clock::now();
        window.exportComputersTo(widened(out));
        double exported = secondsSince(start);
        std::printf("round %d%s: import %zu names %.3f s (list %d), again (all listed) %.3f s, export %.3f s\n", round,
                    mixed ? " (mixed names)" : "", count, first, listed, again, exported);
    }
    DeleteFileA(in.c_str());
    DeleteFileA(out.c_str());
    RemoveDirectoryA(folder.c_str());
    return 0;
}
