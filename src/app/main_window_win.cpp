// The main window: layout, menus, the log pane and status bar, Send and
// Send to all, and the computer field's DEL key and pop-up menu.
#include "app/main_window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/launcher_win.h"
#include "app/main_rules.h"
#include "app/msg_command.h"
#include "app/send_to_all_plan.h"
#include "computers/computer_files_win.h"
#include "nettools/ping_win.h"
#include "nettools/remote_desktop.h"
#include "settings/ini_rules.h"
#include "base/app_error.h"
#include "settings/settings_file_win.h"
#include "update/live_update_win.h"
#include "win/controls_win.h"
#include "win/dpi_win.h"
#include "win/folders_win.h"
#include "win/menus_win.h"
#include "win/prompts_win.h"
#include "win/text_win.h"

namespace talkpost {
namespace {

constexpr COLORREF kBackground = RGB(200, 219, 238);
constexpr unsigned kEchoTimeoutMs = 5000;
constexpr int kLogCapacity = 16777215;
// Status bar panels: the text, the progress bar, the result text.
constexpr int kStatusTextWidth = 320, kStatusProgressWidth = 160, kStatusResultWidth = 130;
constexpr int kComputerFieldVisibleEntries = 12;
constexpr int kTipWidth = 300;
// The time field's spin buttons' width at 100 %.
constexpr int kSpinWidth = 16;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr int kResultPanel = 2;
// The widest value the time field holds, and the room the caret takes beside it.
constexpr const char* kWidestTime = "20000";
constexpr int kCaretRoom = 2;
// The scan's menu entry, and what it reads while the scan runs.
constexpr const char* kScanCaption = "&Scan network";
constexpr const char* kStopScanCaption = "&Stop scan";
// The dispatch's wake-up: something came back from its threads.
constexpr UINT kDispatchMail = WM_APP + 40;
// The scan's wake-up: its worker found something or ended.
constexpr UINT kScanMail = WM_APP + 41;

// The log pane: an edit that is only ever appended to.
class AppendOnlyEdit : public Edit {
public:
    explicit AppendOnlyEdit(HWND hwnd) : Edit(hwnd) {}
    // Whether the text (of the given length) is empty or ends with a line
    // break: its last line then starts at its end. Asks for the last line
    // only, so that a long log is not copied for every line added.
    bool endsWithLineBreak(int length) const
    {
        int lines = static_cast<int>(send(EM_GETLINECOUNT));
        return length == 0 || static_cast<int>(send(EM_LINEINDEX, static_cast<WPARAM>(lines - 1))) == length;
    }
};

// An edit whose inner margins the layout needs to know.
class MarginedEdit : public Edit {
public:
    explicit MarginedEdit(HWND hwnd) : Edit(hwnd) {}
    // Left and right margin together, in pixels.
    int margins() const
    {
        auto both = static_cast<DWORD>(send(EM_GETMARGINS));
        return LOWORD(both) + HIWORD(both);
    }
};

// The message editor and the log pane keep every key but Tab and Escape: Tab
// and Shift+Tab move on, and Escape does nothing (the multi-line edit would
// otherwise close the window). They are subclassed through their window
// procedure, the edit's own kept in their user data, and not through the
// common controls' subclass list: under Wine that list is a window property,
// and every message to the window reads it from the window server, three
// round trips each. The log pane takes a dozen messages for every batch of
// lines appended, and while many commands start the server is slow to answer.
LRESULT CALLBACK paneProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    auto edit = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    auto isKey = [](UINT m) { return m == WM_KEYDOWN || m == WM_CHAR; };
    if (msg == WM_GETDLGCODE) {
        LRESULT code = CallWindowProcW(edit, hwnd, msg, wparam, lparam);
        auto* pending = reinterpret_cast<MSG*>(lparam);
        if (pending != nullptr && isKey(pending->message) &&
            (pending->wParam == VK_TAB || pending->wParam == VK_ESCAPE))
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        return code;
    }
    if (isKey(msg) && wparam == VK_ESCAPE)
        return 0;
    return CallWindowProcW(edit, hwnd, msg, wparam, lparam);
}

void subclassPane(HWND pane)
{
    SetWindowLongPtrW(pane, GWLP_USERDATA, GetWindowLongPtrW(pane, GWLP_WNDPROC));
    SetWindowLongPtrW(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&paneProc));
}

// The window's fonts by their designed character heights: the fields', the message editor's and the log's.
constexpr int kFontHeight = 11, kRichFontHeight = 13, kLogFontHeight = 8;

HFONT makeFont(int pixelHeight, Dpi dpi)
{
    return createScaledFont("MS Sans Serif", -pixelHeight, FW_NORMAL, ANSI_CHARSET, dpi);
}

