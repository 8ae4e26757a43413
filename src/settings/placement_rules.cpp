// Placement texts and the decisions of a load.
#include "settings/placement_rules.h"

#include <cstdio>

#include "settings/ini_rules.h"

namespace talkpost::settings {

std::string formatFour(int a, int b, int c, int d)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", a, b, c, d);
    return text;
}

std::array<int, 4> parseFourWords(const std::string& text, const std::array<int, 4>& defaults)
{
    std::array<int, 4> values = defaults;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == ','))
            ++pos;
        if (pos >= text.size())
            break;
        std::size_t end = pos;
        while (end < text.size() && text[end] != ' ' && text[end] != ',')
            ++end;
        values[i] = parseIntegerOr(text.substr(pos, end - pos), defaults[i]);
        pos = end;
    }
    return values;
}

std::optional<Placement> restoredPlacement(const Placement& current, const StoredPosition& stored, int currentPixelsPerInch,
                                           bool sizeable)
{
    if (stored.minMaxText.empty() && stored.normText.empty())
        return std::nullopt;
    if (stored.pixelsPerInch != currentPixelsPerInch)
        return std::nullopt;
    Placement placement = current;
    placement.flags = stored.flags;
    if (!stored.minMaxText.empty()) {
        auto v = parseFourWords(stored.minMaxText, {0, 0, 0, 0});
        placement.minPosition = {v[0], v[1]};
        placement.maxPosition = {v[2], v[3]};
    }
    if (!stored.normText.empty()) {
        const Rect& r = current.normal;
        auto v = parseFourWords(stored.normText, {r.left, r.top, r.left + r.width(), r.top + r.height()});
        placement.normal = {v[0], v[1], v[2], v[3]};
    }
    if (!sizeable) {
        Rect& r = placement.normal;
        r = {r.left, r.top, r.left + current.normal.width(), r.top + current.normal.height()};
    }
    if (placement.normal.right <= placement.normal.left)
        return std::nullopt;
    return placement;
}

WindowState stateForShowCmd(int showCmd, WindowState defaultState)
{
    switch (showCmd) {
    case 1:
    case 5:
    case 9:
        return WindowState::Normal;
    case 2:
    case 6:
    case 7:
        return WindowState::Minimized;
    case 3:
        return WindowState::Maximized;
    default:
        return defaultState;
    }
}

}  // namespace talkpost::settings
