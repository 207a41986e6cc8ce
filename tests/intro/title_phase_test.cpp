#include <gtest/gtest.h>


#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

#include "intro/intro_test_support.h"
#include "intro/title_phase.h"
#include "intro/title_window.h"
#include "platform/virtual/virtual_show.h"

namespace orvane {
namespace {

using test::WatchedWindow;

constexpr std::uint32_t kStart = 100000;
constexpr std::uint32_t kSafetyStopMs = 60000;  // a title that is not over by then never ends

int nonBlackPixels(const PixelPicture& image) {
    int count = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            count += (image.pixel(x, y) & 0xFFFFFFu) != 0 ? 1 : 0;
        }
    }
    return count;
}

struct PhaseRig {
    explicit PhaseRig(std::vector<VirtualMonitor> monitors, std::uint32_t startTick = kStart,
                      std::uint32_t safetyStopMs = kSafetyStopMs)
        : vs(std::move(monitors), startTick) {
        vs.picture = test::patternedGlyphPicture();
        vs.platform.utcMsSinceMidnight = 5678;
        vs.platform.scriptAction(safetyStopMs, [this] { vs.control.requestStop(); });
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
        PhaseRig rig({VirtualMonitor{0, 0, 1024, 768}}, 0u - before, 20000);
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
            rig.vs.platform.window(0).present();
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
    // Steps after which every run is falling and more are wanted: a pick could never succeed.
    int stuckSteps = 0;
    for (int steps = 0; steps < 20000 && stuckSteps < 200; ++steps) {
        rig.vs.platform.advance(1000);
        title.step();
        rig.vs.platform.window(0).present();  // as a message pump would
        const bool allFalling = std::all_of(title.runs().begin(), title.runs().end(),
                                            [](const orvane::Run& run) { return run.falling; });
        stuckSteps += allFalling && title.targetRuns() > title.activeRuns() ? 1 : 0;
    }
    EXPECT_EQ(stuckSteps, 200);
    EXPECT_EQ(title.lettersPlaced(), 0);
    EXPECT_EQ(title.activeRuns(), 11);
}

// 224 x 40: 14 columns, runs in columns 2 to 11, and no letter can be placed, so runs end and
// are reused all along. The top-up brings runs back while fewer fall than wanted, but never
// more than (14 / 3) x 2 = 8; and each ended run moves the wanted number by -1, 0 or +1.
TEST(TitlePhase, TopUpFillsToTwoThirdsOfTheColumnsAndTheTargetWalksByOne) {
    PhaseRig rig({VirtualMonitor{0, 0, 224, 40}});
    ShowSequencer& show = rig.vs.show();
    TitleWindow title(show, show.windows[0]);
    ASSERT_EQ(title.runs().size(), 10u);
    bool toppedUp = false;
    int mostAfterTopUp = 0;
    int mostWanted = 0;
    int walkEnds = 0;
    int walkSum = 0;
    std::set<int> singleEndSteps;
    for (int steps = 0; steps < 20000; ++steps) {
        rig.vs.platform.advance(1000);
        const std::uint32_t now = rig.vs.platform.peekTicks();
        const int activeBefore = title.activeRuns();
        const int targetBefore = title.targetRuns();
        title.step();
        rig.vs.platform.window(0).present();
        int reused = 0;
        for (const orvane::Run& run : title.runs()) {
            // What the top-up leaves in a run it brings back.
            if (run.falling && run.headY == 0 && run.startTick == now && run.stepInterval == 0) {
                ++reused;
            }
        }
        toppedUp = toppedUp || reused > 0;
        mostWanted = std::max(mostWanted, title.targetRuns());
        if (toppedUp) {
            mostAfterTopUp = std::max(mostAfterTopUp, title.activeRuns());
        }
        const int ended = activeBefore + reused - title.activeRuns();
        if (ended > 0 && targetBefore - ended >= 14 / 4) {  // no end can meet the floor
            const int step = title.targetRuns() - targetBefore;
            ASSERT_LE(std::abs(step), ended) << steps;
            walkEnds += ended;
            walkSum += step;
            if (ended == 1) {
                singleEndSteps.insert(step);
            }
        }
    }
    EXPECT_EQ(title.lettersPlaced(), 0);
    ASSERT_TRUE(toppedUp);
    EXPECT_EQ(mostAfterTopUp, 8);
    EXPECT_GT(mostWanted, 8);  // more were wanted than the cap allows
    EXPECT_EQ(singleEndSteps, (std::set<int>{-1, 0, 1}));
    // A step has mean 0 and variance 2/3: the sum stays within 4 standard deviations.
    ASSERT_GT(walkEnds, 100);
    EXPECT_LT(std::abs(walkSum), 4.0 * std::sqrt(walkEnds * 2.0 / 3.0)) << walkEnds << " ends";
}

std::vector<VirtualMonitor> twoMonitors() {
    return {VirtualMonitor{0, 0, 1024, 768}, VirtualMonitor{1024, 0, 800, 600}};
}

// Saver windows that report every context's release, and a stop either at a virtual time
// (delivered by the next message pump) or while the letters of the first window fade.
struct StopRig {
    StopRig() : rig(twoMonitors()), first(rig.vs.platform.window(0)), second(rig.vs.platform.window(1)) {
        ShowSequencer& show = rig.vs.show();
        show.windows[0].window = &first;
        show.windows[1].window = &second;
    }