// The client-area layout in designed pixels; tab order is creation order
// among the tab stops: computer field, user field, message editor, log pane,
// time field.
constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
// The computer field's closed height; its window is taller by the list it drops down.
constexpr int kComputerFieldHeight = 21;
const ControlRow kFields[] = {
    {id(MainId::ComputerLabel), "STATIC", 16, 40, 153, 13, "Computer", kLabel},
    {id(MainId::ComputerField), WC_COMBOBOXA, 16, 56, 153, kComputerFieldHeight + 12 * 15, "",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL},
    {id(MainId::UserLabel), "STATIC", 174, 40, 129, 13, "User:", kLabel},
    {id(MainId::UserField), "EDIT", 174, 56, 129, 21, "*", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE},
    {id(MainId::MessageLabel), "STATIC", 16, 82, 361, 13, "Message:", kLabel},
    {id(MainId::MessageEditor), "EDIT", 16, 96, 361, 97, "",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
         ES_WANTRETURN,
     WS_EX_CLIENTEDGE},
    {id(MainId::LogLabel), "STATIC", 16, 194, 361, 13, "Log:", kLabel},
    {id(MainId::LogPane), "EDIT", 16, 208, 361, 97, "",
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
         ES_READONLY,
     WS_EX_CLIENTEDGE},
    {id(MainId::TimeLabel), "STATIC", 320, 40, 57, 13, "Time:", kLabel},
    {id(MainId::TimeField), "EDIT", 320, 56, 57, 22, "60", WS_VISIBLE | WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE},
};
// The tool bar across the top.
constexpr RECT kToolBarPlace{3, 1, 3 + 552, 1 + 26};

// A 16 x 16 menu image drawn by hand: the pop-up entries carry small pictures.
HBITMAP makeMenuImage(bool monitor)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 16;
    info.bmiHeader.biHeight = -16;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        return nullptr;
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            DWORD argb = 0;  // transparent
            if (monitor) {
                bool frame = y >= 2 && y <= 11 && x >= 1 && x <= 14;
                bool screen = y >= 3 && y <= 10 && x >= 2 && x <= 13;
                bool foot = (y == 12 && x >= 7 && x <= 8) || (y == 13 && x >= 4 && x <= 11);
                if (screen)
                    argb = 0xFF3A78C8;
                else if (frame || foot)
                    argb = 0xFF303030;
            } else {
                int dx = x - 7, dy = y - 7;
                int r2 = dx * dx + dy * dy;
                if (r2 <= 9)
                    argb = 0xFF20A040;
                else if (r2 >= 25 && r2 <= 36)
                    argb = 0xFF20A040;
            }
            pixels[y * 16 + x] = argb;
        }
    return bitmap;
}

}  // namespace

