// Where the saver windows go: one per monitor, the primary monitor first. The first window is
// placed at 0,0 with its monitor's size (on Windows the primary monitor's top left is 0,0);
// every other window at its own monitor's top left. Plain arithmetic, tested on lists of
// monitor rectangles.
#pragma once

#include <string>
#include <vector>

#include "show/geometry.h"

namespace orvane {

struct MonitorArea {
    Rect bounds;  // in virtual-screen pixels
    bool primary = false;
};

struct WindowPlacement {
    std::wstring caption;  // "Win0", "Win1", ...
    Rect bounds;
};

// The monitors in the order the show numbers them: the primary one first, the others in the
// system's order. A monitor of no area is left out; with none left, the primary screen's size.
std::vector<MonitorArea> showMonitorOrder(std::vector<MonitorArea> monitors, int screenWidth,
                                          int screenHeight);

std::vector<WindowPlacement> saverWindowPlacements(const std::vector<MonitorArea>& monitors);

}  // namespace orvane
