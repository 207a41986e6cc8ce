#include <gtest/gtest.h>

#include <QImage>

#include "intro/intro_test_support.h"
#include "intro/title_phase.h"
#include "intro/title_window.h"
#include "platform/virtual_show.h"

namespace orvane {
namespace {

using test::WatchedWindow;

constexpr std::uint32_t kStart = 100000;
constexpr std::uint32_t kSafetyStopMs = 60000;  // a title that is not over by then never ends

int nonBlackPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += (image.pixel(x, y) & 0xFFFFFFu) != 0 ? 1 : 0;
        }
    }
    return count;
}

struct PhaseRig {
    explicit PhaseRig(std::vector<VirtualMonitor> monitors, std::uint32_t startTick = kStart)
        : vs(std::move(monitors), startTick) {
        vs.picture = test::patternedGlyphPicture();
        vs.platform.utcMsSinceMidnight = 5678;
        vs.platform.scriptAction(kSafetyStopMs, [this] { vs.control.requestStop(); });
    }
    VirtualShow vs;
};

TEST(TitlePhase, EndsOnEveryWindowWithTheWindowClearedAndTheLastStepTimeKept) {
    PhaseRig rig({VirtualMonitor{0, 0, 1024, 768}, VirtualMonitor{1024, 0, 640, 480}});
    ShowSequencer& show = rig.vs.show();
    titlePhase(show);
    const std::uint32_t end = rig.vs.platform.peekTicks();
    const std::uint32_t elapsed = rig.vs.platform.elapsedMs();
    ASSERT_LT(elapsed, kSafetyStopMs);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(show.windows[static_cast<std::size_t>(i)].phaseDone);
        EXPECT_EQ(nonBlackPixels(rig.vs.platform.window(i).snapshot()), 0);
        const std::uint32_t last = show.windows[static_cast<std::size_t>(i)].lastFrameTick;
        EXPECT_LE(end - last, elapsed) << "window " << i;  // set during this phase
        EXPECT_GT(last, kStart);
    }
    // The window that finished last was stepped in the last pass.
    EXPECT_LT(end - std::max(show.windows[0].lastFrameTick, show.windows[1].lastFrameTick), 2u);
    // Sleep(1) once more than 20 ms have passed since the last one: a 21 ms cycle.
    const int sleeps = rig.vs.platform.sleepCount();
    EXPECT_GE(sleeps, static_cast<int>(elapsed / 22));
    EXPECT_LE(sleeps, static_cast<int>(elapsed / 21) + 1);
}

TEST(TitlePhase, CompletesAcrossTheTickWrap) {
    for (std::uint32_t before : {2000u, 5000u}) {
        PhaseRig rig({VirtualMonitor{0, 0, 1024, 768}}, 0u - before);
        titlePhase(rig.vs.show());
        EXPECT_TRUE(rig.vs.show().windows[0].phaseDone) << before << " ms before the wrap";
        EXPECT_LT(rig.vs.platform.elapsedMs(), 15000u);
    }
}

TEST(TitlePhase, SurfaceNarrowerThanTheTitlePlacesAndFadesLettersOffScreen) {
    PhaseRig rig({VirtualMonitor{0, 0, 100, 600}});
    ShowSequencer& show = rig.vs.show();
    {
        TitleWindow title(show, show.windows[0]);
        EXPECT_EQ(title.titleFirstColumn(), 0);
        int steps = 0;
        while (!show.windows[0].phaseDone && steps++ < 30000) {
            rig.vs.platform.advance(1000);
            title.step();
        }
        EXPECT_TRUE(show.windows[0].phaseDone);
        EXPECT_EQ(title.lettersPlaced(), 10);
        EXPECT_EQ(title.fadeTotal(), 431);
    }
    EXPECT_EQ(nonBlackPixels(rig.vs.platform.window(0).snapshot()), 0);
}

