// The update server's login dialog: banner, two labelled fields, OK and Cancel.
#include "update/wizard/login_dialog_win.h"

#include "win/controls_win.h"
#include "win/dpi_win.h"

namespace talkpost::update {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr RECT kBanner{0, 0, 320, 60};

using Id = LoginDialog::ControlId;

// The layout, in client pixels.
const ControlRow kControls[] = {
    {static_cast<int>(Id::UserLabel), "STATIC", 16, 80, 84, 13, "&User name: ", WS_VISIBLE | SS_LEFT},
    {static_cast<int>(Id::UserEdit), "EDIT", 104, 80, 193, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {static_cast<int>(Id::PasswordLabel), "STATIC", 16, 112, 84, 13, "&Password:", WS_VISIBLE | SS_LEFT},
    {static_cast<int>(Id::PasswordEdit), "EDIT", 104, 112, 193, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
     WS_EX_CLIENTEDGE},
    {static_cast<int>(Id::OkButton), "BUTTON", 144, 152, 75, 25, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {static_cast<int>(Id::CancelButton), "BUTTON", 224, 152, 75, 25, "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
};

// The banner's text: its font and its left edge.
constexpr int kBannerFontPoints = 14;
constexpr int kBannerTextLeft = 16;
constexpr int kBannerStripWidth = 4;

}  // namespace

LoginDialog::LoginDialog(Prompts& prompts, const std::string& prompt, HWND owner) : Window(prompts)
{
    int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    create("TalkpostUpdateLogin", kExStyle, prompt.c_str(), kStyle, x, y, kWidth, kHeight, owner, nullptr);
    createControls(kControls, std::size(kControls), nullptr);
    Edit(control(static_cast<int>(Id::PasswordEdit))).setPasswordChar('*');
    // The designed size holds at 100 %; at another scale the client area
    // grows by it, still in the middle of the screen.
    Dpi dpi = dpiOf(hwnd());
    scaleTo(dpi.value());
    if (dpi.value() != Dpi::kDesigned) {
        SIZE frame = scaledFrameSize(kWidth, kHeight, kStyle, kExStyle, false, dpi);
        SetWindowPos(hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void LoginDialog::scaleTo(int dpiValue)
{
    Dpi dpi(dpiValue);
    rememberDpi(hwnd(), dpi);
    // New fonts first; the old ones go once no control uses them.
    UniqueGdiObject font(createPointFont("MS Sans Serif", 8, FW_NORMAL, DEFAULT_CHARSET, dpi));
    UniqueGdiObject bannerFont(createPointFont("Arial", kBannerFontPoints, FW_BOLD, DEFAULT_CHARSET, dpi));
    for (const ControlRow& row : kControls)
        Control(control(row.id)).setFont(static_cast<HFONT>(font.get()));
    std::swap(font_, font);
    std::swap(bannerFont_, bannerFont);
    placeControls(hwnd(), kControls, std::size(kControls), dpi);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

std::string LoginDialog::userName() const { return windowText(control(static_cast<int>(Id::UserEdit))); }

std::string LoginDialog::password() const { return windowText(control(static_cast<int>(Id::PasswordEdit))); }

void LoginDialog::paintBanner(HDC dc)
{
    // A band from dark to light blue with the program's name: the picture
    // across the top, drawn at the window's scale.
    Dpi dpi = dpiOf(hwnd());
    RECT banner = dpi.scale(kBanner);
    int stripWidth = dpi.scale(kBannerStripWidth);
    for (int x = banner.left; x < banner.right; x += stripWidth) {
        int shade = 80 + (x * 150) / banner.right;
        RECT strip{x, banner.top, x + stripWidth, banner.bottom};
        HBRUSH brush = CreateSolidBrush(RGB(0, shade / 2, shade));
        FillRect(dc, &strip, brush);
        DeleteObject(brush);
    }
    HGDIOBJ old = SelectObject(dc, bannerFont_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    RECT text{dpi.scale(kBannerTextLeft), banner.top, banner.right, banner.bottom};
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

bool showLoginDialog(Prompts& prompts, const std::string& prompt, std::string& user, std::string& password)
{
    LoginDialog dialog(prompts, prompt, GetActiveWindow());
    if (dialog.showModal() != IDOK)
        return false;
    user = dialog.userName();
    password = dialog.password();
    return true;
}

}  // namespace talkpost::update
