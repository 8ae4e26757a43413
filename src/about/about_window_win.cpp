// The about box: built from one layout table, grown by its picture, with the
// version read from the program file's own version resource.
#include "about/about_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <utility>
#include <vector>

#include "about/about_rules.h"
#include "base/app_error.h"
#include "base/web_address.h"
#include "win/controls_win.h"
#include "win/folders_win.h"
#include "win/dpi_win.h"
#include "win/prompts_win.h"
#include "win/text_win.h"
#include "win/wait_cursor_win.h"

namespace talkpost {
namespace {

constexpr int kClientWidth = 297;
constexpr int kClientHeight = 321;
// Room a label keeps beside its text, so that the text after it does not touch it.
constexpr int kLabelTextMargin = 4;

struct AboutLayoutRow {
    ControlRow control;
    unsigned anchors;
    int textMargin = -1;  // 0 or more: widened to hold its text under the system's font
};

constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr unsigned kRightTop = kAnchorRight | kAnchorTop;
constexpr unsigned kRightBottom = kAnchorRight | kAnchorBottom;
constexpr unsigned kLeftRightBottom = kAnchorLeft | kAnchorRight | kAnchorBottom;
constexpr unsigned kLeftTop = kAnchorLeft | kAnchorTop;

int id(AboutControl c) { return static_cast<int>(c); }

// The picture's control is not in the table: it is a window of ours.
const AboutLayoutRow kLayout[] = {
    {{id(AboutControl::Outer), "STATIC", 8, 8, 50, 201, "", WS_VISIBLE | SS_ETCHEDFRAME}, kLeftTop},
    {{id(AboutControl::AppName), "STATIC", 64, 8, 225, 13, "", kLabel}, kRightTop},
    {{id(AboutControl::VersionInfo), "STATIC", 64, 24, 40, 13, "Version:", kLabel}, kRightTop},
    {{id(AboutControl::Version), "STATIC", 104, 24, 185, 13, "", kLabel}, kRightTop},
    {{id(AboutControl::Copyright), "STATIC", 64, 48, 225, 25, "", kLabel}, kRightTop},
    {{id(AboutControl::Url), "STATIC", 64, 80, 225, 13, "", kLabel | SS_NOTIFY}, kRightTop},
    // The separator is a bevel that draws only its top line: a 2-pixel
    // etched line is all of it.
    {{id(AboutControl::Separator), "STATIC", 8, 216, 281, 2, "", WS_VISIBLE | SS_ETCHEDHORZ}, kLeftRightBottom},
    {{id(AboutControl::Warning), "STATIC", 8, 224, 281, 61, "", kLabel}, kLeftRightBottom},
    {{id(AboutControl::SysInfo), "BUTTON", 136, 288, 73, 23, "System Info...",
      WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON}, kRightBottom, 16},
    {{id(AboutControl::Ok), "BUTTON", 216, 288, 73, 23, "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
     kRightBottom},
};

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
// The picture's place and the frame around it.
constexpr POINT kImagePlace{9, 9};
constexpr int kOuterHeight = 201;
// The warning's font, by its designed character height.
constexpr int kWarningFontHeight = 9;

Placement scaled(const Placement& p, Dpi dpi)
{
    return {dpi.scale(p.x), dpi.scale(p.y), dpi.scale(p.width), dpi.scale(p.height)};
}

Picture pictureFromResource(const std::string& name)
{
    if (name.empty())
        return {};
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return {};
    try {
        return Picture::fromBytes(bytes, SizeofResource(module, found));
    } catch (const AppError&) {
        // A picture that cannot be shown leaves the box without one.
        return {};
    }
}

}  // namespace

std::string runningProgramVersion()
{
    char path[MAX_PATH * 2] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return {};
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return {};
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    if (!GetFileVersionInfoA(path, 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedLength) || fixed == nullptr ||
        fixedLength < sizeof(VS_FIXEDFILEINFO))
        return {};
    return formatVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

AboutWindow::AboutWindow(Prompts& prompts, HWND owner, const AboutInfo& info)
    : Window(prompts), systemInfoProgram(systemProgramPath("MSInfo32.EXE")), info_(info)
{
    picture_ = pictureFromResource(info_.pictureResource);
    // The picture's own pixels count as designed pixels: it grows with the scale like the rest.
    SIZE pictureSize = picture_.size();
    fit_ = fitPicture(!picture_.empty(), pictureSize.cx, pictureSize.cy);

    RECT frame{0, 0, kClientWidth + fit_.growWidth, kClientHeight + fit_.growHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    create("TalkpostAboutWindow", kExStyle, formatWithName("About %s \xc2\xae", info_.appName).c_str(), kStyle, x, y,
           width, height, owner, nullptr);

    for (const AboutLayoutRow& row : kLayout)
        createControls(&row.control, 1, nullptr);

    Control(control(AboutControl::AppName)).setText(formatWithName("%s \xc2\xae", info_.appName));
    Control(control(AboutControl::Copyright)).setText(info_.copyright);
    Control(control(AboutControl::Warning)).setText(info_.warning);
    Control(control(AboutControl::Url)).setText(info_.url);

    // The picture centred in its area, at the window's scale.
    image_ = std::make_unique<PaintedControl>(
        prompts_, hwnd(), static_cast<int>(AboutControl::Image), kImagePlace.x, kImagePlace.y, fit_.imageWidth,
        fit_.imageHeight, [this](HDC dc, const RECT& area) {
            Dpi dpi = dpiOf(hwnd());
            SIZE size = picture_.size();
            int width = dpi.scale(size.cx), height = dpi.scale(size.cy);
            int left = (area.right - width) / 2, top = (area.bottom - height) / 2;
            picture_.drawScaled(dc, {left, top, left + width, top + height});
        });
    ShowWindow(control(AboutControl::Outer), fit_.frameVisible ? SW_SHOWNA : SW_HIDE);
    // The designed size holds at 100 %; at another scale the client area grows
    // by it, still in the middle of the screen.
    Dpi dpi = dpiOf(hwnd());
    scaleTo(dpi.value());
    if (dpi.value() != Dpi::kDesigned) {
        SIZE scaledFrame = frameSizeForClient(kClientWidth + fit_.growWidth, kClientHeight + fit_.growHeight, kStyle,
                                              kExStyle, false, dpi);
        SetWindowPos(hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - scaledFrame.cx) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - scaledFrame.cy) / 2, scaledFrame.cx, scaledFrame.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tooltip_ != nullptr) {
        std::wstring url = widen(info_.url);
        TOOLINFOW tool{};
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(control(AboutControl::Url));
        tool.lpszText = url.data();
        ToolTip(tooltip_).addTool(tool);
    }
    fillInVersion();
    SetFocus(control(AboutControl::Ok));
}

AboutWindow::~AboutWindow()
{
    if (tooltip_ != nullptr)
        DestroyWindow(tooltip_);
    image_.reset();
}

void AboutWindow::showAbout(Prompts& prompts, HWND owner, const AboutInfo& info)
{
    AboutWindow window(prompts, owner, info);
    window.showModal();
}

void AboutWindow::scaleTo(int dpiValue)
{
    Dpi dpi(dpiValue);
    rememberDpi(hwnd(), dpi);
    // New fonts first; the old ones go once no control uses them.
    UniqueGdiObject font(createPointFont("MS Sans Serif", 8, FW_NORMAL, ANSI_CHARSET, dpi));
    UniqueGdiObject boldFont(createPointFont("MS Sans Serif", 8, FW_BOLD, ANSI_CHARSET, dpi));
    UniqueGdiObject warningFont(createScaledFont("Arial", -kWarningFontHeight, FW_NORMAL, ANSI_CHARSET, dpi));
    for (const AboutLayoutRow& row : kLayout)
        Control(control(static_cast<AboutControl>(row.control.id))).setFont(static_cast<HFONT>(font.get()));
    Control(control(AboutControl::Version)).setFont(static_cast<HFONT>(boldFont.get()));
    Control(control(AboutControl::Warning)).setFont(static_cast<HFONT>(warningFont.get()));
    std::swap(font_, font);
    std::swap(boldFont_, boldFont);
    std::swap(warningFont_, warningFont);

    layOut(fit_.growWidth, fit_.growHeight, dpi);
    placeControl(image_->hwnd(), kImagePlace.x, kImagePlace.y, fit_.imageWidth, fit_.imageHeight, dpi);
    SetWindowPos(control(AboutControl::Outer), nullptr, 0, 0, dpi.scale(fit_.frameWidth), dpi.scale(kOuterHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void AboutWindow::layOut(int growWidth, int growHeight, Dpi dpi)
{
    for (const AboutLayoutRow& row : kLayout) {
        const ControlRow& c = row.control;
        HWND item = control(static_cast<AboutControl>(c.id));
        Placement p = scaled(anchored({c.x, c.y, c.width, c.height}, row.anchors, growWidth, growHeight), dpi);
        if (row.textMargin >= 0)
            p = fittedToText(p, row.anchors, textWidthOf(item), dpi.scale(row.textMargin));
        SetWindowPos(item, nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // "Version:" in whatever font the system gives it: as wide as its text,
    // starting where the text column starts, the version after it.
    auto placed = [this](AboutControl id) {
        RECT r{};
        GetWindowRect(control(id), &r);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return Placement{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    VersionLine line = layOutVersionLine(placed(AboutControl::VersionInfo), placed(AboutControl::Version),
                                         textWidthOf(control(AboutControl::VersionInfo)),
                                         dpi.scale(kLabelTextMargin));
    for (auto [id, p] : {std::pair{AboutControl::VersionInfo, line.label}, std::pair{AboutControl::Version, line.value}})
        SetWindowPos(control(id), nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::fillInVersion()
{
    std::string version = runningProgramVersion();
    Control(control(AboutControl::Version)).setText(version);
    ShowWindow(control(AboutControl::VersionInfo), version.empty() ? SW_HIDE : SW_SHOWNA);
}

void AboutWindow::onSystemInfo()
{
    auto result = systemInfoProgram.empty() ? 0 : reinterpret_cast<INT_PTR>(ShellExecuteA(
                                                      hwnd(), "open", systemInfoProgram.c_str(), "", "", SW_SHOW));
    if (result <= 32)
        prompts_.box(hwnd(), "Could not execute system information!", "Fehler", MB_OK | MB_ICONERROR);
}

void AboutWindow::onUrlClick()
{
    // Only a web address is opened; anything else would be started by the
    // shell. Like an address that cannot be opened, it does nothing visible.
    if (!isWebAddress(info_.url))
        return;
    WaitCursor wait;
    ShellExecuteA(hwnd(), "open", info_.url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

LRESULT AboutWindow::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
            // OK is the default and the cancel button: Enter and Escape close.
            endModal(IDCANCEL);
            return 0;
        case static_cast<int>(AboutControl::SysInfo):
            onSystemInfo();
            return 0;
        case static_cast<int>(AboutControl::Url):
            if (HIWORD(wparam) == STN_CLICKED)
                onUrlClick();
            return 0;
        default:
            break;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lparam) == control(AboutControl::Url)) {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, RGB(0, 0, 255));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wparam) == control(AboutControl::Url)) {
            SetCursor(LoadCursorA(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return defaultHandle(msg, wparam, lparam);
}

}  // namespace talkpost
