// The update server's login dialog, shown for real and answered from a
// second thread: fields, buttons, keys and the values handed back.
#include "update/wizard/login_dialog_win.h"

#include <gtest/gtest.h>

#include "support/test_support_win.h"
#include "update/engine/dialog_driver_win.h"

namespace talkpost::update {
namespace {

using test::DialogDriver;
using Id = LoginDialog::ControlId;

constexpr const char* kPrompt = "Connect to updates.example:8080";

int id(Id value) { return static_cast<int>(value); }

TEST(LoginDialog, OkWithEmptyFieldsGivesTwoEmptyTexts)
{
    test::RecordingPrompts prompts;
    std::string user = "old user", password = "old password";
    std::string shownUser = "?", shownPassword = "?";
    DialogDriver driver(kPrompt, [&](HWND dialog) {
        shownUser = windowText(GetDlgItem(dialog, id(Id::UserEdit)));
        shownPassword = windowText(GetDlgItem(dialog, id(Id::PasswordEdit)));
        DialogDriver::press(dialog, IDOK);
    });
    EXPECT_TRUE(showLoginDialog(prompts, kPrompt, user, password));
    EXPECT_TRUE(driver.seen());
    // The values passed in are not shown.
    EXPECT_EQ(shownUser, "");
    EXPECT_EQ(shownPassword, "");
    EXPECT_EQ(user, "");
    EXPECT_EQ(password, "");
}

TEST(LoginDialog, OkHandsBackTheTextsExactlyAsTyped)
{
    test::RecordingPrompts prompts;
    std::string user, password;
    DialogDriver driver(kPrompt, [](HWND dialog) {
        DialogDriver::type(dialog, id(Id::UserEdit), " tp user ");
        DialogDriver::type(dialog, id(Id::PasswordEdit), "p w ");
        DialogDriver::press(dialog, IDOK);
    });
    EXPECT_TRUE(showLoginDialog(prompts, kPrompt, user, password));
    EXPECT_EQ(user, " tp user ");
    EXPECT_EQ(password, "p w ");
}

TEST(LoginDialog, CancelEscapeAndTheCloseButtonKeepTheCallersValues)
{
    test::RecordingPrompts prompts;
    const std::function<void(HWND)> ways[] = {
        [](HWND dialog) { DialogDriver::press(dialog, IDCANCEL); },
        [](HWND dialog) { DialogDriver::key(dialog, VK_ESCAPE); },
        [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& way : ways) {
        std::string user = "kept", password = "also kept";
        DialogDriver driver(kPrompt, [&](HWND dialog) {
            DialogDriver::type(dialog, id(Id::UserEdit), "typed");
            DialogDriver::type(dialog, id(Id::PasswordEdit), "typed");
            way(dialog);
        });
        EXPECT_FALSE(showLoginDialog(prompts, kPrompt, user, password));
        EXPECT_EQ(user, "kept");
        EXPECT_EQ(password, "also kept");
    }
}

// Waits on the driver's thread until the condition holds (true) or time is up.
bool waitFor(const std::function<bool()>& condition) { return test::waitUntil(condition, std::chrono::seconds(10)); }

HWND focusOf(HWND dialog)
{
    // The focus is kept per thread: ask the dialog's thread through shared input state.
    DWORD mine = GetCurrentThreadId();
    DWORD theirs = GetWindowThreadProcessId(dialog, nullptr);
    AttachThreadInput(mine, theirs, TRUE);
    HWND focus = GetFocus();
    AttachThreadInput(mine, theirs, FALSE);
    return focus;
}

TEST(LoginDialog, EnterConfirmsAndAltPMovesToThePassword)
{
    test::RecordingPrompts prompts;
    std::string user, password;
    DialogDriver driver(kPrompt, [](HWND dialog) {
        HWND edit1 = GetDlgItem(dialog, id(Id::UserEdit));
        HWND edit2 = GetDlgItem(dialog, id(Id::PasswordEdit));
        EXPECT_TRUE(waitFor([&] { return focusOf(dialog) == edit1; }));  // the user name has the focus first
        DialogDriver::key(dialog, 'T');
        waitFor([&] { return windowText(edit1) == "t"; });
        DialogDriver::key(dialog, 'P', true);
        EXPECT_TRUE(waitFor([&] { return focusOf(dialog) == edit2; }));
        DialogDriver::key(dialog, 'X');
        waitFor([&] { return windowText(edit2) == "x"; });
        DialogDriver::key(dialog, VK_RETURN);
    });
    EXPECT_TRUE(showLoginDialog(prompts, kPrompt, user, password));
    EXPECT_EQ(user, "t");
    EXPECT_EQ(password, "x");
}

TEST(LoginDialog, LayoutCaptionAndPasswordCharacter)
{
    test::RecordingPrompts prompts;
    LoginDialog dialog(prompts, kPrompt, nullptr);
    EXPECT_EQ(windowText(dialog.hwnd()), kPrompt);
    RECT frame;
    GetWindowRect(dialog.hwnd(), &frame);
    EXPECT_EQ(frame.right - frame.left, LoginDialog::kWidth);
    EXPECT_EQ(frame.bottom - frame.top, LoginDialog::kHeight);
    LONG style = GetWindowLongA(dialog.hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_EQ(SendMessageA(dialog.control(id(Id::PasswordEdit)), EM_GETPASSWORDCHAR, 0, 0), '*');
    EXPECT_EQ(windowText(dialog.control(id(Id::UserLabel))), "&User name: ");
    EXPECT_EQ(windowText(dialog.control(id(Id::PasswordLabel))), "&Password:");
    EXPECT_EQ(windowText(dialog.control(IDOK)), "OK");
    EXPECT_EQ(windowText(dialog.control(IDCANCEL)), "Cancel");
    EXPECT_TRUE(GetWindowLongA(dialog.control(IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
    struct Place {
        int controlId, x, y, width, height;
    };
    const Place places[] = {{id(Id::UserEdit), 104, 80, 193, 21},
                            {id(Id::PasswordEdit), 104, 112, 193, 21},
                            {IDOK, 144, 152, 75, 25},
                            {IDCANCEL, 224, 152, 75, 25}};
    for (const Place& p : places) {
        RECT r;
        GetWindowRect(dialog.control(p.controlId), &r);
        MapWindowPoints(nullptr, dialog.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, p.x) << p.controlId;
        EXPECT_EQ(r.top, p.y) << p.controlId;
        EXPECT_EQ(r.right - r.left, p.width) << p.controlId;
        EXPECT_EQ(r.bottom - r.top, p.height) << p.controlId;
    }
}

}  // namespace
}  // namespace talkpost::update
