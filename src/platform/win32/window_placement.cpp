#include "platform/win32/window_placement.h"

#include <algorithm>

#include "platform/common/platform_show.h"

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
        const std::string name = saverWindowName(static_cast<int>(i));  // ASCII
        placements.push_back({std::wstring(name.begin(), name.end()),
                              Rect::fromSize(left, top, m.width(), m.height())});
    }
    return placements;
}

std::vector<Rect> windowBoundsAfterDisplayChange(const std::vector<MonitorArea>& shownOn,
                                                 const std::vector<MonitorArea>& now) {
    const std::vector<WindowPlacement> placed = saverWindowPlacements(shownOn);
    std::vector<Rect> bounds;
    if (now.empty()) {
        for (const WindowPlacement& p : placed) {
            bounds.push_back(p.bounds);
        }
        return bounds;
    }
    int outOfSightLeft = now.front().bounds.right;
    int outOfSightTop = now.front().bounds.top;
    for (const MonitorArea& m : now) {
        outOfSightLeft = std::max(outOfSightLeft, m.bounds.right);
        outOfSightTop = std::min(outOfSightTop, m.bounds.top);
    }
    for (std::size_t i = 0; i < shownOn.size(); ++i) {
        const MonitorArea& was = shownOn[i];
        const auto same = [&was](const MonitorArea& m) {
            return was.device.empty() || m.device.empty() ? m.bounds == was.bounds
                                                          : m.device == was.device;
        };
        const auto still = std::find_if(now.begin(), now.end(), same);
        const Rect& size = placed[i].bounds;
        if (still != now.end()) {
            bounds.push_back(Rect::fromSize(still->bounds.left, still->bounds.top, size.width(),
                                            size.height()));
        } else {
            bounds.push_back(Rect::fromSize(outOfSightLeft, outOfSightTop, size.width(), size.height()));
            outOfSightLeft += size.width();  // several gone windows do not pile on each other
        }
    }
    return bounds;
}

}  // namespace orvane
