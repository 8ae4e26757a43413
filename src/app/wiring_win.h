// Application: the objects that live as long as the process besides the main
// window (the Edit Computer List dialog, the settings stores, the banner),
// and the wiring of the features from the other folders into the main
// window's menus and handlers.
#pragma once

#include <memory>

#include "app/main_window_win.h"

namespace talkpost {

class Application {
public:
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
