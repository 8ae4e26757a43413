// Wiring of the features into the main window: the settings stores (the
// placement first, then the stored values, so the show event reaches the
// stored values first), the Edit Computer List dialog, the banner and the
// about box.
#include "app/wiring_win.h"

#include "about/about_window_win.h"
#include "banner/banner_win.h"
#include "computers/edit_computer_list_dialog_win.h"
#include "settings/placement_store_win.h"
#include "settings/settings_file_win.h"

namespace talkpost {

struct Application::Parts {
    explicit Parts(MainWindow& main)
        : placementStore1(main, settings::PlacementConfig{"Placement", true, true}),
          stateStore1(main, settings::PlacementConfig{"Storage"}, main,
                      {"IPComboBox.Items", "UserEdit.Text", "RichText.Lines", "TimeEdit.Value"}),
          form2(main.computers(), main.hwnd()),
          banner(main.hwnd(), 392, 80, 148, 230, settings::readSettingsValue("Talkpost", "BannerServer"))
    {
    }

    settings::PlacementStore placementStore1;
    settings::FormStateStore stateStore1;
    EditComputerListDialog form2;
    BannerRotator banner;
};

Application::Application(MainWindow& mainWindow) : main_(mainWindow), parts_(std::make_unique<Parts>(mainWindow))
{
    main_.features.editComputerList = [this](MainWindow&) { parts_->form2.showModal(); };
    main_.features.startBanner = [this](MainWindow&) { parts_->banner.startBanner(); };
    main_.features.info = [](MainWindow& window) { AboutWindow::showAbout(window.hwnd()); };
}

Application::~Application() = default;

}  // namespace talkpost
