// Saves what the screen shows of a window as a bitmap file.
#pragma once

#include <windows.h>

#include <string>

namespace talkpost {

void saveWindowShot(HWND window, const std::string& path);

}  // namespace talkpost
