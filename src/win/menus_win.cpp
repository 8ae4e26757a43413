// Menus and accelerator tables from command rows.
#include "win/menus_win.h"

namespace talkpost {

UniqueMenu makePopupMenu(std::span<const MenuEntry> entries)
{
    UniqueMenu menu(CreatePopupMenu());
    for (const MenuEntry& entry : entries) {
        AppendMenuA(menu.get(), MF_STRING | (entry.checked ? MF_CHECKED : 0), static_cast<UINT_PTR>(entry.id),
                    entry.caption);
        if (entry.image == nullptr)
            continue;
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = entry.image;
        SetMenuItemInfoA(menu.get(), static_cast<UINT>(entry.id), FALSE, &item);
    }
    return menu;
}

HMENU makeMenuBar(std::vector<std::pair<const char*, UniqueMenu>> popups)
{
    HMENU bar = CreateMenu();
    for (auto& [caption, popup] : popups)
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup.release()), caption);
    return bar;
}

int trackPopupMenu(HMENU menu, HWND owner, POINT at, HWND anchor, bool returnChoice)
{
    if (at.x == -1 && at.y == -1 && anchor != nullptr) {
        RECT r;
        GetWindowRect(anchor, &r);
        at = {r.left, r.bottom};
    }
    UINT flags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | (returnChoice ? TPM_RETURNCMD : 0u);
    return static_cast<int>(TrackPopupMenu(menu, flags, at.x, at.y, 0, owner, nullptr));
}

bool menuEntryChecked(HMENU menu, int id)
{
    return (GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void setMenuEntryChecked(HMENU menu, int id, bool checked)
{
    CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void setMenuEntryCaption(HMENU menu, int id, const char* caption)
{
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STRING;
    item.dwTypeData = const_cast<char*>(caption);
    SetMenuItemInfoA(menu, static_cast<UINT>(id), FALSE, &item);
}

std::string menuEntryCaption(HMENU menu, int id)
{
    char caption[256] = "";
    GetMenuStringA(menu, static_cast<UINT>(id), caption, sizeof caption, MF_BYCOMMAND);
    return caption;
}

UniqueAccelerators makeAcceleratorTable(std::span<const AcceleratorEntry> entries)
{
    std::vector<ACCEL> keys;
    for (const AcceleratorEntry& entry : entries)
        keys.push_back({static_cast<BYTE>(FVIRTKEY | entry.modifiers), entry.key, static_cast<WORD>(entry.id)});
    if (keys.empty())
        return {};
    return UniqueAccelerators(CreateAcceleratorTableA(keys.data(), static_cast<int>(keys.size())));
}

}  // namespace talkpost
