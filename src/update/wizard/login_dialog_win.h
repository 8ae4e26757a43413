// LoginDialog: the small modal dialog in which the operator types the update
// server's user name and password, and showLoginDialog, the one way the
// update engine asks for them.
#pragma once

#include <windows.h>

#include <string>

#include "win/handles_win.h"
#include "win/window_win.h"

namespace talkpost::update {

class LoginDialog : public Window {
public:
    // OK and Cancel carry the ids the dialog manager sends for Enter and Escape.
    enum class ControlId : int {
        UserLabel = 100,
        UserEdit = 101,
        PasswordLabel = 102,
        PasswordEdit = 103,
        OkButton = IDOK,
        CancelButton = IDCANCEL
    };

    static constexpr int kWidth = 328, kHeight = 223;

    // Made hidden, centred on the screen, with the prompt as its caption.
    LoginDialog(Prompts& prompts, const std::string& prompt, HWND owner);

    // The fields as typed, without trimming.
    std::string userName() const;
    std::string password() const;

protected:
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam) override;
    // Lays the dialog out at the scale: fonts and controls (the banner is drawn at it).
    void scaleTo(int dpi) override;

private:
    void paintBanner(HDC dc);

    UniqueGdiObject font_;
    UniqueGdiObject bannerFont_;
    HWND focus_ = nullptr;
};

// Shows the dialog modally with empty fields. OK: user and password take the
// texts typed and the result is true. Cancel, Escape or the close button:
// false, and both keep the values passed in. A failure inside it is
// reported with prompts.
bool showLoginDialog(Prompts& prompts, const std::string& prompt, std::string& user, std::string& password);

}  // namespace talkpost::update
