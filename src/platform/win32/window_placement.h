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
    std::wstring device = {};  // the display device's name ("\\.\DISPLAY1"); empty where unknown
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

// Where the saver windows go after the monitors changed, given the monitors they were made for
// (in the show's order) and the monitors now. A window whose monitor is still there (the same
// device, or the same rectangle where devices are unnamed) covers it again at its place now,
// which moves when the primary monitor changed. A window whose monitor is gone goes beyond the
// right edge of every monitor, out of sight, where it keeps the keyboard if it had it: the
// show goes on in the other windows, as on X11, where such a window stays where no monitor is.
// With no monitor listed now, every window stays where it was placed.
std::vector<Rect> windowBoundsAfterDisplayChange(const std::vector<MonitorArea>& shownOn,
                                                 const std::vector<MonitorArea>& now);

}  // namespace orvane
