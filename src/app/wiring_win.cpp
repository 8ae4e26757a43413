// Wiring of the features into the main window: the settings stores, the Edit
// Computer List dialog with its own placement store, the Computers from
// Directory dialog, the banner and the about box.
#include "app/wiring_win.h"

#include "about/about_window_win.h"
#include "banner/banner_win.h"
#include "nettools/directory_dialog_win.h"
#include "settings/settings_file_win.h"

namespace talkpost {

MainWindowStores::MainWindowStores(MainWindow& main, const settings::ScreenReader& screen)
    : placement(main, settings::PlacementConfig{"Placement", true, true}, screen),
      storedValues(main, settings::PlacementConfig{"Storage"}, main, MainWindow::storedValueNames(), screen)
{
}

settings::PlacementConfig editorPlacement()
{
    settings::PlacementConfig placement;
    placement.iniSection = "EditorPM";
    placement.preventResize = true;
    return placement;
}

struct Application::Parts {
    explicit Parts(MainWindow& main)
        : stores(main),
          editComputerList(main.computers(), main.hwnd()),
          editorPlacementStore(editComputerList, editorPlacement()),
          directory(main.computers(), [&main](const std::string& line) { main.appendLog(line); }, main.hwnd()),
          banner(main.hwnd(), 392, 80, 148, 230, settings::readSettingsValue("Talkpost", "BannerServer"))
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
    main_.features.info = [](MainWindow& window) { AboutWindow::showAbout(window.hwnd()); };
}

Application::~Application() = default;

}  // namespace talkpost