// 320 x 40: the title row's cell touches the bottom edge, so no letter can ever be placed,
// and with 11 runs under a cap of 12 the wanted number of runs climbs past the run count.
TEST(TitlePhase, TopUpGivesUpWhenNoRunCanBeReused) {
    PhaseRig rig({VirtualMonitor{0, 0, 320, 40}});
    ShowSequencer& show = rig.vs.show();
    TitleWindow title(show, show.windows[0]);
    ASSERT_EQ(title.runs().size(), 11u);
    int steps = 0;
    int peakTarget = 0;
    while (steps++ < 20000) {
        rig.vs.platform.advance(1000);
        title.step();
        peakTarget = std::max(peakTarget, title.targetRuns());
    }
    EXPECT_EQ(title.lettersPlaced(), 0);
    EXPECT_GT(peakTarget, 11);  // every run falling and more wanted: the pick finds none
    EXPECT_LE(title.activeRuns(), 11);
}

std::vector<VirtualMonitor> twoMonitors() {
    return {VirtualMonitor{0, 0, 1024, 768}, VirtualMonitor{1024, 0, 800, 600}};
}

// The stop moment as a share of the unstopped phase's length.
class TitleStop : public ::testing::TestWithParam<double> {
protected:
    static void SetUpTestSuite() {
        PhaseRig rig(twoMonitors());
        titlePhase(rig.vs.show());
        unstoppedMs = rig.vs.platform.elapsedMs();
    }
    static inline std::uint32_t unstoppedMs = 0;
};

TEST_P(TitleStop, StopAtAnyMomentEndsThePhaseWithTheTearDownDone) {
    ASSERT_GT(unstoppedMs, 4000u);
    const auto stopAt = static_cast<std::uint32_t>(GetParam() * unstoppedMs);
    PhaseRig rig(twoMonitors());
    ShowSequencer& show = rig.vs.show();
    WatchedWindow first(rig.vs.platform.window(0));
    WatchedWindow second(rig.vs.platform.window(1));
    show.windows[0].window = &first;
    show.windows[1].window = &second;
    rig.vs.platform.scriptAction(stopAt, [&] { rig.vs.control.requestStop(); });
    titlePhase(show);

    EXPECT_TRUE(show.stopRequested());
    EXPECT_FALSE(show.windows[0].phaseDone && show.windows[1].phaseDone);
    // Pumps come at most 50 ms apart; the phase ends at the poll that reports the stop.
    EXPECT_GE(rig.vs.platform.elapsedMs(), stopAt);
    EXPECT_LE(rig.vs.platform.elapsedMs(), stopAt + 55);
    for (WatchedWindow* w : {&first, &second}) {
        EXPECT_EQ(w->watch.taken, 1);
        EXPECT_EQ(w->watch.live, 0);
    }
}

// Before any run starts, while the runs fall, while the letters fade (the last ~3 s).
INSTANTIATE_TEST_SUITE_P(Moments, TitleStop, ::testing::Values(0.0, 0.05, 0.4, 0.8, 0.97));

TEST(TitlePhase, LastsAboutNineSecondsOnAFullHdScreen) {
    PhaseRig rig({VirtualMonitor{0, 0, 1920, 1080}});
    titlePhase(rig.vs.show());
    ASSERT_TRUE(rig.vs.show().windows[0].phaseDone);
    const std::uint32_t ms = rig.vs.platform.elapsedMs();
    RecordProperty("title_ms_1920x1080", static_cast<int>(ms));
    std::printf("title on 1920 x 1080: %u ms\n", ms);
    // At least the letter fade (2250 + 35 x 20 ms); at most the last start (3000 ms), a fall
    // of 54 + 30 rows at 41 ms, the rows of the longest trail and the fade.
    EXPECT_GE(ms, 2950u);
    EXPECT_LE(ms, 3000u + 85u * 41u + 2950u + 100u);
}

}  // namespace
}  // namespace orvane
