// Menus and accelerator tables built from a window's command rows: the one
// place that appends menu entries, so a window only says which commands go
// where.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "win/handles_win.h"

namespace talkpost {

// One entry of a pop-up menu.
struct MenuEntry {
    int id;
    const char* caption;
    bool checked = false;
    HBITMAP image = nullptr;  // shown beside the caption; owned by the caller
};

// A pop-up menu of the entries, in their order.
UniqueMenu makePopupMenu(std::span<const MenuEntry> entries);

// A menu bar of captioned pop-ups, left to right; the bar owns them, and the
// window the bar is set on destroys it.
HMENU makeMenuBar(std::vector<std::pair<const char*, UniqueMenu>> popups);

// Shows a pop-up menu at a screen point for the owner (the keyboard's
// context-menu key gives (-1, -1): the point is then the anchor's lower
// left corner). With returnChoice the chosen id comes back (0: none) and no
// WM_COMMAND is sent; otherwise the owner receives the choice as a command.
int trackPopupMenu(HMENU menu, HWND owner, POINT at, HWND anchor, bool returnChoice = false);

// Menu entry check marks, found by command id in a menu and its pop-ups.
bool menuEntryChecked(HMENU menu, int id);
void setMenuEntryChecked(HMENU menu, int id, bool checked);
// A menu entry's caption, found by command id in a menu and its pop-ups.
void setMenuEntryCaption(HMENU menu, int id, const char* caption);
std::string menuEntryCaption(HMENU menu, int id);

// One accelerator: a virtual key with FCONTROL, FSHIFT, FALT modifiers.
struct AcceleratorEntry {
    int id;
    BYTE modifiers;
    WORD key;
};

UniqueAccelerators makeAcceleratorTable(std::span<const AcceleratorEntry> entries);

}  // namespace talkpost
