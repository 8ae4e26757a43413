// Wiring of the features into the main window.
#include "app/wiring_win.h"

namespace talkpost {

struct Application::Parts {};

Application::Application(MainWindow& mainWindow) : main_(mainWindow), parts_(std::make_unique<Parts>()) {}

Application::~Application() = default;

}  // namespace talkpost
