// The placement and form-state stores: loading on show, saving on close and
// on destroy, and the guard that keeps a fixed-size window from resizing.
#include "settings/placement_store_win.h"

#include <windows.h>

#include "settings/ini_rules.h"
#include "win/prompts_win.h"

namespace talkpost::settings {
namespace {

Placement fromWindowPlacement(const WINDOWPLACEMENT& wp)
{
    Placement p;
    p.flags = wp.flags;
    p.showCmd = static_cast<int>(wp.showCmd);
    p.minPosition = {wp.ptMinPosition.x, wp.ptMinPosition.y};
    p.maxPosition = {wp.ptMaxPosition.x, wp.ptMaxPosition.y};
    p.normal = {wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                wp.rcNormalPosition.bottom};
    return p;
}

void toWindowPlacement(const Placement& p, WINDOWPLACEMENT& wp)
{
    wp.flags = p.flags;
    wp.ptMinPosition = {p.minPosition.x, p.minPosition.y};
    wp.ptMaxPosition = {p.maxPosition.x, p.maxPosition.y};
    wp.rcNormalPosition = {p.normal.left, p.normal.top, p.normal.right, p.normal.bottom};
}

}  // namespace

ScreenInfo currentScreen()
{
    ScreenInfo screen;
    screen.width = GetSystemMetrics(SM_CXSCREEN);
    screen.height = GetSystemMetrics(SM_CYSCREEN);
    HDC dc = GetDC(nullptr);
    screen.pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return screen;
}

PlacementStore::PlacementStore(Window& window, SettingsFile& settings, PlacementConfig config)
    : window_(window), settings_(settings), config_(std::move(config))
{
    previousShow_ = window_.onShow;
    previousCloseQuery_ = window_.onCloseQuery;
    previousDestroy_ = window_.onDestroy;
    window_.onShow = [this] { handleShow(); };
    window_.onCloseQuery = [this](bool& canClose) { handleCloseQuery(canClose); };
    window_.onDestroy = [this] { handleDestroy(); };
    if (config_.preventResize) {
        HWND hwnd = window_.hwnd();
        LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        if (style & WS_MAXIMIZEBOX) {
            SetWindowLongPtrA(hwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_MAXIMIZEBOX));
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        hook_ = window_.addMessageHook(
            [this](UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) { guardSize(msg, wparam, lparam, result); });
    }
}

PlacementStore::~PlacementStore()
{
    if (hook_ != 0)
        window_.removeMessageHook(hook_);
    window_.onShow = previousShow_;
    window_.onCloseQuery = previousCloseQuery_;
    window_.onDestroy = previousDestroy_;
}

bool PlacementStore::isMainWindow() const
{
    HWND hwnd = window_.hwnd();
    return GetWindow(hwnd, GW_OWNER) == nullptr && (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) == 0;
}

void PlacementStore::handleShow()
{
    if (config_.active) {
        try {
            loadWindowSettings();
        } catch (...) {
            reportException(window_.windowPrompts(), window_.hwnd());
        }
    }
    if (previousShow_)
        previousShow_();
}

void PlacementStore::handleCloseQuery(bool& canClose)
{
    if (previousCloseQuery_)
        previousCloseQuery_(canClose);
    if (canClose && config_.active) {
        try {
            saveWindowSettings();
        } catch (...) {
            reportException(window_.windowPrompts(), window_.hwnd());
        }
    }
}

void PlacementStore::handleDestroy()
{
    if (config_.active && !saved_) {
        destroying_ = true;
        try {
            saveWindowSettings();
        } catch (...) {
            reportException(window_.windowPrompts(), window_.hwnd());
        }
        destroying_ = false;
    }
    if (previousDestroy_)
        previousDestroy_();
}

void PlacementStore::loadWindowSettings()
{
    saved_ = false;
    const Settings& values = settings_.values();
    const WindowSettings& stored = windowSettings(values, config_.part);
    if (stored.formVersion.value_or(0) >= config_.version) {
        readWindowPlacement(stored);
        loadControlValues(values);
    }
    restored_ = true;
    if (!config_.preventResize)
        moveMaximizedPositionOffScreen();
}

void PlacementStore::saveWindowSettings()
{
    if (!restored_ && config_.active)
        return;
    settings_.save(config_.part, [this](Settings& values) {
        WindowSettings& stored = windowSettings(values, config_.part);
        stored.formVersion = config_.version;
        writeWindowPlacement(stored);
        stored.visible = destroying_;
        storeControlValues(values);
    });
    saved_ = true;
}

void PlacementStore::readWindowPlacement(const WindowSettings& stored)
{
    HWND hwnd = window_.hwnd();
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd, &wp))
        return;
    bool visible = IsWindowVisible(hwnd) != 0;
    if (!visible)
        wp.showCmd = SW_HIDE;  // setting the placement must not show the window

    if (config_.restorePosition) {
        ScreenInfo screen = config_.screen();
        std::string suffix = screenSuffix(screen.width, screen.height);
        StoredPosition position;
        position.flags = static_cast<unsigned>(stored.flags.value_or(static_cast<int>(wp.flags)));
        position.minMaxText = stored.minMaxPosFor(suffix);
        position.normText = stored.normPosFor(suffix);
        position.pixelsPerInch = stored.pixelsPerInch.value_or(screen.pixelsPerInch);
        bool sizeable = (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_THICKFRAME) != 0;
        if (auto placement = restoredPlacement(fromWindowPlacement(wp), position, screen.pixelsPerInch, sizeable)) {
            toWindowPlacement(*placement, wp);
            SetWindowPlacement(hwnd, &wp);
        }
    }

    if (config_.restoreState) {
        WindowState state = stateForShowCmd(stored.showCmd.value_or(0), WindowState::Normal);
        if (state == WindowState::Minimized && isMainWindow()) {
            // The window itself stays normal; the program as a whole starts minimized.
            PostMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return;
        }
        if (!visible) {
            // Not shown yet: the state takes effect once the window appears.
            if (state != WindowState::Normal)
                PostMessageA(hwnd, WM_SYSCOMMAND, state == WindowState::Minimized ? SC_MINIMIZE : SC_MAXIMIZE, 0);
        } else {
            ShowWindow(hwnd, state == WindowState::Minimized   ? SW_MINIMIZE
                             : state == WindowState::Maximized ? SW_MAXIMIZE
                                                               : SW_RESTORE);
        }
        InvalidateRect(hwnd, nullptr, TRUE);
    }
}