MainWindow::MainWindow(Prompts& prompts, std::vector<std::string> arguments, settings::SettingsFile* settings,
                       std::string icmpLibrary)
    : Window(prompts),
      arguments_(std::move(arguments)),
      ownSettings_(settings ? nullptr : std::make_unique<settings::SettingsFile>()),
      settings_(settings ? *settings : *ownSettings_)
{
    Dpi startDpi = screenDpi();
    font_.reset(makeFont(kFontHeight, startDpi));
    richFont_.reset(makeFont(kRichFontHeight, startDpi));
    logFont_.reset(makeFont(kLogFontHeight, startDpi));
    background_.reset(CreateSolidBrush(kBackground));
    blackBrush_.reset(CreateSolidBrush(RGB(0, 0, 0)));
    whiteBrush_.reset(CreateSolidBrush(RGB(255, 255, 255)));

    HICON icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
    create("TalkpostMainWindow", kExStyle, "Orvanta-Messanger", kStyle, kLeft, kTop, kWidth, kHeight, nullptr, nullptr,
           static_cast<HBRUSH>(background_.get()), icon);
    if (hwnd() == nullptr)
        throw AppError("The main window cannot be created");

    createMenus();
    createToolBar();
    createFields();
    createStatusBar();
    createTooltips();
    // The designed size holds at 100 %; at another scale the client area
    // grows by the scale and the frame is the one of that scale.
    Dpi dpi = dpiOf(hwnd());
    scaleTo(dpi.value());
    if (dpi.value() != Dpi::kDesigned) {
        SIZE frame = scaledFrameSize(kWidth, kHeight, kStyle, kExStyle, true, dpi);
        SetWindowPos(hwnd(), nullptr, 0, 0, frame.cx, frame.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    dispatch_ = std::make_unique<MessageDispatch>(hwnd(), kDispatchMail, dispatchView(), std::move(icmpLibrary));
    scan_ = std::make_unique<NetworkScan>(hwnd(), kScanMail, *computers_, *this);
    onShow = [this] { formShow(); };
}

MainWindow::~MainWindow()
{
    // The interpreters keep running; only the waits for them end here.
    dispatch_.reset();
    scan_.reset();
    if (tooltip_ != nullptr)
        DestroyWindow(tooltip_);
}

DispatchView MainWindow::dispatchView()
{
    DispatchView view;
    view.appendLog = [this](const std::string& line) { appendLog(line); };
    view.showProgress = [this](const std::string& text) {
        if (!sendToAllRunning() && text.empty()) {
            setStatusText(0, statusBeforeSendToAll_);
            return;
        }
        setStatusText(0, text);
    };
    view.sendToAllRunning = [this](bool running) {
        if (running)
            statusBeforeSendToAll_ = statusText(0);
        ToolBar(control(id(MainId::ToolBar))).setButtonText(id(MainId::SendToAllButton), running ? "Stop" : "SendToAll");
    };
    view.selectEntry = [this](std::size_t index) { computers_->select(static_cast<int>(index)); };
    view.showError = [this](const std::string& message) { prompts_.standardError(hwnd(), message); };
    return view;
}

// ---------------------------------------------------------------------------
// Commands: each named once, with its caption, its place, its accelerator and
// its handler; the menus, the tool bar, the accelerators and the dispatch
// are built from this table.

enum class CommandPlace { ToolBar, SettingsMenu, ToolsMenu, HelpMenu, ComputerPopup };
enum class MenuImage { None, Echo, Monitor };

struct MainWindow::CommandRow {
    MainId id;
    const char* caption;
    CommandPlace place;
    void (MainWindow::*handler)();
    int toolBarWidth = 0;  // the designed width of a tool bar button
    bool checkedAtStart = false;
    MenuImage image = MenuImage::None;
    BYTE acceleratorModifiers = 0;  // FCONTROL, FSHIFT, FALT; with the key a virtual key
    WORD acceleratorKey = 0;
};

const std::vector<MainWindow::CommandRow>& MainWindow::commands()
{
    using P = CommandPlace;
    static const std::vector<CommandRow> rows = {
        {MainId::SendButton, "Send", P::ToolBar, &MainWindow::onSend, 40, false, MenuImage::None, FCONTROL, VK_RETURN},
        {MainId::SendToAllButton, "SendToAll", P::ToolBar, &MainWindow::onSendToAll, 64},
        {MainId::AutoSave, "&AutoSave", P::SettingsMenu, &MainWindow::onAutoSave, 0, true},
        {MainId::Exit, "E&xit", P::SettingsMenu, &MainWindow::onExit},
        {MainId::ScanNetwork, kScanCaption, P::ToolsMenu, &MainWindow::onScanNetwork},
        {MainId::EditComputerList, "&Edit Computer", P::ToolsMenu, &MainWindow::onEditComputerList},
        {MainId::ComputersFromDirectory, "Computers from &Directory...", P::ToolsMenu,
         &MainWindow::onComputersFromDirectory},
        {MainId::ImportComputers, "&Import Computers...", P::ToolsMenu, &MainWindow::onImportComputers},
        {MainId::ExportComputers, "E&xport Computers...", P::ToolsMenu, &MainWindow::onExportComputers},
        {MainId::ClientHelp, "How to enable Clients", P::HelpMenu, &MainWindow::onHowToEnableClients},
        {MainId::LiveUpdate, "LiveUpdate", P::HelpMenu, &MainWindow::onLiveUpdate},
        {MainId::About, "&Info", P::HelpMenu, &MainWindow::onAbout},
        {MainId::Ping, "Ping", P::ComputerPopup, &MainWindow::onPing, 0, false, MenuImage::Echo},
        {MainId::RemoteDesktop, "RemoteDesktop", P::ComputerPopup, &MainWindow::onRemoteDesktop, 0, false,
         MenuImage::Monitor},
    };
    return rows;
}

namespace {

// The main menu's pop-ups, left to right.
const std::pair<CommandPlace, const char*> kMenus[] = {
    {CommandPlace::SettingsMenu, "&Settings"}, {CommandPlace::ToolsMenu, "&Tools"}, {CommandPlace::HelpMenu, "?"}};

// Tool bar buttons: indent before the first, height, and the room a caption needs beyond its text.
constexpr int kToolBarIndent = 6;
constexpr int kToolBarButtonHeight = 22;
constexpr int kToolBarCaptionPadding = 14;

}  // namespace

void MainWindow::createMenus()
{
    auto entries = [this](CommandPlace place) {
        std::vector<MenuEntry> list;
        for (const CommandRow& row : commands()) {
            if (row.place != place)
                continue;
            HBITMAP image = nullptr;
            if (row.image != MenuImage::None) {
                menuImages_.emplace_back(makeMenuImage(row.image == MenuImage::Monitor));
                image = static_cast<HBITMAP>(menuImages_.back().get());
            }
            list.push_back({id(row.id), row.caption, row.checkedAtStart, image});
        }
        return list;
    };
    std::vector<std::pair<const char*, UniqueMenu>> popups;
    for (const auto& [place, caption] : kMenus)
        popups.emplace_back(caption, makePopupMenu(entries(place)));
    mainMenu_ = makeMenuBar(std::move(popups));
    SetMenu(hwnd(), mainMenu_);
    popup_ = makePopupMenu(entries(CommandPlace::ComputerPopup));

    std::vector<AcceleratorEntry> keys;
    for (const CommandRow& row : commands())
        if (row.acceleratorKey != 0)
            keys.push_back({id(row.id), row.acceleratorModifiers, row.acceleratorKey});
    accelerators_ = makeAcceleratorTable(keys);
}

void MainWindow::createToolBar()
{
    // The dock holds one locked tool bar across the window; its buttons take no focus.
    ToolBar bar(CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                                WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | CCS_NORESIZE |
                                    CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                kToolBarPlace.left, kToolBarPlace.top, kToolBarPlace.right - kToolBarPlace.left,
                                kToolBarPlace.bottom - kToolBarPlace.top, hwnd(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id(MainId::ToolBar))),
                                GetModuleHandleA(nullptr), nullptr));
    bar.prepare(kToolBarIndent);
    std::vector<TBBUTTON> buttons;
    for (const CommandRow& row : commands()) {
        if (row.place != CommandPlace::ToolBar)
            continue;
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = id(row.id);
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(row.caption);
        buttons.push_back(button);
    }
    bar.addButtons(buttons);
}

