#include <gtest/gtest.h>


#include <string>

#include "intro/intro_test_support.h"
#include "intro/opening_phase.h"
#include "intro/opening_window.h"
#include "platform/virtual/virtual_show.h"

namespace orvane {
namespace {

using test::WatchedWindow;

int countEllipses(VirtualWindow& window) {
    int count = 0;
    for (const DrawRecord& r : window.records()) {
        count += r.kind == DrawRecord::Kind::Ellipse ? 1 : 0;
    }
    return count;
}

int nonBlackPixels(const PixelPicture& image) {
    int count = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            count += (image.pixel(x, y) & 0xFFFFFFu) != 0 ? 1 : 0;
        }
    }
    return count;
}

TEST(OpeningWindow, RingsGrowByThreeFromTheCentreUntilHalfTheDiagonal) {
    VirtualShow vs;  // 800 x 600
    vs.platform.window(0).setLogging(true);
    ShowSequencer& show = vs.show();
    OpeningWindow wipe(show, show.windows[0]);
    EXPECT_EQ(wipe.centre(), (Point{400, 300}));
    EXPECT_EQ(wipe.limit(), 500);  // sqrt(400^2 + 300^2)

    int steps = 0;
    while (!show.windows[0].phaseDone && steps < 1000) {
        wipe.step();
        ++steps;
    }
    EXPECT_EQ(steps, 168);  // rings k = 0 .. 500 / 3 = 166, then the step that finds it done

    const std::vector<DrawRecord>& records = vs.platform.window(0).records();
    ASSERT_EQ(records.size(), 167u);
    for (int k = 0; k < 167; ++k) {
        const DrawRecord& ring = records[static_cast<std::size_t>(k)];
        const int r = 3 * k + 1;  // radii 1, 4, ..., 499
        EXPECT_EQ(ring.kind, DrawRecord::Kind::Ellipse);
        EXPECT_EQ(ring.area, (Rect{400 - r, 300 - r, 400 + r, 300 + r})) << "ring " << k;
        EXPECT_EQ(ring.pen, (Pen{kBlack, 4}));
        EXPECT_TRUE(ring.brush.hollow);
    }
}

TEST(OpeningPhase, WipesTheDesktopToBlackFromTheCentre) {
    VirtualShow vs;
    const PixelPicture desktop(800, 600, pixelOf(200, 120, 40));
    vs.platform.window(0).setContent(desktop);
    ShowSequencer& show = vs.show();
    {
        OpeningWindow wipe(show, show.windows[0]);
        for (int i = 0; i < 84; ++i) {  // rings up to radius 250
            wipe.step();
        }
        const VirtualWindow& w = vs.platform.window(0);
        EXPECT_EQ(w.pixel(400, 300) & 0xFFFFFFu, 0u);
        EXPECT_EQ(w.pixel(400 + 200, 300) & 0xFFFFFFu, 0u);
        EXPECT_EQ(w.pixel(400 - 150, 300 - 150) & 0xFFFFFFu, 0u);  // 212 from the centre
        EXPECT_NE(w.pixel(400 + 280, 300) & 0xFFFFFFu, 0u);
        EXPECT_NE(w.pixel(0, 0) & 0xFFFFFFu, 0u);
    }
    openingPhase(show);
    EXPECT_EQ(nonBlackPixels(vs.platform.window(0).snapshot()), 0);
}

struct PassCase {
    VirtualMonitor first;
    VirtualMonitor second;
    int firstRings;
    int secondRings;
};

class OpeningPasses : public ::testing::TestWithParam<PassCase> {};

TEST_P(OpeningPasses, PhaseEndsInThePassAfterTheFirstWindowIsDone) {
    const PassCase& c = GetParam();
    VirtualShow vs({c.first, c.second});
    vs.platform.window(0).setLogging(true);
    vs.platform.window(1).setLogging(true);
    openingPhase(vs.show());
    EXPECT_EQ(countEllipses(vs.platform.window(0)), c.firstRings);
    EXPECT_EQ(countEllipses(vs.platform.window(1)), c.secondRings);
    // Each ring reaches the screen as it is drawn: nothing else paces the wipe.
    EXPECT_GE(vs.platform.window(0).presents(), c.firstRings);
    EXPECT_GE(vs.platform.window(1).presents(), c.secondRings);
}