    void expectStoppedWithTearDownDone() {
        ShowSequencer& show = rig.vs.show();
        EXPECT_TRUE(show.stopRequested());
        EXPECT_FALSE(show.windows[0].phaseDone && show.windows[1].phaseDone);
        for (WatchedWindow* w : {&first, &second}) {
            EXPECT_EQ(w->watch.taken, 1);
            EXPECT_EQ(w->watch.live, 0);
        }
    }

    PhaseRig rig;
    WatchedWindow first;
    WatchedWindow second;
};

class TitleStop : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(TitleStop, StopAtAnyMomentEndsThePhaseWithTheTearDownDone) {
    const std::uint32_t stopAt = GetParam();
    StopRig s;
    s.rig.vs.platform.scriptAction(stopAt, [&] { s.rig.vs.control.requestStop(); });
    titlePhase(s.rig.vs.show());
    s.expectStoppedWithTearDownDone();
    // Pumps come at most 50 ms apart; the phase ends at the poll that reports the stop.
    EXPECT_GE(s.rig.vs.platform.elapsedMs(), stopAt);
    EXPECT_LE(s.rig.vs.platform.elapsedMs(), stopAt + 55);
}

// Before any run starts, as the first runs start, while they fall and letters are placed.
INSTANTIATE_TEST_SUITE_P(Moments, TitleStop, ::testing::Values(0u, 300u, 2500u, 4500u));

TEST(TitlePhase, StopWhileTheLettersFadeEndsThePhaseWithTheTearDownDone) {
    StopRig s;
    const Rect titleRow = Rect::fromSize(16 * 27, 20 * 19, 16 * 10, 20);  // 1024 x 768
    int letterCopies = 0;
    std::uint32_t stopAt = 0;
    s.first.watch.beforeDraw = [&](const Rect& area) {
        // Ten copies place the letters; the fade copies a letter cell every 20 ms.
        if (area.top == titleRow.top && area.left >= titleRow.left && area.right <= titleRow.right &&
            ++letterCopies == 100) {
            stopAt = s.rig.vs.platform.elapsedMs();
            s.rig.vs.control.requestStop();
        }
    };
    titlePhase(s.rig.vs.show());
    ASSERT_EQ(letterCopies, 100);
    s.expectStoppedWithTearDownDone();
    EXPECT_LE(s.rig.vs.platform.elapsedMs(), stopAt + 2);  // reported by the next poll
}

TEST(TitlePhase, EndsWithinTheLastFallAndTheLetterFadeOnAFullHdScreen) {
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