void MainWindow::scaleToolBar(Dpi dpi)
{
    ToolBar bar(control(id(MainId::ToolBar)));
    bar.setFont(static_cast<HFONT>(font_.get()));
    bar.prepare(dpi.scale(kToolBarIndent));
    bar.setButtonSize(dpi.scale(commands().front().toolBarWidth), dpi.scale(kToolBarButtonHeight));
    // The designed widths, widened where the font on this system needs more
    // room for the caption than the designed one did.
    for (const CommandRow& row : commands())
        if (row.place == CommandPlace::ToolBar)
            bar.setButtonWidth(id(row.id), std::max(dpi.scale(row.toolBarWidth),
                                                    textWidth(bar.hwnd(), row.caption) +
                                                        dpi.scale(kToolBarCaptionPadding)));
    placeControl(bar.hwnd(), kToolBarPlace.left, kToolBarPlace.top, kToolBarPlace.right - kToolBarPlace.left,
                 kToolBarPlace.bottom - kToolBarPlace.top, dpi);
}

void MainWindow::createFields()
{
    createControls(kFields, std::size(kFields), static_cast<HFONT>(font_.get()));
    Edit editor(control(id(MainId::MessageEditor)));
    Edit log(control(id(MainId::LogPane)));
    log.setLimit(kLogCapacity);
    editor.setLimit(0);

    HWND combo = control(id(MainId::ComputerField));
    computers_ = std::make_unique<ComputerList>(combo);
    for (const char* entry : {"*", "Remote01", "Remote02"})
        computers_->add(entry);
    ComboBox(combo).setMinVisible(kComputerFieldVisibleEntries);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(combo, &info) && info.hwndItem != nullptr)
        SetWindowSubclass(info.hwndItem, &MainWindow::fieldSubclass, id(MainId::ComputerField),
                          reinterpret_cast<DWORD_PTR>(this));

    // The time field: an integer spin edit from 60 to 20000.
    HWND time = control(id(MainId::TimeField));
    HWND spin = CreateWindowExA(0, UPDOWN_CLASSA, "",
                                WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS |
                                    UDS_NOTHOUSANDS,
                                0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id(MainId::TimeSpin))),
                                GetModuleHandleA(nullptr), nullptr);
    UpDown(spin).setBuddy(time);
    UpDown(spin).setRange(settings::kMinTimeValue, settings::kMaxTimeValue);
    UpDown(spin).setPosition(settings::kMinTimeValue);
    SetWindowSubclass(time, &MainWindow::fieldSubclass, id(MainId::TimeField), reinterpret_cast<DWORD_PTR>(this));
    for (MainId pane : {MainId::MessageEditor, MainId::LogPane})
        subclassPane(control(id(pane)));
}

int MainWindow::timeFieldTextRoom() const
{
    HWND time = control(id(MainId::TimeField));
    RECT client{};
    GetClientRect(time, &client);
    return client.right - client.left - MarginedEdit(time).margins();
}

