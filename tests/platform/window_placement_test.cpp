// Saver window placement over lists of monitor rectangles, as Windows reports them (the
// substitute for machines with several monitors, which Wine does not show).
#include <gtest/gtest.h>

#include "platform/win32/window_placement.h"

namespace orvane {
namespace {

TEST(WindowPlacement, PrimaryFirstAtZeroThenEachOnItsOwnMonitorIncludingNegativeOnes) {
    // A monitor left of the primary and one above it have negative coordinates.
    const std::vector<MonitorArea> system{
        {Rect::fromSize(-1280, 0, 1280, 1024), false},
        {Rect::fromSize(0, 0, 1920, 1080), true},
        {Rect::fromSize(0, -768, 1024, 768), false},
        {Rect::fromSize(5000, 0, 0, 600), false},  // no area: no window
    };
    const std::vector<MonitorArea> order = showMonitorOrder(system, 1920, 1080);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_TRUE(order[0].primary);
    const std::vector<WindowPlacement> placed = saverWindowPlacements(order);
    ASSERT_EQ(placed.size(), 3u);
    EXPECT_EQ(placed[0].caption, L"Win0");
    EXPECT_EQ(placed[0].bounds, Rect::fromSize(0, 0, 1920, 1080));
    EXPECT_EQ(placed[1].caption, L"Win1");
    EXPECT_EQ(placed[1].bounds, Rect::fromSize(-1280, 0, 1280, 1024));
    EXPECT_EQ(placed[2].caption, L"Win2");
    EXPECT_EQ(placed[2].bounds, Rect::fromSize(0, -768, 1024, 768));
}

TEST(WindowPlacement, TheFirstWindowIsAtZeroWithItsMonitorsSizeWhereverThatMonitorLies) {
    const std::vector<WindowPlacement> placed =
        saverWindowPlacements({{Rect::fromSize(64, 32, 1, 1), true}, {Rect::fromSize(65, 32, 7680, 4320), false}});
    EXPECT_EQ(placed[0].bounds, Rect::fromSize(0, 0, 1, 1)) << "a tiny monitor still gets its window";
    EXPECT_EQ(placed[1].bounds, Rect::fromSize(65, 32, 7680, 4320));
}

TEST(WindowPlacement, NoMonitorListedGivesOneWindowOfTheScreensSize) {
    const std::vector<MonitorArea> order = showMonitorOrder({}, 1366, 768);
    ASSERT_EQ(order.size(), 1u);
    EXPECT_EQ(saverWindowPlacements(order)[0].bounds, Rect::fromSize(0, 0, 1366, 768));
    EXPECT_EQ(showMonitorOrder({}, 0, 0)[0].bounds, Rect::fromSize(0, 0, 1, 1));
}

}  // namespace
}  // namespace orvane
