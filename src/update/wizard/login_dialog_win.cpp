// The update server's login dialog: banner, two labelled fields, OK and Cancel.
#include "update/wizard/login_dialog_win.h"

#include "win/controls_win.h"

namespace talkpost::update {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr RECT kBanner{0, 0, 320, 60};

using Id = LoginDialog::ControlId;

// The layout, in client pixels.
const ControlSpec kControls[] = {
    {static_cast<int>(Id::UserLabel), "STATIC", 16, 80, 84, 13, "&User name: ", WS_VISIBLE | SS_LEFT},
    {static_cast<int>(Id::UserEdit), "EDIT", 104, 80, 193, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {static_cast<int>(Id::PasswordLabel), "STATIC", 16, 112, 84, 13, "&Password:", WS_VISIBLE | SS_LEFT},
    {static_cast<int>(Id::PasswordEdit), "EDIT", 104, 112, 193, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
     WS_EX_CLIENTEDGE},
    {static_cast<int>(Id::OkButton), "BUTTON", 144, 152, 75, 25, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {static_cast<int>(Id::CancelButton), "BUTTON", 224, 152, 75, 25, "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
};

HFONT makeFont(int points, int weight, const char* face)
{
    HDC screen = GetDC(nullptr);
    int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

}  // namespace

LoginDialog::LoginDialog(const std::string& prompt, HWND owner)
    : font_(makeFont(8, FW_NORMAL, "MS Sans Serif")), bannerFont_(makeFont(14, FW_BOLD, "Arial"))
{
    int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    create("TalkpostUpdateLogin", kExStyle, prompt.c_str(), kStyle, x, y, kWidth, kHeight, owner, nullptr);
    createControls(kControls, std::size(kControls), static_cast<HFONT>(font_.get()));
    Edit(control(static_cast<int>(Id::PasswordEdit))).setPasswordChar('*');
}

std::string LoginDialog::userName() const { return windowText(control(static_cast<int>(Id::UserEdit))); }

std::string LoginDialog::password() const { return windowText(control(static_cast<int>(Id::PasswordEdit))); }

void LoginDialog::paintBanner(HDC dc)
{
    // A band from dark to light blue with the program's name: the picture across the top.
    for (int x = kBanner.left; x < kBanner.right; x += 4) {
        int shade = 80 + (x * 150) / kBanner.right;
        RECT strip{x, kBanner.top, x + 4, kBanner.bottom};
        HBRUSH brush = CreateSolidBrush(RGB(0, shade / 2, shade));
        FillRect(dc, &strip, brush);
        DeleteObject(brush);
    }
    HGDIOBJ old = SelectObject(dc, bannerFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT text{16, 0, kBanner.right, kBanner.bottom};
    DrawTextA(dc, "Talkpost LiveUpdate", -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(dc, old);
}

LRESULT LoginDialog::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        paintBanner(dc);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_ACTIVATE:
        // The focus goes back where it was, the user name field the first time.
        if (LOWORD(wparam) != WA_INACTIVE) {
            SetFocus(focus_ != nullptr ? focus_ : control(static_cast<int>(Id::UserEdit)));
            return 0;
        }
        focus_ = GetFocus();
        return 0;
    case WM_NEXTDLGCTL: {
        // What the dialog manager sends for a label's accelerator: the label,
        // then the control after it.
        HWND next = LOWORD(lparam) ? reinterpret_cast<HWND>(wparam)
                                   : GetNextDlgTabItem(hwnd(), GetFocus(), wparam != 0);
        if (next != nullptr)
            SetFocus(next);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
            if (isModal())
                endModal(LOWORD(wparam));
            return 0;
        }
        return defaultHandle(msg, wparam, lparam);
    default:
        return defaultHandle(msg, wparam, lparam);
    }
}

bool showLoginDialog(const std::string& prompt, std::string& user, std::string& password)
{
    LoginDialog dialog(prompt, GetActiveWindow());
    if (dialog.showModal() != IDOK)
        return false;
    user = dialog.userName();
    password = dialog.password();
    return true;
}

}  // namespace talkpost::update
