// Application: the objects that live as long as the process besides the main
// window (the Edit Computer List dialog, the settings stores, the banner),
// and the wiring of the features from the other folders into the main
// window's menus and handlers.
#pragma once

#include <functional>
#include <memory>

#include "app/main_window_win.h"
#include "computers/edit_computer_list_dialog_win.h"
#include "settings/placement_store_win.h"

namespace talkpost {

// The main window's settings stores, the placement first, then the stored
// values, so the show event reaches the stored values first.
struct MainWindowStores {
    explicit MainWindowStores(MainWindow& main, std::function<settings::ScreenInfo()> screen = settings::currentScreen);
    settings::PlacementStore placement;
    settings::FormStateStore storedValues;
};

// The Edit Computer List dialog's place, in a section of its own; its size is fixed.
settings::PlacementConfig editorPlacement();

class Application {
public:
    // The main window's settings and prompts are the program's: the parts get them from it.
    explicit Application(MainWindow& mainWindow);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

private:
    struct Parts;
    MainWindow& main_;
    std::unique_ptr<Parts> parts_;
};

}  // namespace talkpost