RECT MainWindow::placeOf(HWND child) const
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MainWindow::fitTimeField()
{
    // The designed width holds five digits in the designed font; the font this
    // system gives may need more. Then the field grows to the left, its label
    // with it, and its right edge (the spin buttons') stays where it was.
    HWND time = control(id(MainId::TimeField));
    int missing = textWidth(time, kWidestTime) + kCaretRoom - timeFieldTextRoom();
    if (missing <= 0)
        return;
    // Only the left edge moves: the field and its buttons keep their right edges.
    RECT field = placeOf(time);
    int left = field.left - missing;
    MoveWindow(time, left, field.top, field.right - left, field.bottom - field.top, FALSE);
    HWND label = control(id(MainId::TimeLabel));
    RECT caption = placeOf(label);
    MoveWindow(label, left, caption.top, caption.right - left, caption.bottom - caption.top, FALSE);
}

void MainWindow::createStatusBar()
{
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id(MainId::StatusBar))),
                               GetModuleHandleA(nullptr), nullptr);
    StatusBar(bar).setText(0, "Command");
    HWND progress = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, bar,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id(MainId::Progress))),
                                    GetModuleHandleA(nullptr), nullptr);
    ProgressBar(progress).setRange(0, 100);
    ProgressBar(progress).setPosition(0);
}