INSTANTIATE_TEST_SUITE_P(
    WindowSizes, OpeningPasses,
    ::testing::Values(
        // 800 x 600: 167 rings, done at pass 168; the larger window (limit 640, 214 rings)
        // gets one ring in each of those 168 passes and is left unfinished.
        PassCase{{0, 0, 800, 600}, {800, 0, 1024, 768}, 167, 168},
        // The larger first: the smaller one is done at pass 168 and skipped after that.
        PassCase{{0, 0, 1024, 768}, {1024, 0, 800, 600}, 214, 167}),
    [](const ::testing::TestParamInfo<PassCase>& info) {
        const PassCase& c = info.param;
        return std::to_string(c.first.width) + "x" + std::to_string(c.first.height) + "Then" +
               std::to_string(c.second.width) + "x" + std::to_string(c.second.height);
    });

TEST(OpeningPhase, LeavesABlackBrushAndAThinPenSelectedAndReleasesEveryContext) {
    VirtualShow vs({VirtualMonitor{0, 0, 800, 600}, VirtualMonitor{800, 0, 640, 480}});
    ShowSequencer& show = vs.show();
    WatchedWindow first(vs.platform.window(0));
    WatchedWindow second(vs.platform.window(1));
    show.windows[0].window = &first;
    show.windows[1].window = &second;
    openingPhase(show);

    for (WatchedWindow* w : {&first, &second}) {
        EXPECT_EQ(w->watch.taken, 1);
        EXPECT_EQ(w->watch.live, 0);
        ASSERT_EQ(w->watch.released.size(), 1u);
        const test::ReleasedContext& dc = w->watch.released[0];
        EXPECT_EQ(dc.brush, (Brush{false, kBlack}));
        EXPECT_EQ(dc.pen, (Pen{kBlack, 1}));
        // The context's own brush and pen are put back before the final ones are selected.
        EXPECT_EQ(dc.brushesSelected, (std::vector<Brush>{{true, kBlack}, {false, kWhite}, {false, kBlack}}));
        EXPECT_EQ(dc.pensSelected, (std::vector<Pen>{{kBlack, 4}, {kBlack, 1}, {kBlack, 1}}));
    }
}

TEST(OpeningPhase, StopDuringTheWipeEndsAfterTheCurrentWindowAndReleasesEveryContext) {
    VirtualShow vs({VirtualMonitor{0, 0, 800, 600}, VirtualMonitor{800, 0, 800, 600}});
    ShowSequencer& show = vs.show();
    WatchedWindow first(vs.platform.window(0));
    WatchedWindow second(vs.platform.window(1));
    show.windows[0].window = &first;
    show.windows[1].window = &second;
    vs.platform.window(0).setLogging(true);
    vs.platform.window(1).setLogging(true);
    int rings = 0;
    first.watch.beforeDraw = [&](const Rect&) {
        if (++rings == 50) {
            vs.control.requestStop();  // as the input handlers do during a message pump
        }
    };
    openingPhase(show);

    // The poll after the first window's 50th ring ends the pass before the second window.
    EXPECT_EQ(countEllipses(vs.platform.window(0)), 50);
    EXPECT_EQ(countEllipses(vs.platform.window(1)), 49);
    for (WatchedWindow* w : {&first, &second}) {
        EXPECT_EQ(w->watch.live, 0);
        ASSERT_EQ(w->watch.released.size(), 1u);
        EXPECT_EQ(w->watch.released[0].brush, (Brush{false, kBlack}));
        EXPECT_EQ(w->watch.released[0].pen, (Pen{kBlack, 1}));
    }
}

}  // namespace
}  // namespace orvane
