// The Computers from Directory dialog: its layout table, the fields to and
// from the settings file, the load on a worker with a running count, Cancel,
// the time limit's watchdog and the merge into the computer list.
#include "nettools/directory_dialog_win.h"

#include <algorithm>

#include "computers/computer_list_win.h"
#include "nettools/directory_merge.h"
#include "settings/ini_rules.h"
#include "settings/settings_file_win.h"
#include "win/controls_win.h"
#include "win/dpi_win.h"
#include "win/prompts_win.h"
#include "win/text_win.h"

namespace talkpost {
namespace {

using Id = DirectoryDialog::ControlId;
using namespace directory;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// The worker's wake-up, and the watchdog's tick while a load runs.
constexpr UINT kSearchMail = WM_APP + 41;
constexpr UINT_PTR kWatchdogTimer = 1;
constexpr UINT kWatchdogMs = 250;
// How many of the entries to be removed the confirmation names.
constexpr std::size_t kMissingShown = 20;
// The most a field holds: far more than any server, base or filter needs.
constexpr int kFieldLimit = 1024;

constexpr const char* kConnectionTexts[] = {"LDAP, sealed by Negotiate", "LDAPS (TLS, port 636)",
                                            "StartTLS (TLS on port 389)"};

constexpr int id(Id value) { return static_cast<int>(value); }

// The layout, in client pixels at 96 DPI.
const ControlRow kControls[] = {
    {id(Id::ServerLabel), "STATIC", 12, 15, 96, 13, "&Server:", WS_VISIBLE | SS_LEFT},
    {id(Id::ServerEdit), "EDIT", 112, 12, 300, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {id(Id::BaseLabel), "STATIC", 12, 43, 96, 13, "&Base:", WS_VISIBLE | SS_LEFT},
    {id(Id::BaseEdit), "EDIT", 112, 40, 300, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {id(Id::FilterLabel), "STATIC", 12, 71, 96, 13, "&Filter:", WS_VISIBLE | SS_LEFT},
    {id(Id::FilterEdit), "EDIT", 112, 68, 300, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {id(Id::SignInLabel), "STATIC", 12, 99, 96, 13, "Sign in as:", WS_VISIBLE | SS_LEFT},
    {id(Id::CurrentUserRadio), "BUTTON", 112, 96, 130, 20, "&Current user",
     WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON},
    {id(Id::NamePasswordRadio), "BUTTON", 246, 96, 166, 20, "&Name and password", WS_VISIBLE | BS_AUTORADIOBUTTON},
    {id(Id::UserLabel), "STATIC", 12, 127, 96, 13, "&User name:", WS_VISIBLE | SS_LEFT | WS_GROUP},
    {id(Id::UserEdit), "EDIT", 112, 124, 300, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {id(Id::PasswordLabel), "STATIC", 12, 155, 96, 13, "&Password:", WS_VISIBLE | SS_LEFT},
    {id(Id::PasswordEdit), "EDIT", 112, 152, 300, 21, "", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD,
     WS_EX_CLIENTEDGE},
    {id(Id::ConnectionLabel), "STATIC", 12, 183, 96, 13, "C&onnection:", WS_VISIBLE | SS_LEFT},
    {id(Id::ConnectionCombo), "COMBOBOX", 112, 180, 300, 120, "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST},
    {id(Id::RemoveMissingCheck), "BUTTON", 112, 210, 300, 20, "&Remove entries no longer listed",
     WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {id(Id::StatusText), "STATIC", 12, 240, 400, 16, "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS},
    {id(Id::LoadButton), "BUTTON", 256, 264, 75, 25, "&Load", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    {id(Id::CancelButton), "BUTTON", 337, 264, 75, 25, "Cancel", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
};

// The fields hold UTF-16; the rules and the settings file hold UTF-8. The
// password field passes here too: its wide copy is wiped.
std::string fromField(HWND field)
{
    int length = GetWindowTextLengthW(field);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    int got = GetWindowTextW(field, wide.data(), static_cast<int>(wide.size()));
    std::string text = narrow(std::wstring_view(wide.data(), static_cast<std::size_t>(got > 0 ? got : 0)));
    SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
    return text;
}
void toField(HWND field, const std::string& text) { Control(field).setText(text); }

// A number set by hand within its bounds, the fallback without one.
unsigned bounded(std::optional<int> value, unsigned low, unsigned high, unsigned fallback)
{
    if (!value)
        return fallback;
    return static_cast<unsigned>(std::clamp<long long>(*value, low, high));
}

std::string missingQuestion(const std::vector<std::string>& missing)
{
    std::string text = "The directory no longer lists " + std::to_string(missing.size()) +
                       (missing.size() == 1 ? " entry" : " entries") + " of the computer list:\r\n\r\n";
    for (std::size_t i = 0; i < missing.size() && i < kMissingShown; ++i)
        text += missing[i] + "\r\n";
    if (missing.size() > kMissingShown)
        text += "... and " + std::to_string(missing.size() - kMissingShown) + " more\r\n";
    return text + "\r\nRemove them from the list? (No keeps them and adds the new computers; Cancel changes nothing.)";
}

}  // namespace

DirectoryDialog::DirectoryDialog(Prompts& prompts, ComputerList& list, LogSink log, HWND owner,
                                 settings::SettingsFile& settings)
    : Window(prompts), list_(list), log_(std::move(log)), settings_(settings)
{
    SIZE frame = frameSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, false, Dpi());
    create("TalkpostDirectoryDialog", kExStyle, "Computers from Directory", kStyle,
           (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2, (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2, frame.cx,
           frame.cy, owner, nullptr, GetSysColorBrush(COLOR_BTNFACE));
    createControls(kControls, std::size(kControls), nullptr);
    // The designed size holds at 100 %; at another scale the client area
    // grows by it, still in the middle of the screen.
    Dpi dpi = dpiOf(hwnd());
    scaleTo(dpi.value());
    if (dpi.value() != Dpi::kDesigned) {
        frame = frameSizeForClient(kClientWidth, kClientHeight, kStyle, kExStyle, false, dpi);
        SetWindowPos(hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - frame.cx) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - frame.cy) / 2, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ComboBox connection(control(Id::ConnectionCombo));
    for (const char* text : kConnectionTexts)
        connection.add(text);
    for (Id field : {Id::ServerEdit, Id::BaseEdit, Id::FilterEdit, Id::UserEdit, Id::PasswordEdit})
        Edit(control(field)).setLimit(kFieldLimit);
    Edit(control(Id::PasswordEdit)).setPasswordChar('*');
    loadFields();
}

DirectoryDialog::~DirectoryDialog() = default;

void DirectoryDialog::scaleTo(int dpiValue)
{
    Dpi dpi(dpiValue);
    rememberDpi(hwnd(), dpi);
    // The new font first; the old one goes once no control uses it.
    UniqueGdiObject font(createPointFont("MS Sans Serif", 8, FW_NORMAL, DEFAULT_CHARSET, dpi));
    for (const ControlRow& row : kControls)
        Control(Window::control(row.id)).setFont(static_cast<HFONT>(font.get()));
    std::swap(font_, font);
    placeControls(hwnd(), kControls, std::size(kControls), dpi);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void DirectoryDialog::loadFields()
{
    const DirectoryFields& fields = settings_.values().directory;
    toField(control(Id::ServerEdit), fields.server);
    toField(control(Id::BaseEdit), fields.base);
    toField(control(Id::FilterEdit), fields.filter);
    toField(control(Id::UserEdit), fields.user);
    SetWindowTextA(control(Id::PasswordEdit), "");
    Button(control(Id::CurrentUserRadio)).setChecked(fields.signIn == SignIn::CurrentUser);
    Button(control(Id::NamePasswordRadio)).setChecked(fields.signIn == SignIn::NameAndPassword);
    ComboBox(control(Id::ConnectionCombo)).select(static_cast<int>(fields.connection));
    Button(control(Id::RemoveMissingCheck)).setChecked(fields.removeMissing);
    setStatus("");
    showSignIn();
}

int DirectoryDialog::run()
{
    loadFields();
    focus_ = nullptr;
    return showModal();
}

DirectoryFields DirectoryDialog::fields() const
{
    DirectoryFields fields;
    fields.server = fromField(control(Id::ServerEdit));
    fields.base = fromField(control(Id::BaseEdit));
    fields.filter = fromField(control(Id::FilterEdit));
    if (fields.filter.find_first_not_of(" \t") == std::string::npos)
        fields.filter = kDefaultFilter;
    fields.signIn = Button(control(Id::NamePasswordRadio)).checked() ? SignIn::NameAndPassword : SignIn::CurrentUser;
    fields.user = fromField(control(Id::UserEdit));
    int connection = ComboBox(control(Id::ConnectionCombo)).selected();
    fields.connection = connection == 1 ? Connection::Ldaps : connection == 2 ? Connection::StartTls : Connection::Sealed;
    fields.removeMissing = Button(control(Id::RemoveMissingCheck)).checked();
    return fields;
}

std::string DirectoryDialog::statusText() const { return windowText(control(Id::StatusText)); }

void DirectoryDialog::setStatus(const std::string& text) { SetWindowTextA(control(Id::StatusText), text.c_str()); }

void DirectoryDialog::showSignIn()
{
    bool named = Button(control(Id::NamePasswordRadio)).checked();
    for (Id id : {Id::UserLabel, Id::UserEdit, Id::PasswordLabel, Id::PasswordEdit})
        Control(control(id)).enable(named && !loading());
}

void DirectoryDialog::setLoading(bool on)
{
    for (const ControlRow& row : kControls)
        if (row.id != id(Id::CancelButton) && row.id != id(Id::StatusText))
            Control(Window::control(row.id)).enable(!on);
    if (on) {
        SetTimer(hwnd(), kWatchdogTimer, kWatchdogMs, nullptr);
        SetFocus(control(Id::CancelButton));
    } else {
        KillTimer(hwnd(), kWatchdogTimer);
        showSignIn();
        SetFocus(control(Id::LoadButton));
    }
}

void DirectoryDialog::onLoad()
{
    if (loading())
        return;
    DirectoryFields fields = this->fields();
    if (!parseServerField(fields.server, fields.connection)) {
        prompts_.information(hwnd(), badServerText(fields.server));
        SetFocus(control(Id::ServerEdit));
        return;
    }
    SearchRequest request;
    settings_.save(settings::SettingsPart::Directory, [&fields](settings::Settings& s) { s.directory = fields; });
    request.pageSize = bounded(settings_.values().directoryPageSize, 1, kPageSize, kPageSize);
    request.callSeconds = bounded(settings_.values().directoryTimeLimit, 1, 3600, kCallSeconds);
    request.fields = fields;
    if (fields.signIn == SignIn::NameAndPassword)
        request.password = fromField(control(Id::PasswordEdit));
    search_ = std::make_unique<DirectorySearch>(std::move(request), hwnd(), kSearchMail);
    setStatus(countText(0));
    setLoading(true);
}

void DirectoryDialog::onCancel()
{
    if (loading()) {
        // The worker stops at its next page; its result, if any, is thrown away.
        search_.reset();
        setLoading(false);
        setStatus("Cancelled; the computer list is unchanged.");
        return;
    }
    closeDialog(IDCANCEL);
}

void DirectoryDialog::closeDialog(int result)
{
    if (isModal())
        endModal(result);
    else
        ShowWindow(hwnd(), SW_HIDE);
}

void DirectoryDialog::onSearchMail()
{
    if (!loading())
        return;
    if (search_->finished())
        finishSearch();
    else
        setStatus(countText(search_->count()));
}

void DirectoryDialog::finishSearch()
{
    SearchOutcome outcome = search_->takeOutcome();
    search_.reset();
    setLoading(false);
    if (!outcome.ok) {
        setStatus(outcome.error);
        prompts_.standardError(hwnd(), outcome.error);
        return;
    }
    setStatus(countText(outcome.names.size()));
    merge(std::move(outcome));
}

void DirectoryDialog::merge(SearchOutcome outcome)
{
    DirectoryMerge merged = mergeDirectoryNames(list_.entries(), outcome.names);
    bool remove = false;
    if (Button(control(Id::RemoveMissingCheck)).checked() && !merged.missing.empty()) {
        switch (prompts_.confirmation(hwnd(), missingQuestion(merged.missing))) {
        case Answer::Yes:
            remove = true;
            break;
        case Answer::No:
            break;
        case Answer::Cancel:
            setStatus("Nothing was changed.");
            return;
        }
    }
    if (!merged.added.empty() || remove)
        list_.replaceAll(mergedEntries(list_.entries(), merged, remove));
    if (log_) {
        log_(logLine(merged.computers, merged.added.size(), merged.alreadyListed));
        if (remove)
            log_(removedLine(merged.missing.size()));
        if (auto skipped = skippedLine(outcome.skipped))
            log_(*skipped);
    }
    closeDialog(IDOK);
}

LRESULT DirectoryDialog::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            onLoad();
            return 0;
        case IDCANCEL:
            onCancel();
            return 0;
        case id(Id::CurrentUserRadio):
        case id(Id::NamePasswordRadio):
            if (HIWORD(wparam) == BN_CLICKED)
                showSignIn();
            return 0;
        default:
            return defaultHandle(msg, wparam, lparam);
        }
    case WM_CLOSE:
        onCancel();  // the close button is Cancel: it stops a load first
        return 0;
    case kSearchMail:
        onSearchMail();
        return 0;
    case WM_TIMER:
        if (wparam == kWatchdogTimer) {
            onSearchMail();
            return 0;
        }
        return defaultHandle(msg, wparam, lparam);
    case WM_ACTIVATE:
        // The focus goes back where it was, the server field the first time.
        if (LOWORD(wparam) != WA_INACTIVE) {
            SetFocus(focus_ != nullptr && IsWindow(focus_) ? focus_ : control(Id::ServerEdit));
            return 0;
        }
        focus_ = GetFocus();
        return 0;
    case WM_NEXTDLGCTL: {
        HWND next = LOWORD(lparam) ? reinterpret_cast<HWND>(wparam) : GetNextDlgTabItem(hwnd(), GetFocus(), wparam != 0);
        if (next != nullptr)
            SetFocus(next);
        return 0;
    }
    default:
        return defaultHandle(msg, wparam, lparam);
    }
}

}  // namespace talkpost