void PlacementStore::writeWindowPlacement(WindowSettings& stored)
{
    HWND hwnd = window_.hwnd();
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd, &wp);
    if (isMainWindow() && IsIconic(hwnd))
        wp.showCmd = SW_SHOWMINIMIZED;
    ScreenInfo screen = config_.screen();
    std::string suffix = screenSuffix(screen.width, screen.height);
    std::string minMax = formatFour(wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x, wp.ptMaxPosition.y);
    const RECT& r = wp.rcNormalPosition;
    std::string norm = formatFour(r.left, r.top, r.right, r.bottom);
    stored.flags = static_cast<int>(wp.flags);
    stored.showCmd = static_cast<int>(wp.showCmd);
    stored.pixelsPerInch = screen.pixelsPerInch;
    stored.minMaxPos[suffix] = minMax;
    stored.minMaxPos[""] = minMax;
    stored.normPos[suffix] = norm;
    stored.normPos[""] = norm;
}

void PlacementStore::moveMaximizedPositionOffScreen()
{
    HWND hwnd = window_.hwnd();
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(hwnd, &wp))
        return;
    if (!IsWindowVisible(hwnd))
        wp.showCmd = SW_HIDE;
    LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
    int x = 0;
    int y = 0;
    if (style & WS_THICKFRAME) {
        x = GetSystemMetrics(SM_CXFRAME);
        y = GetSystemMetrics(SM_CYFRAME);
    } else if (exStyle & WS_EX_DLGMODALFRAME) {
        x = GetSystemMetrics(SM_CXDLGFRAME);
        y = GetSystemMetrics(SM_CYDLGFRAME);
    } else if (style & WS_BORDER) {
        x = GetSystemMetrics(SM_CXBORDER);
        y = GetSystemMetrics(SM_CYBORDER);
    }
    wp.ptMaxPosition = {-x, -y};
    SetWindowPlacement(hwnd, &wp);
}

void PlacementStore::guardSize(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result)
{
    HWND hwnd = window_.hwnd();
    switch (msg) {
    case WM_GETMINMAXINFO:
        if (hwnd != nullptr && IsWindowVisible(hwnd) && !window_.rescaling()) {
            RECT r{};
            GetWindowRect(hwnd, &r);
            auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
            info->ptMinTrackSize = {r.right - r.left, r.bottom - r.top};
            info->ptMaxTrackSize = info->ptMinTrackSize;
        }
        break;
    case WM_NCHITTEST:
        if (result >= HTLEFT && result <= HTBOTTOMRIGHT)
            result = HTNOWHERE;
        break;
    case WM_INITMENUPOPUP:
        if (HIWORD(lparam) != 0) {
            HMENU menu = reinterpret_cast<HMENU>(wparam);
            EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
            EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
        }
        break;
    default:
        break;
    }
}

FormStateStore::FormStateStore(Window& window, SettingsFile& settings, PlacementConfig config, StoredValuesHost& host)
    : PlacementStore(window, settings, std::move(config)), host_(host)
{
}

void FormStateStore::loadControlValues(const Settings& settings)
{
    setRestored();
    host_.restoreStoredValues(settings.storedValues);
}

void FormStateStore::storeControlValues(Settings& settings) { settings.storedValues = host_.storedValues(); }

}  // namespace talkpost::settings
