// The LiveUpdate dialog: one layout table for every page, the check list with
// rows that cannot be unchecked, the two progress bars, "View in Notepad", and
// the view operations the page flow calls.
#include "update/wizard/update_wizard_dialog_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

#include "base/app_error.h"
#include "win/controls_win.h"
#include "win/dpi_win.h"
#include "win/folders_win.h"
#include "win/menus_win.h"
#include "win/prompts_win.h"
#include "win/text_win.h"

namespace talkpost {
namespace {

// The page area's corner in the dialog: every page control is placed from it.
constexpr int kPageX = 136;
constexpr int kPageY = 8;
constexpr int kAllPages = -1;
constexpr UINT kActivated = WM_APP + 1;
// The worker's mail: a step has ended; the progress has moved.
constexpr UINT kStepEnded = WM_APP + 2;
constexpr UINT kProgressMoved = WM_APP + 3;
constexpr int kViewInNotepad = 1;

struct WizardLayoutRow {
    int page;
    ControlRow control;
};

int id(WizardControl c) { return static_cast<int>(c); }

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kWrapped = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kMemo = WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                        ES_AUTOVSCROLL | ES_AUTOHSCROLL;
constexpr DWORD kRadio = WS_TABSTOP | BS_AUTORADIOBUTTON;
constexpr DWORD kBar = PBS_SMOOTH;

// Positions are those within the page; the action button sits in the page's lower right corner.
const WizardLayoutRow kLayout[] = {
    {0, {id(WizardControl::WelcomeLabel), "STATIC", 0, 24, 263, 180, "", kWrapped}},
    {0, {id(WizardControl::StartButton), "BUTTON", 224, 224, 91, 25, "", kButton | BS_DEFPUSHBUTTON}},
    {1, {id(WizardControl::VersionInfoLabel), "STATIC", 0, 16, 300, 200, "", kWrapped}},
    {1, {id(WizardControl::ControlButton), "BUTTON", 224, 224, 91, 25, "", kButton}},
    {2, {id(WizardControl::WhatsNewHeading), "STATIC", 0, 8, 313, 15, "", kLabel}},
    {2, {id(WizardControl::WhatsNewMemo), "EDIT", 0, 24, 313, 193, "", kMemo}},
    {2, {id(WizardControl::NewButton), "BUTTON", 224, 224, 91, 25, "", kButton}},
    {3, {id(WizardControl::LicenseHeading), "STATIC", 0, 8, 313, 15, "", kLabel}},
    {3, {id(WizardControl::EulaMemo), "EDIT", 0, 24, 313, 193, "", kMemo}},
    {3, {id(WizardControl::AcceptRadio), "BUTTON", 1, 220, 224, 17, "", kRadio | WS_GROUP}},
    {3, {id(WizardControl::DeclineRadio), "BUTTON", 1, 238, 224, 17, "", kRadio}},
    {3, {id(WizardControl::EulaButton), "BUTTON", 224, 224, 91, 25, "", kButton | WS_GROUP | WS_DISABLED}},
    {4, {id(WizardControl::ComponentsHeading), "STATIC", 0, 8, 313, 15, "", kLabel}},
    {4, {id(WizardControl::ComponentList), "LISTBOX", 0, 24, 313, 193, "",
         WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
             LBS_NOINTEGRALHEIGHT}},
    {4, {id(WizardControl::FilesButton), "BUTTON", 224, 224, 91, 25, "", kButton}},
    {5, {id(WizardControl::DownloadHeading), "STATIC", 0, 8, 313, 15, "", kLabel}},
    {5, {id(WizardControl::FileProgressLabel), "STATIC", 0, 56, 150, 15, "", kLabel}},
    {5, {id(WizardControl::FileLabel), "STATIC", 152, 56, 161, 15, "", kLabel | SS_ENDELLIPSIS}},
    {5, {id(WizardControl::FileProgress), PROGRESS_CLASSA, 0, 80, 313, 17, "", kBar}},
    {5, {id(WizardControl::TotalProgressLabel), "STATIC", 0, 136, 313, 15, "", kLabel}},
    {5, {id(WizardControl::TotalProgress), PROGRESS_CLASSA, 0, 160, 313, 17, "", kBar}},
    {5, {id(WizardControl::CancelButton), "BUTTON", 224, 224, 91, 25, "", kButton}},
    {6, {id(WizardControl::CompleteHeading), "STATIC", 0, 8, 313, 15, "", kLabel}},
    {6, {id(WizardControl::RestartHint), "STATIC", 0, 96, 313, 45, "", kWrapped}},
    {6, {id(WizardControl::RestartButton), "BUTTON", 224, 224, 91, 25, "", kButton}},
};

WizardControl buttonControl(WizardButton button)
{
    switch (button) {
    case WizardButton::Start: return WizardControl::StartButton;
    case WizardButton::Control: return WizardControl::ControlButton;
    case WizardButton::New: return WizardControl::NewButton;
    case WizardButton::Eula: return WizardControl::EulaButton;
    case WizardButton::Files: return WizardControl::FilesButton;
    case WizardButton::Cancel: return WizardControl::CancelButton;
    case WizardButton::Restart: return WizardControl::RestartButton;
    }
    return WizardControl::StartButton;
}

// The action button of each page, by page number.
const WizardControl kPageButtons[] = {WizardControl::StartButton,  WizardControl::ControlButton,
                                      WizardControl::NewButton,    WizardControl::EulaButton,
                                      WizardControl::FilesButton,  WizardControl::CancelButton,
                                      WizardControl::RestartButton};

DWORD borderStyle(WizardBorderStyle border, DWORD& exStyle)
{
    exStyle = 0;
    switch (border) {
    case WizardBorderStyle::None: return WS_POPUP;
    case WizardBorderStyle::Single: return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER;
    case WizardBorderStyle::Sizeable: return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    case WizardBorderStyle::ToolWindow:
        exStyle = WS_EX_TOOLWINDOW;
        return WS_POPUP | WS_CAPTION | WS_SYSMENU;
    case WizardBorderStyle::SizeToolWindow:
        exStyle = WS_EX_TOOLWINDOW;
        return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    case WizardBorderStyle::Dialog: break;
    }
    exStyle = WS_EX_DLGMODALFRAME;
    return WS_POPUP | WS_CAPTION | WS_SYSMENU;
}

POINT openingPlace(WizardPosition position, HWND owner, int width, int height)
{
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    switch (position) {
    case WizardPosition::Designed:
    case WizardPosition::Default:
    case WizardPosition::DefaultPosOnly:
    case WizardPosition::DefaultSizeOnly:
        return {CW_USEDEFAULT, CW_USEDEFAULT};
    case WizardPosition::DesktopCenter:
        area = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        break;
    case WizardPosition::MainFormCenter:
    case WizardPosition::OwnerFormCenter:
        if (owner != nullptr)
            GetWindowRect(owner, &area);
        break;
    case WizardPosition::ScreenCenter: break;
    }
    return {area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
}

HFONT makeWizardFont(const WizardFont& font, Dpi dpi)
{
    return createPointFont(font.face.c_str(), font.points, font.bold ? FW_BOLD : FW_NORMAL, DEFAULT_CHARSET, dpi);
}

// Row data of the check list: checked, and whether the row may be unchecked.
constexpr LPARAM kRowChecked = 1;
constexpr LPARAM kRowMandatory = 2;
constexpr int kCheckBoxWidth = 16;
constexpr int kRowHeight = 18;
// A caption needs this much room beside its text to look like a button's.
constexpr int kButtonMargin = 16;
// The side picture's place.
constexpr RECT kBillboardPlace{9, 27, 9 + 116, 27 + 201};

// Our own billboard: a deep blue fading to a lighter one, the program's name
// and a rising arrow.
void drawOwnBillboard(HDC dc, const RECT& area, Dpi dpi)
{
    int bandHeight = dpi.scale(4);
    for (int y = 0; y < area.bottom; y += bandHeight) {
        int shade = 40 + (y * 120) / (area.bottom > 0 ? area.bottom : 1);
        HBRUSH band = CreateSolidBrush(RGB(shade / 3, shade / 2, shade + 60));
        RECT r{0, y, area.right, y + bandHeight};
        FillRect(dc, &r, band);
        DeleteObject(band);
    }
    HPEN pen = CreatePen(PS_SOLID, dpi.scale(6), RGB(255, 200, 40));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    int cx = area.right / 2;
    MoveToEx(dc, cx, area.bottom - dpi.scale(24), nullptr);
    LineTo(dc, cx, area.bottom - dpi.scale(96));
    MoveToEx(dc, cx - dpi.scale(22), area.bottom - dpi.scale(74), nullptr);
    LineTo(dc, cx, area.bottom - dpi.scale(96));
    LineTo(dc, cx + dpi.scale(22), area.bottom - dpi.scale(74));
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HFONT font = makeWizardFont({"Verdana", 12, true}, dpi);
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT title{0, dpi.scale(16), area.right, dpi.scale(40)};
    DrawTextA(dc, "Talkpost", -1, &title, DT_CENTER | DT_SINGLELINE);
    RECT sub{0, dpi.scale(40), area.right, dpi.scale(64)};
    DrawTextA(dc, "LiveUpdate", -1, &sub, DT_CENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

}  // namespace


UpdateWizardDialog::UpdateWizardDialog(Prompts& prompts, HWND owner, WizardEngine& engine, WizardMailbox& mailbox,
                                       const UpdateWizardLanguage& texts, const WizardDialogSettings& settings)
    : Window(prompts), mailbox_(mailbox), threadView_(*this, *this),
      flow_(engine, threadView_, texts, settings.autoRun, settings.autoStart), settings_(settings)
{
    DWORD exStyle = 0;
    DWORD style = borderStyle(settings.borderStyle, exStyle) | WS_CLIPCHILDREN;
    // Without a border the dialog is the frame and two pixels around it.
    SIZE client{kClientWidth, kClientHeight};
    if (settings.borderStyle == WizardBorderStyle::None)
        client = {2 + 471 + 2, 1 + 281 + 2};
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    POINT at = openingPlace(settings.position, owner, width, height);
    create("TalkpostUpdateWizard", exStyle | WS_EX_CONTROLPARENT, settings.caption.c_str(), style, at.x, at.y,
           width, height, owner, nullptr);

    for (const WizardLayoutRow& row : kLayout) {
        ControlRow placed = row.control;
        placed.x += kPageX;
        placed.y += kPageY;
        createControls(&placed, 1, nullptr);
    }
    billboard_ = std::make_unique<PaintedControl>(
        prompts_, hwnd(), static_cast<int>(WizardControl::Billboard), kBillboardPlace.left, kBillboardPlace.top,
        kBillboardPlace.right - kBillboardPlace.left, kBillboardPlace.bottom - kBillboardPlace.top,
        [this, picture = settings.billboard](HDC dc, const RECT& area) {
            if (picture != nullptr)
                drawBitmapSmooth(dc, area, picture);
            else
                drawOwnBillboard(dc, area, dpiOf(hwnd()));
        });
    SetWindowSubclass(control(WizardControl::ComponentList), &UpdateWizardDialog::subclassProc, 1,
                      reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(control(WizardControl::WhatsNewMemo), &UpdateWizardDialog::subclassProc, 2,
                      reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(control(WizardControl::EulaMemo), &UpdateWizardDialog::subclassProc, 3,
                      reinterpret_cast<DWORD_PTR>(this));
    // The designed size holds at 100 %; at another scale the client area grows by it.
    Dpi dpi = dpiOf(hwnd());
    scaleTo(dpi.value());
    if (dpi.value() != Dpi::kDesigned) {
        SIZE scaled = frameSizeForClient(client.cx, client.cy, style, exStyle, false, dpi);
        POINT scaledAt = openingPlace(settings.position, owner, scaled.cx, scaled.cy);
        UINT keepPlace = scaledAt.x == CW_USEDEFAULT ? SWP_NOMOVE : 0;
        SetWindowPos(hwnd(), nullptr, scaledAt.x, scaledAt.y, scaled.cx, scaled.cy,
                     keepPlace | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    applyTexts(texts);
    showPage(WizardPage::Welcome);

    mailbox_.open(hwnd(), kProgressMoved);
    onCloseQuery = [this](bool& canClose) {
        // A close while a step waits for the server cancels the step; the
        // dialog closes when the step has ended.
        if (stepRunning_) {
            mailbox_.requestCancel();
            closeAfterStep_ = true;
            canClose = false;
            return;
        }
        flow_.onCloseQuery();
    };
}

UpdateWizardDialog::~UpdateWizardDialog()
{
    if (hwnd() != nullptr) {
        RemoveWindowSubclass(control(WizardControl::ComponentList), &UpdateWizardDialog::subclassProc, 1);
        RemoveWindowSubclass(control(WizardControl::WhatsNewMemo), &UpdateWizardDialog::subclassProc, 2);
        RemoveWindowSubclass(control(WizardControl::EulaMemo), &UpdateWizardDialog::subclassProc, 3);
    }
    // A step still running (the dialog's loop ended by a quit) is cancelled
    // and let end; what it hands the dialog meanwhile is still taken.
    mailbox_.requestCancel();
    waitTakingHandOvers([this] { return !workerBusy_.load(); });
    worker_.reset();
    mailbox_.close();
    billboard_.reset();
}

void UpdateWizardDialog::applyTexts(const UpdateWizardLanguage& texts)
{
    const std::pair<WizardControl, const std::string*> rows[] = {
        {WizardControl::WelcomeLabel, &texts.welcome},        {WizardControl::StartButton, &texts.startButton},
        {WizardControl::ControlButton, &texts.getUpdateButton}, {WizardControl::WhatsNewHeading, &texts.whatsNew},
        {WizardControl::NewButton, &texts.nextButton},        {WizardControl::LicenseHeading, &texts.license},
        {WizardControl::AcceptRadio, &texts.acceptLicense},       {WizardControl::DeclineRadio, &texts.notAcceptLicense},
        {WizardControl::EulaButton, &texts.nextButton},       {WizardControl::ComponentsHeading, &texts.componentsAvail},
        {WizardControl::FilesButton, &texts.nextButton},      {WizardControl::DownloadHeading, &texts.downloadingFiles},
        {WizardControl::FileProgressLabel, &texts.currentProgress},      {WizardControl::TotalProgressLabel, &texts.totalProgress},
        {WizardControl::CancelButton, &texts.cancelButton},   {WizardControl::CompleteHeading, &texts.updateComplete},
        {WizardControl::RestartHint, &texts.restartInfo},          {WizardControl::RestartButton, &texts.restartButton},
    };
    for (const auto& [which, text] : rows)
        SetWindowTextA(control(which), text->c_str());
    whatsNewPopup_ = texts.whatsNewPopup;
    licensePopup_ = texts.licensePopup;
    // A caption the designed width cuts off is widened, as every later caption is.
    for (WizardControl button : kPageButtons)
        fitButton(control(button));
}

void UpdateWizardDialog::scaleTo(int dpiValue)
{
    Dpi dpi(dpiValue);
    rememberDpi(hwnd(), dpi);
    // The new font first; the old one goes once no control uses it.
    UniqueGdiObject font(makeWizardFont(settings_.font, dpi));
    for (const WizardLayoutRow& row : kLayout)
        Control(Window::control(row.control.id)).setFont(static_cast<HFONT>(font.get()));
    std::swap(font_, font);
    for (const WizardLayoutRow& row : kLayout) {
        const ControlRow& c = row.control;
        placeControl(Window::control(c.id), kPageX + c.x, kPageY + c.y, c.width, c.height, dpi);
    }
    placeControl(billboard_->hwnd(), kBillboardPlace.left, kBillboardPlace.top,
                 kBillboardPlace.right - kBillboardPlace.left, kBillboardPlace.bottom - kBillboardPlace.top, dpi);
    ListBox(control(WizardControl::ComponentList)).setItemHeight(dpi.scale(kRowHeight));
    // A caption the designed width cuts off is widened again, in the new font.
    for (WizardControl button : kPageButtons)
        fitButton(control(button));
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void UpdateWizardDialog::fitButton(HWND button)
{
    RECT place;
    GetWindowRect(button, &place);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&place), 2);
    int width = place.right - place.left;
    int wanted = textWidth(button, windowText(button)) + dpiOf(hwnd()).scale(kButtonMargin);
    if (wanted <= width)
        return;
    SetWindowPos(button, nullptr, place.right - wanted, place.top, wanted, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void UpdateWizardDialog::showPage(WizardPage page)
{
    // The last progress reported is shown before the page moves on.
    paintProgress();
    page_ = page;
    for (const WizardLayoutRow& row : kLayout) {
        bool visible = row.page == kAllPages || row.page == static_cast<int>(page);
        ShowWindow(Window::control(row.control.id), visible ? SW_SHOWNA : SW_HIDE);
    }
}

void UpdateWizardDialog::setBusy(bool busy)
{
    busy_ = busy;
    SetCursor(LoadCursorA(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void UpdateWizardDialog::setVersionInfo(const std::string& text)
{
    // The check result comes with "\r" line breaks; a static control breaks at "\r\n".
    std::string shown;
    for (char c : text) {
        shown += c;
        if (c == '\r')
            shown += '\n';
    }
    SetWindowTextA(control(WizardControl::VersionInfoLabel), shown.c_str());
}

std::string UpdateWizardDialog::buttonCaption(WizardButton button) const
{
    return windowText(control(buttonControl(button)));
}

void UpdateWizardDialog::setButtonCaption(WizardButton button, const std::string& caption)
{
    HWND window = control(buttonControl(button));
    SetWindowTextA(window, caption.c_str());
    fitButton(window);
}

void UpdateWizardDialog::enableButton(WizardButton button, bool enabled)
{
    EnableWindow(control(buttonControl(button)), enabled ? TRUE : FALSE);
}

void UpdateWizardDialog::focusButton(WizardButton button)
{
    moveDialogFocus(hwnd(), control(buttonControl(button)));
}

bool UpdateWizardDialog::canFocusStart() const
{
    return page_ == WizardPage::Welcome && IsWindowEnabled(control(WizardControl::StartButton));
}

void UpdateWizardDialog::setPopupTexts(const std::string& whatsNew, const std::string& license)
{
    whatsNewPopup_ = whatsNew;
    licensePopup_ = license;
}

void UpdateWizardDialog::setMemoLines(WizardMemo memo, const std::vector<std::string>& lines)
{
    HWND window = control(memo == WizardMemo::WhatsNew ? WizardControl::WhatsNewMemo : WizardControl::EulaMemo);
    SetWindowTextA(window, joinLines(lines).c_str());
}

void UpdateWizardDialog::addComponentRow(const std::string& text, bool mandatory)
{
    ListBox list(control(WizardControl::ComponentList));
    int row = list.add(ansiToUtf8(text));  // the control file's text, in the ANSI code page
    if (row >= 0)
        list.setItemData(row, kRowChecked | (mandatory ? kRowMandatory : 0));
}

bool UpdateWizardDialog::rowChecked(int row) const
{
    LPARAM data = ListBox(control(WizardControl::ComponentList)).itemData(row);
    return data != LB_ERR && (data & kRowChecked) != 0;
}

bool UpdateWizardDialog::rowMandatory(int row) const
{
    LPARAM data = ListBox(control(WizardControl::ComponentList)).itemData(row);
    return data != LB_ERR && (data & kRowMandatory) != 0;
}

void UpdateWizardDialog::toggleRow(int row)
{
    ListBox list(control(WizardControl::ComponentList));
    LPARAM data = list.itemData(row);
    if (data == LB_ERR || (data & kRowMandatory) != 0)
        return;
    list.setItemData(row, data ^ kRowChecked);
    RECT r;
    if (list.itemRect(row, r))
        InvalidateRect(list.hwnd(), &r, TRUE);
}

std::vector<bool> UpdateWizardDialog::componentRowsChecked() const
{
    int count = ListBox(control(WizardControl::ComponentList)).count();
    std::vector<bool> checked;
    for (int row = 0; row < count; ++row)
        checked.push_back(rowChecked(row));
    return checked;
}

bool UpdateWizardDialog::licenseAccepted() const
{
    return Button(control(WizardControl::AcceptRadio)).checked();
}

bool UpdateWizardDialog::licenseDeclined() const
{
    return Button(control(WizardControl::DeclineRadio)).checked();
}

void UpdateWizardDialog::resetProgress()
{
    SetWindowTextA(control(WizardControl::FileLabel), "");
    ProgressBar(control(WizardControl::FileProgress)).setPosition(0);
    ProgressBar(control(WizardControl::TotalProgress)).setPosition(0);
}

void UpdateWizardDialog::clearRestartHint() { SetWindowTextA(control(WizardControl::RestartHint), ""); }

void UpdateWizardDialog::plainMessage(const std::string& text)
{
    prompts_.box(hwnd(), text, kAppTitle, MB_OK);
}

void UpdateWizardDialog::closeDialog()
{
    // Asked by a step: the dialog closes when the step has ended.
    if (stepRunning_)
        closeAfterStep_ = true;
    else
        close();
}

// The flow pauses through threadView_, on the worker: the dialog itself never waits.
void UpdateWizardDialog::pause() {}

void UpdateWizardDialog::paintProgress()
{
    std::optional<update::FileProgress> taken = mailbox_.takeProgress();
    if (!taken)
        return;
    const update::FileProgress& shown = *taken;
    // The bars take 32-bit ranges: large files are shown in kilobytes.
    auto scaled = [](std::int64_t value, std::int64_t range) {
        return range > 0x7fffffff ? static_cast<int>(value / 1024) : static_cast<int>(value);
    };
    Control(control(WizardControl::FileLabel)).setText(shown.shownName);
    ProgressBar file(control(WizardControl::FileProgress));
    file.setRange(0, scaled(shown.size, shown.size));
    file.setPosition(scaled(shown.position, shown.size));
    ProgressBar all(control(WizardControl::TotalProgress));
    all.setRange(0, scaled(shown.total, shown.total));
    all.setPosition(scaled(shown.position + shown.completed, shown.total));
}

void UpdateWizardDialog::viewInNotepad(WizardMemo memo)
{
    bool whatsNew = memo == WizardMemo::WhatsNew;
    std::string path = tempFolder();
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    path += whatsNew ? "whatsnew.txt" : "eula.txt";
    std::string text = windowText(control(whatsNew ? WizardControl::WhatsNewMemo : WizardControl::EulaMemo)) + "\r\n";
    {
        UniqueFile out(CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!out || !WriteFile(out.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size())
            throw AppError("Datei " + path + " kann nicht erstellt werden");
    }
    // The system's editor by its full path, not whatever program the text
    // files' type names or the search finds first.
    std::string parameters = "\"" + path + "\"";
    auto opened = notepadProgram.empty() ? 0
                                         : reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", widen(notepadProgram).c_str(),
                                                                                   widen(parameters).c_str(), nullptr,
                                                                                   SW_SHOWNORMAL));
    // The shell says that it started nothing only in its result.
    if (opened <= 32)
        prompts_.standardError(hwnd(), "Could not start " + notepadProgram + " to show " + path);
}

void UpdateWizardDialog::onMemoMenu(WizardMemo memo, HWND memoWindow, LPARAM where)
{
    POINT at{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    if (at.x == -1 && at.y == -1) {
        RECT r;
        GetWindowRect(memoWindow, &r);
        at = {r.left + 8, r.top + 8};
    }
    const std::string& text = memo == WizardMemo::WhatsNew ? whatsNewPopup_ : licensePopup_;
    const MenuEntry entries[] = {{kViewInNotepad, text.c_str()}};
    UniqueMenu menu = makePopupMenu(entries);
    if (trackPopupMenu(menu.get(), hwnd(), at, nullptr, true) == kViewInNotepad)
        viewInNotepad(memo);
}

void UpdateWizardDialog::onDrawRow(const DRAWITEMSTRUCT& item)
{
    if (item.itemID == static_cast<UINT>(-1))
        return;
    HDC dc = item.hDC;
    bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    LPARAM data = static_cast<LPARAM>(item.itemData);
    Dpi dpi = dpiOf(hwnd());
    int inset = dpi.scale(2), side = dpi.scale(14);
    RECT box{item.rcItem.left + inset, item.rcItem.top + inset, item.rcItem.left + inset + side,
             item.rcItem.top + inset + side};
    UINT state = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (data & kRowChecked)
        state |= DFCS_CHECKED;
    if (data & kRowMandatory)
        state |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);
    std::string text = ListBox(item.hwndItem).itemText(static_cast<int>(item.itemID));
    RECT textArea = item.rcItem;
    textArea.left += dpi.scale(kCheckBoxWidth + 6);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor((data & kRowMandatory)  ? COLOR_GRAYTEXT
                                 : selected              ? COLOR_HIGHLIGHTTEXT
                                                         : COLOR_WINDOWTEXT));
    DrawTextW(dc, widen(text).c_str(), -1, &textArea, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &item.rcItem);
}

LRESULT CALLBACK UpdateWizardDialog::subclassProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                                  DWORD_PTR self)
{
    auto* dialog = reinterpret_cast<UpdateWizardDialog*>(self);
    try {
        if (id == 1) {
            // The check list: a click on a row's box or the space bar toggles it.
            if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
                int row = ListBox(hwnd).rowAt(lparam);
                if (row >= 0 && (static_cast<short>(LOWORD(lparam)) < dpiOf(hwnd).scale(kCheckBoxWidth + 4) ||
                                 msg == WM_LBUTTONDBLCLK))
                    dialog->toggleRow(row);
            } else if (msg == WM_KEYDOWN && wparam == VK_SPACE) {
                int row = ListBox(hwnd).selected();
                if (row != LB_ERR)
                    dialog->toggleRow(row);
                return 0;
            }
        } else if (msg == WM_CONTEXTMENU) {
            dialog->onMemoMenu(id == 2 ? WizardMemo::WhatsNew : WizardMemo::License, hwnd, lparam);
            return 0;
        }
    } catch (...) {
        reportException(dialog->prompts_, dialog->hwnd());
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wparam, lparam);
}

void UpdateWizardDialog::runStep(std::function<void()> step)
{
    if (stepRunning_)
        return;
    stepRunning_ = true;
    workerBusy_ = true;
    HWND dialog = hwnd();
    worker_->post([this, dialog, step = std::move(step)] {
        try {
            step();
        } catch (...) {
            // Reported by the dialog, as a failure of its own handlers is.
            std::lock_guard<std::mutex> lock(workerMutex_);
            stepFailure_ = std::current_exception();
        }
        PostMessageA(dialog, kStepEnded, 0, 0);
        workerBusy_ = false;
    });
}

void UpdateWizardDialog::onStepEnded()
{
    stepRunning_ = false;
    paintProgress();
    std::exception_ptr failure;
    {
        std::lock_guard<std::mutex> lock(workerMutex_);
        std::swap(failure, stepFailure_);
    }
    WPARAM pending = std::exchange(pendingCommand_, 0);
    if (closeAfterStep_) {
        closeAfterStep_ = false;
        close();
    } else if (pending != 0 && !failure) {
        handle(WM_COMMAND, pending, 0);
    }
    if (failure)
        std::rethrow_exception(failure);
}

void UpdateWizardDialog::onCommand(int id, int code)
{
    // Enter reaches a page's button even when it is disabled: a disabled button does nothing.
    HWND source = Window::control(id);
    if (source != nullptr && !IsWindowEnabled(source))
        return;
    // One step at a time: a button the running step has already enabled
    // (its page has arrived) is heard when the step has ended; Cancel at once.
    if (stepRunning_ && static_cast<WizardControl>(id) != WizardControl::CancelButton) {
        pendingCommand_ = MAKEWPARAM(id, code);
        return;
    }
    switch (static_cast<WizardControl>(id)) {
    case WizardControl::StartButton: runStep([this] { flow_.onStart(); }); break;
    case WizardControl::ControlButton: runStep([this] { flow_.onGetUpdate(); }); break;
    case WizardControl::NewButton: runStep([this] { flow_.onWhatsNewNext(); }); break;
    case WizardControl::AcceptRadio:
    case WizardControl::DeclineRadio:
        if (code == BN_CLICKED)
            flow_.onLicenseChoice();
        break;
    case WizardControl::EulaButton: runStep([this] { flow_.onLicenseNext(); }); break;
    case WizardControl::FilesButton: runStep([this] { flow_.onFilesNext(); }); break;
    case WizardControl::CancelButton: mailbox_.requestCancel(); break;
    case WizardControl::RestartButton: runStep([this] { flow_.onRestart(); }); break;
    default: break;
    }
}

LRESULT UpdateWizardDialog::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wparam) == IDCANCEL) {
            // Escape closes as the title bar does; during a step it cancels the step first.
            close();
            return 0;
        }
        if (LOWORD(wparam) == IDOK) {
            if (stepRunning_) {
                pendingCommand_ = wparam;
                return 0;
            }
            HWND button = control(kPageButtons[static_cast<int>(page_)]);
            if (IsWindowEnabled(button))
                onCommand(GetDlgCtrlID(button), BN_CLICKED);
            return 0;
        }
        onCommand(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(static_cast<WORD>(id(kPageButtons[static_cast<int>(page_)])), DC_HASDEFID);
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE)
            PostMessageA(hwnd(), kActivated, 0, 0);
        break;
    case kActivated:
        if (!stepRunning_)
            runStep([this] { flow_.onActivate(); });
        return 0;
    case kStepEnded:
        onStepEnded();
        return 0;
    case kProgressMoved:
        paintProgress();
        return 0;
    case WM_DRAWITEM:
        if (wparam == static_cast<WPARAM>(id(WizardControl::ComponentList))) {
            onDrawRow(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        }
        break;
    case WM_SETCURSOR:
        if (busy_) {
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return defaultHandle(msg, wparam, lparam);
}

}  // namespace talkpost
