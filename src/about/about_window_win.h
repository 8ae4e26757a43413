// AboutWindow: the modal about box with the program's name, its version from
// the running program's own version resource, a rights notice, our picture,
// the web address, a warning and the system information button.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "about/about_rules.h"
#include "win/dpi_win.h"
#include "win/picture_win.h"
#include "win/handles_win.h"
#include "win/painted_control_win.h"
#include "win/window_win.h"

namespace talkpost {

struct AboutInfo {
    std::string appName = "Talkpost";
    std::string copyright = "Copyright \xc2\xa9 2026 The Talkpost developers";
    std::string url = "http://talkpost.example/";
    std::string warning =
        "This program is protected by copyright law. Copying or passing it on, in whole or in part, "
        "without permission is not allowed.";
    // The RCDATA resource of the running program holding the picture; empty: no picture.
    std::string pictureResource = "TALKPOST_ABOUT_PICTURE";
};

enum class AboutControl {
    Outer = 100,
    Image,
    AppName,
    VersionInfo,
    Version,
    Copyright,
    Url,
    Separator,
    Warning,
    SysInfo,
    Ok = IDOK,
};

class AboutWindow : public Window {
public:
    AboutWindow(Prompts& prompts, HWND owner, const AboutInfo& info = {});
    ~AboutWindow() override;

    // Builds the box, shows it modally over the owner and destroys it again.
    static void showAbout(Prompts& prompts, HWND owner, const AboutInfo& info = {});

    HWND control(AboutControl id) const { return Window::control(static_cast<int>(id)); }

    // The program "System Info..." starts, by its full path in the system
    // folder; a test points it elsewhere.
    std::string systemInfoProgram;

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override;
    // Lays the box out at the scale: fonts, controls, the picture and its frame.
    void scaleTo(int dpi) override;

private:
    void layOut(int growWidth, int growHeight, Dpi dpi);
    void fillInVersion();
    void onSystemInfo();
    void onUrlClick();

    ComScope com_;
    AboutInfo info_;
    Picture picture_;
    PictureFit fit_{};
    UniqueGdiObject font_;
    UniqueGdiObject boldFont_;
    UniqueGdiObject warningFont_;
    std::unique_ptr<PaintedControl> image_;
    HWND tooltip_ = nullptr;
};

// The version text of the running program's file, empty when it has no
// readable version resource.
std::string runningProgramVersion();

}  // namespace talkpost
