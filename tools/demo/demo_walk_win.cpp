// Walks a running Talkpost through a whole LiveUpdate the way a newcomer
// would, for the headless demo and its test: "?" -> "LiveUpdate", every page
// of the wizard (accepting the license, keeping the components), Restart, the
// about box of the restarted program, which is then closed. Leaves a
// screenshot of each step.
//   demo_walk.exe <screenshot folder>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/main_window_win.h"
#include "about/about_window_win.h"
#include "update/wizard/update_wizard_dialog_win.h"
#include "window_shot_win.h"

namespace talkpost {
namespace {

std::string shots;

// Waits up to the limit for something to hold.
bool waitUntil(const std::function<bool()>& holds, int seconds = 60)
{
    for (int i = 0; i < seconds * 50; ++i) {
        if (holds())
            return true;
        Sleep(20);
    }
    return false;
}

HWND visibleWindow(const char* className, HWND other = nullptr)
{
    HWND found = nullptr;
    waitUntil([&] {
        found = FindWindowA(className, nullptr);
        return found != nullptr && found != other && IsWindowVisible(found);
    });
    return found != other ? found : nullptr;
}

HWND control(HWND dialog, WizardControl id) { return GetDlgItem(dialog, static_cast<int>(id)); }

bool ready(HWND dialog, WizardControl id)
{
    return waitUntil([&] {
        HWND c = control(dialog, id);
        return IsWindowVisible(c) && IsWindowEnabled(c);
    });
}

void shot(HWND window, const char* name)
{
    Sleep(300);  // lets the page paint
    saveWindowShot(window, shots + "\\" + name + ".bmp");
    std::printf("screenshot %s\n", name);
    std::fflush(stdout);
}

void click(HWND dialog, WizardControl id) { PostMessageA(control(dialog, id), BM_CLICK, 0, 0); }

// Answers a message box of the program (the restart question) with its first button.
void answerBox()
{
    HWND box = nullptr;
    if (!waitUntil([&] { return (box = FindWindowA("#32770", nullptr)) != nullptr && IsWindowVisible(box); }, 10))
        return;
    shot(box, "wizard-7-restart-question");
    for (int id : {IDYES, IDOK}) {
        if (HWND button = GetDlgItem(box, id)) {
            PostMessageA(button, BM_CLICK, 0, 0);
            return;
        }
    }
}

int walk()
{
    HWND main = visibleWindow("TalkpostMainWindow");
    if (main == nullptr)
        return std::fprintf(stderr, "no main window\n"), 1;
    DWORD firstProcess = 0;
    GetWindowThreadProcessId(main, &firstProcess);
    PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(MainId::LiveUpdate), 0);

    HWND wizard = visibleWindow("TalkpostUpdateWizard");
    if (wizard == nullptr)
        return std::fprintf(stderr, "no wizard\n"), 1;
    shot(wizard, "wizard-0-welcome");
    click(wizard, WizardControl::StartButton);
    if (!ready(wizard, WizardControl::ControlButton))
        return std::fprintf(stderr, "no check result\n"), 1;
    shot(wizard, "wizard-1-check");
    click(wizard, WizardControl::ControlButton);
    if (ready(wizard, WizardControl::NewButton)) {
        shot(wizard, "wizard-2-whatsnew");
        click(wizard, WizardControl::NewButton);
    }
    if (waitUntil([&] { return IsWindowVisible(control(wizard, WizardControl::AcceptRadio)) != FALSE; }, 20)) {
        click(wizard, WizardControl::AcceptRadio);
        ready(wizard, WizardControl::EulaButton);
        shot(wizard, "wizard-3-license");
        click(wizard, WizardControl::EulaButton);
    }
    if (!ready(wizard, WizardControl::FilesButton))
        return std::fprintf(stderr, "no components page\n"), 1;
    shot(wizard, "wizard-4-components");
    click(wizard, WizardControl::FilesButton);
    if (ready(wizard, WizardControl::CancelButton))
        shot(wizard, "wizard-5-download");
    if (!ready(wizard, WizardControl::RestartButton))
        return std::fprintf(stderr, "the download did not complete\n"), 1;
    shot(wizard, "wizard-6-complete");
    click(wizard, WizardControl::RestartButton);
    answerBox();

    // The helper starts the new program once the old one has ended.
    HWND restarted = nullptr;
    waitUntil([&] {
        restarted = FindWindowA("TalkpostMainWindow", nullptr);
        DWORD process = 0;
        if (restarted != nullptr)
            GetWindowThreadProcessId(restarted, &process);
        return restarted != nullptr && process != firstProcess && IsWindowVisible(restarted);
    }, 90);
    DWORD process = 0;
    if (restarted != nullptr)
        GetWindowThreadProcessId(restarted, &process);
    if (restarted == nullptr || process == firstProcess)
        return std::fprintf(stderr, "the program did not start again\n"), 1;
    shot(restarted, "restarted-main-window");
    PostMessageA(restarted, WM_COMMAND, static_cast<WPARAM>(MainId::About), 0);
    HWND about = visibleWindow("TalkpostAboutWindow");
    if (about == nullptr)
        return std::fprintf(stderr, "no about box\n"), 1;
    char version[128] = {};
    GetWindowTextA(GetDlgItem(about, static_cast<int>(AboutControl::Version)), version, sizeof version);
    shot(about, "restarted-about");
    std::printf("version after the update: %s\n", version);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    waitUntil([&] { return !IsWindow(about); }, 10);
    // The walk is over: the restarted program closes as a person would close it.
    PostMessageA(restarted, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace
}  // namespace talkpost

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo_walk <screenshot folder>\n");
        return 2;
    }
    talkpost::shots = argv[1];
    CreateDirectoryA(argv[1], nullptr);
    return talkpost::walk();
}
