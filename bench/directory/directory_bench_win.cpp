// Computers from Directory over a large directory: the time from pressing
// Load in the dialog until the whole result is merged into a computer list
// (pages of 1,000 through the platform's directory interface, Negotiate
// sign-in with sealing), and the search alone. Prints figures; run it through
// run.sh, which starts the directory server and times ldapsearch beside it.
//   directory_bench.exe <server> <user> <password> <rounds>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "computers/computer_list_win.h"
#include "nettools/directory_dialog_win.h"
#include "nettools/directory_search_win.h"
#include "settings/settings_file_win.h"
#include "win/controls_win.h"

using namespace talkpost;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processes messages until the dialog's load has ended.
void pumpUntilLoaded(const DirectoryDialog& dialog)
{
    MSG msg;
    while (dialog.loading() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: directory_bench <server> <user> <password> <rounds>\n");
        return 2;
    }
    std::string server = argv[1], user = argv[2], password = argv[3];
    int rounds = std::atoi(argv[4]);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    CreateDirectoryA((std::string(folder) + "talkpost-directory-bench").c_str(), nullptr);
    settings::SettingsFile settingsFile(settings::SettingsOptions::in(std::string(folder) + "talkpost-directory-bench"));

    for (int round = 1; round <= rounds; ++round) {
        // The search alone, on this thread.
        directory::SearchRequest request;
        request.fields.server = server;
        request.fields.signIn = directory::SignIn::NameAndPassword;
        request.fields.user = user;
        request.password = password;
        directory::SearchObserver quiet;
        auto start = Clock::now();
        directory::SearchOutcome outcome = directory::searchDirectory(request, quiet);
        double search = secondsSince(start);
        if (!outcome.ok) {
            std::printf("search failed: %s\n", outcome.error.c_str());
            return 1;
        }

        // Through the dialog, as a person runs it: Load, the worker, the merge into an empty list.
        HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWN | CBS_SORT, 0, 0, 100, 100, owner,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
        ComputerList list(combo);
        std::string line;
        SystemPrompts prompts;
        DirectoryDialog dialog(prompts, list, [&](const std::string& text) { line = text; }, owner, settingsFile);
        SetWindowTextA(dialog.control(DirectoryDialog::ControlId::ServerEdit), server.c_str());
        Button(dialog.control(DirectoryDialog::ControlId::NamePasswordRadio)).setChecked(true);
        Button(dialog.control(DirectoryDialog::ControlId::CurrentUserRadio)).setChecked(false);
        SetWindowTextA(dialog.control(DirectoryDialog::ControlId::UserEdit), user.c_str());
        SetWindowTextA(dialog.control(DirectoryDialog::ControlId::PasswordEdit), password.c_str());
        start = Clock::now();
        SendMessageA(dialog.control(DirectoryDialog::ControlId::LoadButton), BM_CLICK, 0, 0);
        pumpUntilLoaded(dialog);
        double loaded = secondsSince(start);
        if (line.empty()) {
            std::printf("the load failed: %s\n", dialog.statusText().c_str());
            return 1;
        }
        std::printf("round %d: search %zu computers in %.2f s; Load to merged list (%d entries) in %.2f s; %s\n",
                    round, outcome.names.size(), search, list.count(), loaded, line.c_str());
        std::fflush(stdout);
        DestroyWindow(owner);
    }
    return 0;
}
