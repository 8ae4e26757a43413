// The settings tests' window.
#include "settings/test_form_win.h"

#include <cstdlib>

#include "settings/ini_rules.h"

namespace talkpost::test {
namespace {
constexpr ControlSpec kLayout[] = {
    {static_cast<int>(TestForm::Id::Computers), "COMBOBOX", 8, 8, 200, 200, "",
     WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN | CBS_SORT | CBS_AUTOHSCROLL | WS_VSCROLL},
    {static_cast<int>(TestForm::Id::User), "EDIT", 8, 40, 200, 22, "*", WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL},
    {static_cast<int>(TestForm::Id::Message), "EDIT", 8, 70, 300, 120, "",
     WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL},
    {static_cast<int>(TestForm::Id::Time), "EDIT", 220, 40, 80, 22, "60", WS_VISIBLE | WS_BORDER | ES_NUMBER},
};
}  // namespace

TestForm::TestForm(bool sizeable, HWND owner)
{
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    if (sizeable)
        style |= WS_THICKFRAME;
    create("TalkpostSettingsTestForm", 0, "Settings test", style, kDesignedLeft, kDesignedTop, kDesignedWidth,
           kDesignedHeight, owner, nullptr);
    createControls(kLayout, std::size(kLayout), static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    for (const char* entry : {"*", "Remote01", "Remote02"})
        SendMessageA(control(static_cast<int>(Id::Computers)), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    onShow = [this] {
        ++ownShows;
        userSeenByOwnShow = user();
    };
    onCloseQuery = [this](bool&) { ++ownCloseQueries; };
    onDestroy = [this] { ++ownDestroys; };
}

std::vector<std::string> TestForm::computers() const
{
    HWND combo = control(static_cast<int>(Id::Computers));
    std::vector<std::string> items;
    int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string text(static_cast<std::size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
        int got = static_cast<int>(SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data())));
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        items.push_back(text);
    }
    return items;
}

void TestForm::setComputers(const std::vector<std::string>& items)
{
    HWND combo = control(static_cast<int>(Id::Computers));
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

std::string TestForm::user() const { return windowText(control(static_cast<int>(Id::User))); }
void TestForm::setUser(const std::string& text) { SetWindowTextA(control(static_cast<int>(Id::User)), text.c_str()); }

std::vector<std::string> TestForm::messageLines() const
{
    std::string text = windowText(control(static_cast<int>(Id::Message)));
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    std::size_t pos = 0;
    for (;;) {
        std::size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos)
            break;
        pos = end + 2;
    }
    return lines;
}

void TestForm::setMessageLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i > 0 ? "\r\n" : "") + lines[i];
    SetWindowTextA(control(static_cast<int>(Id::Message)), text.c_str());
}

int TestForm::time() const { return std::atoi(windowText(control(static_cast<int>(Id::Time))).c_str()); }

void TestForm::setTime(int value)
{
    SetWindowTextA(control(static_cast<int>(Id::Time)), std::to_string(settings::clampTimeValue(value)).c_str());
}

RECT TestForm::windowRect() const
{
    RECT r{};
    GetWindowRect(hwnd(), &r);
    return r;
}

bool TestForm::hasComponent(const std::string& component) const
{
    for (const char* name : {"IPComboBox", "UserEdit", "RichText", "TimeEdit"})
        if (lstrcmpiA(component.c_str(), name) == 0)
            return true;
    return false;
}

std::optional<settings::PropertyAccess> TestForm::findProperty(const std::string& component,
                                                               const std::string& property)
{
    using settings::PropertyType;
    auto is = [](const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; };
    settings::PropertyAccess a;
    if (is(component, "IPComboBox") && is(property, "Items")) {
        a.componentName = "IPComboBox";
        a.propertyName = "Items";
        a.type = PropertyType::TextList;
        a.getList = [this] { return computers(); };
        a.setList = [this](const std::vector<std::string>& v) { setComputers(v); };
    } else if (is(component, "RichText") && is(property, "Lines")) {
        a.componentName = "RichText";
        a.propertyName = "Lines";
        a.type = PropertyType::TextList;
        a.getList = [this] { return messageLines(); };
        a.setList = [this](const std::vector<std::string>& v) { setMessageLines(v); };
    } else if (is(component, "UserEdit") && is(property, "Text")) {
        a.componentName = "UserEdit";
        a.propertyName = "Text";
        a.type = PropertyType::Text;
        a.getText = [this] { return user(); };
        a.setText = [this](const std::string& t) { setUser(t); };
    } else if (is(component, "TimeEdit") && is(property, "Value")) {
        a.componentName = "TimeEdit";
        a.propertyName = "Value";
        a.type = PropertyType::Integer;
        a.getInteger = [this] { return time(); };
        a.setInteger = [this](int v) { setTime(v); };
    } else {
        return std::nullopt;
    }
    return a;
}

}  // namespace talkpost::test
