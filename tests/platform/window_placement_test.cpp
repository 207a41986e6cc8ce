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

// After WM_DISPLAYCHANGE: windows follow their monitors by device; a window whose monitor is
// gone leaves every other monitor alone.
TEST(WindowPlacement, AfterADisplayChangeWindowsFollowTheirMonitorsAndAGoneOnesWindowLeavesSight) {
    const MonitorArea left{Rect::fromSize(-1024, 0, 1024, 768), false, L"DISPLAY3"};
    const std::vector<MonitorArea> shownOn{
        {Rect::fromSize(0, 0, 1920, 1080), true, L"DISPLAY1"},
        {Rect::fromSize(1920, 200, 1280, 1024), false, L"DISPLAY2"},
        left,
    };
    // Nothing changed (a resolution change elsewhere, or a test's own message): nothing moves.
    EXPECT_EQ(windowBoundsAfterDisplayChange(shownOn, shownOn),
              (std::vector<Rect>{Rect::fromSize(0, 0, 1920, 1080), Rect::fromSize(1920, 200, 1280, 1024),
                                 Rect::fromSize(-1024, 0, 1024, 768)}));
    // A side monitor unplugged: its window goes right of everything (1920), the others stay.
    EXPECT_EQ(windowBoundsAfterDisplayChange(shownOn, {shownOn[0], left}),
              (std::vector<Rect>{Rect::fromSize(0, 0, 1920, 1080), Rect::fromSize(1920, 0, 1280, 1024),
                                 Rect::fromSize(-1024, 0, 1024, 768)}));
    // The primary unplugged: DISPLAY2 becomes the primary at 0,0 and Win1 follows it there;
    // Win0 must not stay at 0,0 over it.
    const std::vector<MonitorArea> withoutPrimary{
        {Rect::fromSize(0, 0, 1280, 1024), true, L"DISPLAY2"}, left};
    EXPECT_EQ(windowBoundsAfterDisplayChange(shownOn, withoutPrimary),
              (std::vector<Rect>{Rect::fromSize(1280, 0, 1920, 1080), Rect::fromSize(0, 0, 1280, 1024),
                                 Rect::fromSize(-1024, 0, 1024, 768)}));
    // Two gone: side by side out of sight, not on each other; a monitor whose resolution
    // changed keeps the window's size at its place (its picture has that size).
    const std::vector<MonitorArea> onlyPrimaryResized{
        {Rect::fromSize(0, -10, 1600, 900), true, L"DISPLAY1"}};
    EXPECT_EQ(windowBoundsAfterDisplayChange(shownOn, onlyPrimaryResized),
              (std::vector<Rect>{Rect::fromSize(0, -10, 1920, 1080), Rect::fromSize(1600, -10, 1280, 1024),
                                 Rect::fromSize(2880, -10, 1024, 768)}));
    // Unnamed devices are known by their rectangles; with no monitor listed nothing moves.
    std::vector<MonitorArea> unnamed = shownOn;
    for (MonitorArea& m : unnamed) {
        m.device.clear();
    }
    EXPECT_EQ(windowBoundsAfterDisplayChange(unnamed, {unnamed[1]})[1], Rect::fromSize(1920, 200, 1280, 1024));
    EXPECT_EQ(windowBoundsAfterDisplayChange(unnamed, {unnamed[1]})[0], Rect::fromSize(3200, 200, 1920, 1080));
    EXPECT_EQ(windowBoundsAfterDisplayChange(shownOn, {})[1], Rect::fromSize(1920, 200, 1280, 1024));
}

}  // namespace
}  // namespace orvane
