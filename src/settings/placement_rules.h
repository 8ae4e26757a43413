// The placement keys' texts and the decisions a load makes from them: the
// four-number values, which stored rectangle applies, and the window state a
// stored show command selects. Portable.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace talkpost::settings {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// The numbers of a window placement that the file keeps.
struct Placement {
    unsigned flags = 0;
    int showCmd = 0;
    Point minPosition;
    Point maxPosition;
    Rect normal;
    bool operator==(const Placement&) const = default;
};

// "%d,%d,%d,%d" without blanks.
std::string formatFour(int a, int b, int c, int d);

// The first four words of a text (a word is a run of characters other than
// blank and comma); a missing or non-numeric word gives its default.
std::array<int, 4> parseFourWords(const std::string& text, const std::array<int, 4>& defaults);

// What a load read for the position.
struct StoredPosition {
    unsigned flags = 0;       // "Flags", the current flags when absent
    std::string minMaxText;   // "MinMaxPos" for this screen, else the bare key; empty when neither
    std::string normText;     // the same for "NormPos"
    int pixelsPerInch = 0;    // "PixelsPerInch", the current value when absent
};

// The placement to set from the stored position, or nothing when the position
// is not restored: neither text found, another pixels per inch, or a normal
// rectangle whose right is not greater than its left. A window that is not
// sizeable keeps its current size and takes only the stored left and top.
std::optional<Placement> restoredPlacement(const Placement& current, const StoredPosition& stored, int currentPixelsPerInch,
                                           bool sizeable);

enum class WindowState { Normal, Minimized, Maximized };

// 1, 5, 9: normal; 2, 6, 7: minimized; 3: maximized; anything else: the default.
WindowState stateForShowCmd(int showCmd, WindowState defaultState);

}  // namespace talkpost::settings
