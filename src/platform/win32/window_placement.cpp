#include "platform/win32/window_placement.h"

#include <algorithm>

namespace orvane {

std::vector<MonitorArea> showMonitorOrder(std::vector<MonitorArea> monitors, int screenWidth,
                                          int screenHeight) {
    std::erase_if(monitors, [](const MonitorArea& m) { return m.bounds.isEmpty(); });
    std::stable_partition(monitors.begin(), monitors.end(),
                          [](const MonitorArea& m) { return m.primary; });
    if (monitors.empty()) {
        monitors.push_back({Rect{0, 0, std::max(screenWidth, 1), std::max(screenHeight, 1)}, true});
    }
    return monitors;
}

std::vector<WindowPlacement> saverWindowPlacements(const std::vector<MonitorArea>& monitors) {
    std::vector<WindowPlacement> placements;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& m = monitors[i].bounds;
        const int left = i == 0 ? 0 : m.left;
        const int top = i == 0 ? 0 : m.top;
        placements.push_back({L"Win" + std::to_wstring(i), Rect::fromSize(left, top, m.width(), m.height())});
    }
    return placements;
}

}  // namespace orvane