void MainWindow::scaleStatusBar(Dpi dpi)
{
    StatusBar status(control(id(MainId::StatusBar)));
    status.setFont(static_cast<HFONT>(font_.get()));
    status.setParts({dpi.scale(kStatusTextWidth), dpi.scale(kStatusTextWidth + kStatusProgressWidth),
                     dpi.scale(kStatusTextWidth + kStatusProgressWidth + kStatusResultWidth)});
    status.fitToParent();
    RECT part = status.panelRect(1);
    SetWindowPos(GetDlgItem(status.hwnd(), id(MainId::Progress)), nullptr, part.left + 1, part.top + 1,
                 part.right - part.left - 2, part.bottom - part.top - 2, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::scaleTo(int dpiValue)
{
    Dpi dpi(dpiValue);
    rememberDpi(hwnd(), dpi);
    // New fonts first; the old ones go once no control uses them.
    UniqueGdiObject font(makeFont(kFontHeight, dpi)), richFont(makeFont(kRichFontHeight, dpi)),
        logFont(makeFont(kLogFontHeight, dpi));
    for (const ControlRow& field : kFields)
        Control(control(field.id)).setFont(static_cast<HFONT>(font.get()));
    Control(control(id(MainId::MessageEditor))).setFont(static_cast<HFONT>(richFont.get()));
    Control(control(id(MainId::LogPane))).setFont(static_cast<HFONT>(logFont.get()));
    std::swap(font_, font);
    std::swap(richFont_, richFont);
    std::swap(logFont_, logFont);

    scaleToolBar(dpi);
    placeControls(hwnd(), kFields, std::size(kFields), dpi);
    // The computer field's closed height comes from its font; it is made the designed one scaled.
    HWND combo = control(id(MainId::ComputerField));
    RECT closed{};
    GetWindowRect(combo, &closed);
    int missing = dpi.scale(kComputerFieldHeight) - (closed.bottom - closed.top);
    if (missing != 0 && dpi.value() != Dpi::kDesigned)
        SendMessageA(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                     SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0) + missing);
    // The spin buttons take the right end of the time field's place again,
    // as wide as the scale makes them (the system gives them their 100 % width).
    HWND time = control(id(MainId::TimeField));
    HWND spin = control(id(MainId::TimeSpin));
    UpDown(spin).setBuddy(time);
    RECT field = placeOf(time), buttons = placeOf(spin);
    int wider = dpi.scale(kSpinWidth) - (buttons.right - buttons.left);
    if (wider > 0) {
        SetWindowPos(spin, nullptr, buttons.left - wider, buttons.top, buttons.right - buttons.left + wider,
                     buttons.bottom - buttons.top, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(time, nullptr, 0, 0, field.right - field.left - wider, field.bottom - field.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    fitTimeField();
    scaleStatusBar(dpi);
    if (tooltip_ != nullptr)
        ToolTip(tooltip_).setMaxWidth(dpi.scale(kTipWidth));
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void MainWindow::createTooltips()
{
    // Only the computer field and the time field show their hints.
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0,
                               0, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ToolTip(tooltip_).setMaxWidth(dpiOf(hwnd()).scale(kTipWidth));
    auto addTip = [this](HWND tool, const char* text) {
        std::wstring wide = widen(text);
        TOOLINFOW info{};
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd();
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = wide.data();
        ToolTip(tooltip_).addTool(info);
    };
    HWND combo = control(id(MainId::ComputerField));
    addTip(combo, "hit DEL to delete selected Entry");
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(combo, &info) && info.hwndItem != nullptr)
        addTip(info.hwndItem, "hit DEL to delete selected Entry");
    addTip(control(id(MainId::TimeField)), "Specifying a time in seconds the message wait for the receiver to confirm.");
}

// ---------------------------------------------------------------------------
// Fields

std::string MainWindow::userText() const { return windowText(control(id(MainId::UserField))); }
std::string MainWindow::timeText() const { return windowText(control(id(MainId::TimeField))); }
std::string MainWindow::messageText() const { return windowText(control(id(MainId::MessageEditor))); }

bool MainWindow::autoSave() const
{
    return menuEntryChecked(mainMenu_, id(MainId::AutoSave));
}

std::string MainWindow::windowsDir() const { return windowsFolder(); }

void MainWindow::clampTimeField()
{
    if (auto corrected = correctedTimeText(timeText()))
        setTimeText(*corrected);
}

void MainWindow::setUserText(const std::string& text) { Control(control(id(MainId::UserField))).setText(text); }
void MainWindow::setTimeText(const std::string& text) { Control(control(id(MainId::TimeField))).setText(text); }
void MainWindow::setMessageText(const std::string& text) { Control(control(id(MainId::MessageEditor))).setText(text); }

// ---------------------------------------------------------------------------
// Stored control values

settings::StoredValues MainWindow::storedValues() const
{
    settings::StoredValues values;
    values.computers = computers_->entries();
    values.user = userText();
    values.messageLines = splitCrLfLines(messageText());
    values.time = timeFieldValue(timeText());
    return values;
}

void MainWindow::restoreStoredValues(const settings::StoredValues& values)
{
    // A value that cannot be put in keeps the field's designed value; the others still load.
    auto put = [](const auto& value, const auto& apply) {
        try {
            if (value)
                apply(*value);
        } catch (...) {
        }
    };
    put(values.computers, [this](const std::vector<std::string>& items) { computers().replaceAll(items); });
    put(values.user, [this](const std::string& text) { setUserText(text); });
    put(values.messageLines, [this](const std::vector<std::string>& lines) { setMessageText(joinLines(lines)); });
    put(values.time, [this](int value) { setTimeText(std::to_string(settings::clampTimeValue(value))); });
}

// ---------------------------------------------------------------------------
// Log pane and status bar

void MainWindow::appendLog(const std::string& line)
{
    AppendOnlyEdit log(control(id(MainId::LogPane)));
    int length = log.length();
    std::string piece = logAppendText(log.endsWithLineBreak(length) ? "\r\n" : "?", line);
    // The text goes in at the end without moving the view or the selection;
    // then the pane scrolls one page down from where the reader left it.
    int shownFirst = log.firstVisibleLine();
    DWORD selStart = 0, selEnd = 0;
    log.selection(selStart, selEnd);
    log.setRedraw(false);
    log.select(length, length);
    log.replaceSelection(piece);
    log.select(static_cast<int>(selStart), static_cast<int>(selEnd));
    log.scrollLines(shownFirst - log.firstVisibleLine());
    log.setRedraw(true);
    log.invalidate();
    logTextChange();
}

std::string MainWindow::logText() const { return windowText(control(id(MainId::LogPane))); }

void MainWindow::logTextChange()
{
    // One page down after every change; the caret and the selection stay.
    Edit(control(id(MainId::LogPane))).scroll(SB_PAGEDOWN);
}

void MainWindow::setStatusText(int panel, const std::string& text)
{
    StatusBar(control(id(MainId::StatusBar))).setText(panel, text);
}

std::string MainWindow::statusText(int panel) const { return StatusBar(control(id(MainId::StatusBar))).text(panel); }

void MainWindow::setProgressMax(int maximum)
{
    progressBar().setRange(0, maximum);
}

void MainWindow::setProgressPosition(int position)
{
    progressBar().setPosition(position);
}

ProgressBar MainWindow::progressBar() const
{
    return ProgressBar(GetDlgItem(control(id(MainId::StatusBar)), id(MainId::Progress)));
}

int MainWindow::progressPosition() const
{
    return progressBar().position();
}


// ---------------------------------------------------------------------------
// First show, Send, Send to all

void MainWindow::formShow()
{
    StartFields fields = startFields(arguments_);
    computers_->setTypedText(fields.computer);
    setUserText(fields.user);
    startDir_ = currentDirectory();
    if (features.startBanner)
        features.startBanner(*this);
}

bool MainWindow::longMessageConfirmed()
{
    auto question = longMessageQuestion(messageText());
    return !question || prompts_.box(hwnd(), *question, kConfirmationCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void MainWindow::showMessageLength(bool editing)
{
    // While the message editor has the focus the result panel counts its characters; after, its text is back.
    if (editing && !countingCharacters_)
        statusBeforeCounting_ = statusText(kResultPanel);
    if (editing)
        setStatusText(kResultPanel, messageLengthText(messageText()));
    else if (countingCharacters_)
        setStatusText(kResultPanel, statusBeforeCounting_);
    countingCharacters_ = editing;
}

bool MainWindow::refuse(const std::optional<std::string>& refusal)
{
    if (refusal)
        prompts_.information(hwnd(), *refusal);
    return refusal.has_value();
}

std::optional<std::string> MainWindow::messageFileText()
{
    CodePageText carried = toAnsiCodePage(messageText());
    if (auto question = uncarriedQuestion(carried.uncarried))
        if (prompts_.box(hwnd(), *question, kConfirmationCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return std::nullopt;
    return std::move(carried.bytes);
}

void MainWindow::launchCommand(const std::string& parameters)
{
    appendLog("cmd.exe " + parameters);
    fileExec("cmd.exe", parameters, SW_HIDE);
}

void MainWindow::onSend()
{
    std::string computer = computers_->typedText();
    if (refuse(sendRefusal({messageText(), computer, userText(), timeText()})) || !longMessageConfirmed())
        return;
    std::optional<std::string> text = messageFileText();
    if (!text)
        return;
    if (autoSave() && !computers_->isListed(computer))
        computers_->add(computer);
    auto file = MessageFile::write(*text);
    dispatch_->setParallelSends(settings_.values().parallelSends);
    dispatch_->send(computer, buildMsgCommand({windowsDir(), computer, timeText(), userText(), file->path()}), file);
}

void MainWindow::onSendToAll()
{
    if (dispatch_->sendToAllRunning()) {
        dispatch_->stopSendToAll();
        return;
    }
    if (refuse(sendToAllRefusal({messageText(), {}, userText(), timeText()})))
        return;
    std::vector<std::string> entries = computers_->entries();
    if (entries.empty() || !longMessageConfirmed())
        return;
    std::optional<std::string> text = messageFileText();
    if (!text)
        return;
    MessageDispatch::SendToAll run;
    run.entries = std::move(entries);
    run.windowsDir = windowsDir();
    run.time = timeText();
    run.user = userText();
    run.parallelSends = settings_.values().parallelSends;
    run.echoTimeoutMs = kEchoTimeoutMs;
    run.file = MessageFile::write(*text);
    dispatch_->startSendToAll(std::move(run));
}

void MainWindow::onComputerKeyDown(WPARAM key)
{
    if (computers_->selectedIndex() < 0 || key != VK_DELETE)
        return;
    if (prompts_.confirmation(hwnd(), "Eintrag l\xc3\xb6schen?") != Answer::Yes)  // "löschen"
        return;
    int index = computers_->selectedIndex();  // read again after the box
    if (index >= 0)
        computers_->remove(index);
}

// The selected list entry, not the typed text; empty when none is selected.
static std::string selectedEntry(ComputerList& list)
{
    int index = list.selectedIndex();
    return index >= 0 ? list.at(index) : std::string();
}

void MainWindow::onPing()
{
    dispatch_->ping(selectedEntry(*computers_));
}

void MainWindow::onRemoteDesktop()
{
    std::string entry = selectedEntry(*computers_);
    if (auto refusal = remoteDesktopRefusal(entry)) {
        prompts_.information(hwnd(), *refusal);
        return;
    }
    launchCommand(remoteDesktopParameters(systemFolder(), entry));
}

void MainWindow::onScanNetwork()
{
    if (scan_->running())
        scan_->stop();
    else
        scan_->start(network_);
}

void MainWindow::scanRunning(bool running)
{
    setMenuEntryCaption(mainMenu_, id(MainId::ScanNetwork), running ? kStopScanCaption : kScanCaption);
}

void MainWindow::showScanError(const std::string& message) { prompts_.standardError(hwnd(), message); }

void MainWindow::onImportComputers()
{
    if (std::optional<std::wstring> path = chooseListToImport(hwnd()))
        importComputersFrom(*path);
}

void MainWindow::importComputersFrom(const std::wstring& path) { appendLog(importComputers(*computers_, path)); }

void MainWindow::onExportComputers()
{
    if (std::optional<std::wstring> path = chooseExportFile(hwnd()))
        exportComputersTo(*path);
}

void MainWindow::exportComputersTo(const std::wstring& path)
{
    exportComputers(computers_->entries(), path);
    appendLog("Exported " + std::to_string(computers_->count()) + " computers to " + displayPath(path));
}

void MainWindow::onHowToEnableClients()
{
    prompts_.information(hwnd(), kClientHelpText);
}

void MainWindow::showComputerPopup(int x, int y)
{
    trackPopupMenu(popup_.get(), hwnd(), {x, y}, control(id(MainId::ComputerField)));
}

void MainWindow::runFeature(const std::function<void(MainWindow&)>& feature)
{
    // Entries whose feature is not plugged in do nothing.
    if (feature)
        feature(*this);
}

void MainWindow::onAutoSave()
{
    setMenuEntryChecked(mainMenu_, id(MainId::AutoSave), !autoSave());
}

void MainWindow::onExit() { close(); }

void MainWindow::onEditComputerList() { runFeature(features.editComputerList); }

void MainWindow::onComputersFromDirectory() { runFeature(features.computersFromDirectory); }

void MainWindow::onLiveUpdate() { liveUpdate_.run(hwnd(), settings_.values().updateServer); }

void MainWindow::onAbout() { runFeature(features.info); }

bool MainWindow::runCommand(int commandId)
{
    for (const CommandRow& row : commands())
        if (id(row.id) == commandId) {
            (this->*row.handler)();
            return true;
        }
    return false;
}

LRESULT MainWindow::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_COMMAND: {
        int commandId = LOWORD(wparam);
        int code = HIWORD(wparam);
        if (commandId == id(MainId::TimeField) && code == EN_KILLFOCUS)
            clampTimeField();
        else if (commandId == id(MainId::MessageEditor) && (code == EN_SETFOCUS || code == EN_KILLFOCUS))
            showMessageLength(code == EN_SETFOCUS);
        else if (commandId == id(MainId::MessageEditor) && code == EN_CHANGE)
            showMessageLength(countingCharacters_);
        else
            runCommand(commandId);  // a menu entry, an accelerator or a tool bar button; other notifications pass
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wparam);
        if (reinterpret_cast<HWND>(lparam) == control(id(MainId::LogPane))) {
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(whiteBrush_.get());
        }
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(background_.get());
    }
    case WM_CTLCOLOREDIT:
        if (reinterpret_cast<HWND>(lparam) == control(id(MainId::MessageEditor))) {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, RGB(255, 255, 255));
            SetBkColor(dc, RGB(0, 0, 0));
            return reinterpret_cast<LRESULT>(blackBrush_.get());
        }
        break;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wparam) == control(id(MainId::ComputerField))) {
            showComputerPopup(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
            return 0;
        }
        break;
    case WM_SIZE:
        StatusBar(control(id(MainId::StatusBar))).fitToParent();
        break;
    case WM_ACTIVATE:
        // As a dialog does: the focus goes back to the control that had it,
        // the computer field at first, so that Tab walks from there.
        if (LOWORD(wparam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(hwnd(), focus))
                lastFocus_ = focus;
        } else if (!IsIconic(hwnd())) {
            SetFocus(lastFocus_ != nullptr && IsWindow(lastFocus_) ? lastFocus_ : control(id(MainId::ComputerField)));
        }
        return 0;
    case kDispatchMail:
        dispatch_->onMail();
        return 0;
    case kScanMail:
        scan_->onMail();
        return 0;
    case WM_TIMER:
        if (wparam == MessageDispatch::kMailTimer) {
            dispatch_->onMail();
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return defaultHandle(msg, wparam, lparam);
}

LRESULT CALLBACK MainWindow::fieldSubclass(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR idSubclass,
                                           DWORD_PTR refData)
{
    auto* self = reinterpret_cast<MainWindow*>(refData);
    try {
        if (idSubclass == static_cast<UINT_PTR>(id(MainId::ComputerField))) {
            if (msg == WM_KEYDOWN)
                self->onComputerKeyDown(wparam);  // the key still reaches the edit part
            else if (msg == WM_CONTEXTMENU) {
                self->showComputerPopup(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
                return 0;
            }
        } else if (idSubclass == static_cast<UINT_PTR>(id(MainId::TimeField))) {
            if (msg == WM_CHAR) {
                // A Unicode field: wparam is a UTF-16 unit, and none past ASCII is a digit or a sign.
                if (wparam >= ' ' && (wparam >= 0x80 || !isTimeCharacter(static_cast<char>(wparam)))) {
                    MessageBeep(MB_OK);
                    return 0;
                }
            } else if (msg == WM_PASTE) {
                // Pasted text obeys the same rule as typed text.
                std::string pasted;
                if (OpenClipboard(hwnd)) {
                    if (HANDLE data = GetClipboardData(CF_TEXT)) {
                        if (const char* text = static_cast<const char*>(GlobalLock(data))) {
                            pasted = text;
                            GlobalUnlock(data);
                        }
                    }
                    CloseClipboard();
                }
                if (!isTimeText(pasted)) {
                    MessageBeep(MB_OK);
                    return 0;
                }
            }
        }
    } catch (...) {
        reportException(self->prompts_, self->hwnd());
        if (msg == WM_CONTEXTMENU)
            return 0;
    }
    return DefSubclassProc(hwnd, msg, wparam, lparam);
}

}  // namespace talkpost
