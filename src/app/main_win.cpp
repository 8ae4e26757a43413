// Program entry: the application title, the main window and the Edit
// Computer List dialog, then the event loop until the main window closes.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/command_line.h"
#include "app/main_window_win.h"
#include "app/message_dispatch_win.h"
#include "app/wiring_win.h"
#include "settings/settings_file_win.h"
#include "update/live_update_win.h"
#include "win/prompts_win.h"
#include "win/text_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using namespace talkpost;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);

    int exitCode = 0;
    // The real message boxes: every window and service asks and tells the
    // operator through these, handed down from here.
    SystemPrompts prompts;
    removeLeftoverMessageFiles();
    try {
        // The settings file is read once, here, and handed to whoever needs it.
        settings::SettingsFile settings;
        MainWindow mainWindow(prompts, programArguments(narrow(GetCommandLineW())), &settings);
        Application application(mainWindow);
        mainWindow.show(SW_SHOWNORMAL);
        if (!settings.loadError().empty())
            prompts.standardError(mainWindow.hwnd(), settings.loadError());
        update::reportStartedAfterUpdate();
        MSG msg;
        // The loop takes and hands on messages as UTF-16, so that a typed
        // character outside the ANSI code page reaches its field whole.
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            // Command keys first (Ctrl+Enter is Send, in the message editor too), then the dialog keys.
            if (TranslateAcceleratorW(mainWindow.hwnd(), mainWindow.accelerators(), &msg))
                continue;
            if (!IsDialogMessageW(mainWindow.hwnd(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        exitCode = static_cast<int>(msg.wParam);
        // A quit that did not come from closing the main window (the restart
        // after an update ends the loop so) leaves the window standing: it is
        // destroyed here, while its settings stores still listen, so that its
        // destroy event saves what a close would have saved.
        if (IsWindow(mainWindow.hwnd()))
            DestroyWindow(mainWindow.hwnd());
    } catch (...) {
        reportException(prompts, nullptr);
        exitCode = 1;
    }
    OleUninitialize();
    return exitCode;
}
