// Wiring of the features into the main window: the settings stores, the Edit
// Computer List dialog with its own placement store, the Computers from
// Directory dialog, the banner and the about box.
#include "app/wiring_win.h"

#include "about/about_window_win.h"
#include "banner/banner_win.h"
#include "nettools/directory_dialog_win.h"

namespace talkpost {

namespace {

settings::PlacementConfig mainPlacement(settings::SettingsPart part, bool preventResize,
                                        std::function<settings::ScreenInfo()> screen)
{
    settings::PlacementConfig config;
    config.part = part;
    config.preventResize = preventResize;
    config.screen = std::move(screen);
    return config;
}

}  // namespace

MainWindowStores::MainWindowStores(MainWindow& main, std::function<settings::ScreenInfo()> screen)
    : placement(main, main.settings(), mainPlacement(settings::SettingsPart::MainPlacement, true, screen)),
      storedValues(main, main.settings(), mainPlacement(settings::SettingsPart::MainStorage, false, screen), main)
{
}

settings::PlacementConfig editorPlacement()
{
    settings::PlacementConfig placement;
    placement.part = settings::SettingsPart::Editor;
    placement.preventResize = true;
    return placement;
}

struct Application::Parts {
    explicit Parts(MainWindow& main)
        : stores(main),
          editComputerList(main.windowPrompts(), main.computers(), main.hwnd()),
          editorPlacementStore(editComputerList, main.settings(), editorPlacement()),
          directory(main.windowPrompts(), main.computers(), [&main](const std::string& line) { main.appendLog(line); },
                    main.hwnd(), main.settings()),
          banner(main.windowPrompts(), main.hwnd(), 392, 80, 148, 230, main.settings().values().bannerServer)
    {
    }

    MainWindowStores stores;
    EditComputerListDialog editComputerList;
    settings::PlacementStore editorPlacementStore;
    DirectoryDialog directory;
    BannerRotator banner;
};

Application::Application(MainWindow& mainWindow) : main_(mainWindow), parts_(std::make_unique<Parts>(mainWindow))
{
    main_.features.editComputerList = [this](MainWindow&) { parts_->editComputerList.showModal(); };
    main_.features.computersFromDirectory = [this](MainWindow&) { parts_->directory.run(); };
    main_.features.startBanner = [this](MainWindow&) { parts_->banner.startBanner(); };
    main_.features.info = [](MainWindow& window) { AboutWindow::showAbout(window.windowPrompts(), window.hwnd()); };
}

Application::~Application() = default;

}  // namespace talkpost
