// One frame of rain on a virtual window: what reaches the surface and the window, and when.
#include <gtest/gtest.h>

#include <numbers>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <set>

#include "rain/cell_ops.h"
#include "rain/rain_frame.h"
#include "rain_harness.h"
#include "show/ticks.h"

namespace orvane {
namespace {

constexpr int kBandOfRow[kRunGlyphs] = {0, 4, 3, 2, 1};  // head, then 1..4 rows above it

Colour darkened(Colour c, int amount) {
    const RgbChannels ch = splitColour(c);
    return rgb(std::max(ch.red - amount, 0), std::max(ch.green - amount, 0),
               std::max(ch.blue - amount, 0));
}

void fillCell(Surface& surface, int x, int y, Colour colour) {
    for (int row = y; row < y + kRowPitch; ++row) {
        for (int col = x; col < x + kColumnPitch; ++col) {
            surface.setPixel(col, row, colour);
        }
    }
}

// Run i of the harness falling from the top, due to step at the next frame after ms.
orvane::Run& placeRun(RainHarness& h, int i, std::uint32_t ms, int interval, int trailLength) {
    orvane::Run& run = h.rain->runs[static_cast<std::size_t>(i)];
    run.falling = true;
    ++h.rain->activeRuns;
    run.startTick = h.tickAt(ms);
    run.lastStepTick = h.tickAt(ms);
    run.stepInterval = interval;
    run.trailLength = trailLength;
    run.headY = 0;
    return run;
}

std::vector<Rect> surfaceCopies(VirtualWindow& window) {
    std::vector<Rect> areas;
    for (const DrawRecord& r : window.records()) {
        if (r.kind == DrawRecord::Kind::SurfaceCopy) {
            areas.push_back(r.area);
        }
    }
    return areas;
}

TEST(RainSetUp, BlackSurfaceOfTheClientSizeAndABlackWindow) {
    VirtualShow vs({VirtualMonitor{0, 0, 330, 200}}, 5000);
    const PixelPicture white(330, 200, pixelOf(255, 255, 255));
    vs.platform.window(0).setContent(white);
    RainWindow rain(vs.show(), vs.show().windows[0]);
    EXPECT_EQ(rain.surface().width(), 330);
    EXPECT_EQ(rain.surface().height(), 200);
    int lit = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 330; ++x) {
            lit += rain.surface().pixel(x, y) != kBlack;
            lit += colourOf(vs.platform.window(0).pixel(x, y)) != kBlack;
        }
    }
    EXPECT_EQ(lit, 0);
}

TEST(RainSetUp, OneRunPerWholeColumnStartingWithinTenSeconds) {
    RainHarness h(330, 200);  // 20 whole columns; the 10 pixels left over get no run
    const std::uint32_t setUp = h.tickAt(0);
    ASSERT_EQ(h.rain->runs.size(), 20u);
    int falling = 0;
    for (std::size_t c = 0; c < h.rain->runs.size(); ++c) {
        const orvane::Run& run = h.rain->runs[c];
        EXPECT_EQ(run.columnX, static_cast<int>(16 * c));
        EXPECT_EQ(run.headY, 0);
        EXPECT_FALSE(tickBefore(run.startTick, setUp));
        EXPECT_TRUE(tickBefore(run.startTick, setUp + 10001));
        falling += run.falling;
    }
    EXPECT_EQ(h.rain->activeRuns, falling);
    EXPECT_EQ(h.rain->targetRuns, 0);
    EXPECT_EQ(h.rain->minRuns, 8);  // 20 x 0.4
    EXPECT_EQ(h.rain->darkenStep, 6);
    EXPECT_EQ(h.rain->fadeStepCount, 43);
    EXPECT_TRUE(h.rain->interchanges.empty());
}

TEST(RainSetUp, DensityDecidesMinRunsAndTheRunsFallingAtTheStart) {
    struct Case {
        int density;
        int minRuns;
        int fewestFalling, mostFalling;
    };
    const Case cases[] = {
        {3, 35, 20, 52},      // 120 x 0.3 taken exactly is a hair under 36
        {4, 48, 30, 66},      // each falls with chance 401 in 1000
        {10, 120, 120, 120},  // every r of Random(1000) is at most 1000
    };
    for (const Case& c : cases) {
        RainHarness h(1920, 100, [&](Settings& s) { s.densityFraction = c.density / 10.0; });
        EXPECT_EQ(h.rain->minRuns, c.minRuns) << c.density;
        const auto falling = std::count_if(h.rain->runs.begin(), h.rain->runs.end(),
                                           [](const orvane::Run& r) { return r.falling; });
        EXPECT_EQ(h.rain->activeRuns, falling);
        EXPECT_GE(falling, c.fewestFalling) << c.density;
        EXPECT_LE(falling, c.mostFalling) << c.density;
        // Start ticks are drawn again at set-up as now + Random(10000): 120 runs come over
        // the whole ten seconds.
        std::uint32_t earliest = 10000;
        std::uint32_t latest = 0;
        for (const orvane::Run& run : h.rain->runs) {
            earliest = std::min(earliest, run.startTick - h.tickAt(0));
            latest = std::max(latest, run.startTick - h.tickAt(0));
        }
        EXPECT_LT(earliest, 500u) << c.density;
        EXPECT_GT(latest, 9500u) << c.density;
        EXPECT_LT(latest, 10000u + 10u) << c.density;  // set-up reads the clock a few times
    }
}

TEST(RainFrame, NothingMovesBeforeTheRunsStartTicks) {
    RainHarness h(320, 200);
    int firstSteps = 0;
    std::vector<int> headBefore(h.rain->runs.size(), 0);
    for (std::uint32_t ms = 40; ms <= 11000; ms += 40) {
        h.frameAt(ms);
        const std::uint32_t now = h.tickAt(ms);
        for (std::size_t i = 0; i < headBefore.size(); ++i) {
            const orvane::Run& run = h.rain->runs[i];
            const bool firstStep = headBefore[i] == 0 && run.headY == kRowPitch;
            headBefore[i] = run.headY;
            if (firstStep) {
                ++firstSteps;
                EXPECT_FALSE(tickBefore(now, run.startTick));
                EXPECT_TRUE(tickBefore(now, run.startTick + run.stepInterval + 41));
            }
        }
        if (ms == 40) {
            EXPECT_EQ(h.rain->cellsShown, 0u);  // no start tick lies in the first 40 ms
        }
    }
    EXPECT_GE(firstSteps, h.rain->minRuns);
}

TEST(RainFrame, SameTickChangesNothing) {
    RainHarness h(320, 200);
    placeRun(h, 3, 0, 0, 8);
    h.frameAt(100);
    ASSERT_EQ(h.rain->runs[3].headY, 20);
    // The next read is within the same millisecond as the end of the last frame.
    const double phase = h.rain->ratePhase;
    const std::uint32_t rateTick = h.rain->lastRateTick;
    const auto shown = h.rain->cellsShown;
    h.rain->darkenStep = 10;
    h.rain->interchanges.push_back(makeTailEraser(0, 0, 10));  // due whenever a frame runs
    h.rain->step();
    EXPECT_EQ(h.rain->interchanges.back().fireCount, 0);
    EXPECT_EQ(h.rain->darkenStep, 10);
    EXPECT_EQ(h.rain->runs[3].headY, 20);
    EXPECT_EQ(h.rain->ratePhase, phase);
    EXPECT_EQ(h.rain->lastRateTick, rateTick);
    EXPECT_EQ(h.rain->cellsShown, shown);
    // A millisecond later the frame runs.
    h.frameAt(101);
    EXPECT_EQ(h.rain->runs[3].headY, 40);
    EXPECT_EQ(h.rain->interchanges.back().fireCount, 1);
    EXPECT_EQ(h.rain->darkenStep, 9);
}

TEST(RainFrame, RunDrawsItsHeadAndTheFourCellsAboveInTheirBands) {
    RainHarness h(320, 200);
    h.stopAllRuns();
    h.window().setLogging(true);
    orvane::Run& run = placeRun(h, 5, 0, 10, 8);
    const int x = 80;

    h.quietFrameAt(20);
    // First step: the head at y 0, the older cells above the surface; the strip copy is
    // clipped to the window.
    EXPECT_EQ(run.headY, 20);
    const int firstHeadGlyph = run.glyphs[0];
    EXPECT_EQ(h.rain->surface().pixel(x + 3, 5), h.glyphColour(firstHeadGlyph, 0));
    EXPECT_EQ(colourOf(h.window().pixel(x + 3, 5)), h.glyphColour(firstHeadGlyph, 0));
    EXPECT_EQ(surfaceCopies(h.window()), (std::vector<Rect>{Rect::fromSize(x, 0, 16, 20)}));

    for (std::uint32_t ms = 40; ms <= 100; ms += 20) {
        h.quietFrameAt(ms);
    }
    ASSERT_EQ(run.headY, 100);
    // Five cells, the head lowest: highlight, then 9, 7, 3 and 0 tenths toward the tint.
    for (int k = 0; k < kRunGlyphs; ++k) {
        const int y = 80 - 20 * k;
        const Colour expected = h.glyphColour(run.glyphs[k], kBandOfRow[k]);
        EXPECT_EQ(h.rain->surface().pixel(x + 8, y + 10), expected) << k;
        EXPECT_EQ(colourOf(h.window().pixel(x + 8, y + 10)), expected) << k;
        EXPECT_EQ(colourOf(h.window().pixel(x + 15, y + 19)), expected) << k;
    }
    // The first head's glyph stays with its cell, now in the tint.
    EXPECT_EQ(h.rain->surface().pixel(x, 0), h.glyphColour(firstHeadGlyph, 1));
    EXPECT_EQ(surfaceCopies(h.window()).back(), Rect::fromSize(x, 0, 16, 100));
    EXPECT_EQ(surfaceCopies(h.window()).size(), 5u);
    // The glyph is 18 wide: on the surface it reaches 2 pixels into the next column, which the
    // window only gets when that column's cell is shown.
    EXPECT_EQ(h.rain->surface().pixel(x + 17, 90), h.glyphColour(run.glyphs[0], 0));
    EXPECT_EQ(h.rain->surface().pixel(x + 18, 90), kBlack);
    EXPECT_EQ(colourOf(h.window().pixel(x + 16, 90)), kBlack);
}

TEST(RainFrame, RunStepsOnlyAfterStrictlyMoreThanItsInterval) {
    struct Case {
        int interval;
        int steps;  // in 12 frames 40 ms apart
    };
    const Case cases[] = {{0, 12}, {39, 12}, {40, 6}, {44, 6}, {79, 6}, {80, 4}, {100, 4}};
    for (const Case& c : cases) {
        RainHarness h(320, 600);
        h.stopAllRuns();
        orvane::Run& run = placeRun(h, 2, 0, c.interval, 30);
        for (std::uint32_t frame = 1; frame <= 12; ++frame) {
            h.quietFrameAt(40 * frame);
        }
        EXPECT_EQ(run.headY / kRowPitch, c.steps) << "interval " << c.interval;
    }
}

TEST(RainFrame, ShowCellCopiesTheSurfaceToTheSamePlaceOfTheWindowClipped) {
    RainHarness h(320, 200);
    h.window().setLogging(true);
    fillCell(h.rain->surface(), 304, 180, rgb(10, 20, 30));
    h.rain->surface().setPixel(303, 185, rgb(1, 2, 3));
    h.rain->showCell(304, 190, 16, 20);
    EXPECT_EQ(colourOf(h.window().pixel(304, 190)), rgb(10, 20, 30));
    EXPECT_EQ(colourOf(h.window().pixel(319, 199)), rgb(10, 20, 30));
    EXPECT_EQ(colourOf(h.window().pixel(304, 189)), kBlack);  // above the area
    EXPECT_EQ(colourOf(h.window().pixel(303, 185)), kBlack);
    EXPECT_EQ(surfaceCopies(h.window()), (std::vector<Rect>{Rect::fromSize(304, 190, 16, 10)}));
}

TEST(RainFrame, ShowCellCopiesEveryPixelExactly) {
    RainHarness h(320, 200);
    Random bytes(99);
    Surface& surface = h.rain->surface();
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            surface.setPixel(x, y, rgb(bytes(256), bytes(256), bytes(256)));
        }
    }
    const Rect areas[] = {Rect::fromSize(3, 5, 13, 7),    Rect::fromSize(16, 20, 16, 20),
                          Rect::fromSize(50, 60, 1, 3),   Rect::fromSize(61, 70, 5, 2),
                          Rect::fromSize(0, 100, 320, 1), Rect::fromSize(317, 190, 9, 20)};
    for (const Rect& a : areas) {
        h.rain->showCell(a.left, a.top, a.width(), a.height());
    }
    int wrong = 0;
    int copied = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 320; ++x) {
            bool inside = false;
            for (const Rect& a : areas) {
                inside = inside || (x >= a.left && x < a.right && y >= a.top && y < a.bottom);
            }
            const Colour shown = colourOf(h.window().pixel(x, y));
            copied += inside;
            wrong += shown != (inside ? surface.pixel(x, y) : kBlack);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(copied, 13 * 7 + 16 * 20 + 1 * 3 + 5 * 2 + 320 * 1 + 3 * 10);  // clipped at the edges
}

TEST(RainFrame, TailEraserDarkensItsCellFortyThreeTimesToBlack) {
    RainHarness h(320, 200);
    h.stopAllRuns();
    fillCell(h.rain->surface(), 32, 40, kWhite);
    fillCell(h.rain->surface(), 48, 40, kWhite);
    h.rain->interchanges.push_back(makeTailEraser(32, 40, 10));
    for (int frame = 1; frame <= 43; ++frame) {
        h.quietFrameAt(40 * frame);
        const int level = std::max(255 - 6 * frame, 0);  // 255 - 6 x 42 = 3, then 0
        ASSERT_EQ(h.rain->surface().pixel(40, 50), rgb(level, level, level)) << frame;
        ASSERT_EQ(colourOf(h.window().pixel(32, 59)), rgb(level, level, level)) << frame;
        ASSERT_EQ(h.rain->interchanges.size(), 1u) << frame;
    }
    EXPECT_EQ(colourOf(h.window().pixel(47, 40)), kBlack);
    EXPECT_EQ(h.rain->surface().pixel(48, 40), kWhite);  // only its own 16 x 20 cell
    h.quietFrameAt(40 * 44);                             // the 44th firing removes it
    EXPECT_TRUE(h.rain->interchanges.empty());
}

TEST(RainFrame, RunHandsTheTopOfItsTrailToATailEraserThatFiresAtOnce) {
    RainHarness h(320, 200);
    h.stopAllRuns();
    orvane::Run& run = placeRun(h, 4, 0, 10, 2);
    const int x = 64;
    h.quietFrameAt(20);
    h.quietFrameAt(40);
    EXPECT_TRUE(h.rain->interchanges.empty());  // tail still above the window
    h.quietFrameAt(60);                         // head at 40: the trail's top reaches row 0
    ASSERT_EQ(h.rain->interchanges.size(), 1u);
    EXPECT_EQ(h.rain->interchanges[0].cellX, x);
    EXPECT_EQ(h.rain->interchanges[0].cellY, 0);
    EXPECT_EQ(h.rain->interchanges[0].fireCount, 1);
    // Drawn in band 3 by this step, then darkened once in the same frame.
    const Colour expected = darkened(h.glyphColour(run.glyphs[2], 3), 6);
    EXPECT_EQ(h.rain->surface().pixel(x + 5, 5), expected);
    EXPECT_EQ(colourOf(h.window().pixel(x + 5, 5)), expected);
    // It is due again once more than 10 ms have passed: frames 11 ms apart darken the cell
    // each time, a frame 10 ms after a firing does not. (The run is held, so nothing else
    // draws there.)
    run.stepInterval = 100000;
    const Colour band3 = h.glyphColour(run.glyphs[2], 3);
    const std::uint32_t frames[] = {71, 81, 92, 103, 113, 124};
    const int darkenings[] = {2, 2, 3, 4, 4, 5};  // 71 - 60 = 11 > 10; 81 - 71 = 10: not due
    for (std::size_t i = 0; i < std::size(frames); ++i) {
        h.quietFrameAt(frames[i]);
        ASSERT_EQ(h.rain->interchanges.size(), 1u);
        EXPECT_EQ(h.rain->interchanges[0].fireCount, darkenings[i]) << frames[i];
        EXPECT_EQ(colourOf(h.window().pixel(x + 5, 5)), darkened(band3, 6 * darkenings[i]))
            << frames[i];
    }
}

TEST(RainFrame, RunEndsWhenItsTrailLeavesTheWindow) {
    RainHarness h(320, 200);  // 10 rows
    h.stopAllRuns();
    h.rain->minRuns = 3;
    orvane::Run& run = placeRun(h, 7, 0, 10, 2);
    std::uint32_t ms = 0;
    while (run.headY < 240) {
        h.quietFrameAt(ms += 20);
    }
    // The step with the head at 220 made the eraser of the bottom row (180).
    ASSERT_TRUE(run.falling);
    EXPECT_EQ(h.rain->interchanges.back().cellY, 180);
    EXPECT_EQ(h.rain->targetRuns, 0);
    h.quietFrameAt(ms += 20);
    EXPECT_FALSE(run.falling);
    EXPECT_EQ(h.rain->targetRuns, 3);  // 0 - 1 .. 0 + 1, raised to MinRuns
    // The refill brought three other runs back in the same frame, from the top.
    EXPECT_EQ(h.rain->activeRuns, 3);
    for (const orvane::Run& other : h.rain->runs) {
        if (other.falling) {
            EXPECT_EQ(other.headY, 0);
            EXPECT_EQ(other.startTick, h.tickAt(ms));
        }
    }
    // An ended run keeps its timing but neither moves nor draws.
    const int headY = run.headY;
    h.window().setLogging(true);
    h.quietFrameAt(ms += 20);
    EXPECT_EQ(run.headY, headY);
    EXPECT_EQ(run.lastStepTick, h.tickAt(ms));
    for (const Rect& r : surfaceCopies(h.window())) {
        EXPECT_EQ(r.height(), kRowPitch);  // the erasers' cells, no strip
    }
}

TEST(RainFrame, HeadsAreDrawnDownToThreeRowsBelowTheBottom) {
    RainHarness h(320, 200);
    h.stopAllRuns();
    orvane::Run& run = placeRun(h, 1, 0, 10, 30);
    h.window().setLogging(true);
    std::uint32_t ms = 0;
    while (run.headY <= 300) {
        h.quietFrameAt(ms += 20);
    }
    std::vector<Rect> strips;
    for (const Rect& r : surfaceCopies(h.window())) {
        if (r.height() > 20 || r.top == 0) {
            strips.push_back(r);
        }
    }
    // Heads at 0 .. 240 (240 < 200 + 60), none at 260 and beyond.
    ASSERT_EQ(strips.size(), 13u);
    EXPECT_EQ(strips.back(), Rect::fromSize(16, 160, 16, 40));  // head at 240, clipped
    // The bottom row was last drawn in band 2, three rows behind that head.
    EXPECT_EQ(h.rain->surface().pixel(20, 190), h.glyphColour(run.glyphs[3], 2));
}

struct Firings {
    int kind;
    int ownerHeadY, ownerTrail;
    int firingsToRemoval;
    bool replaced;
};

TEST(RainFrame, ChangeKindsLiveTheirNumberOfFirings) {
    const Firings cases[] = {
        {0, 400, 20, 44, false},  // fade: FadeStepCount + 1
        {3, 400, 20, 44, false},
        {4, 400, 20, 17, true},  // dim 15 times, replace, then removed
        {8, 400, 20, 17, true},
        {6, 400, 5, 17, false},  // the trail's top (300) has passed the cell: no new glyph
        {6, 140, 5, 17, false},  // the cell is the trail's top (140 - 5 x 20): not below it
        {6, 120, 5, 17, true},   // the top (20) is a row above the cell: a new glyph
        {6, 0, 5, 17, true},     // owner reset meanwhile: the new glyph comes
        {9, 400, 20, 1, true},   // replace at once
        {98, 400, 20, 1, true},
    };
    for (const Firings& c : cases) {
        RainHarness h(320, 200);
        h.stopAllRuns();
        h.rain->runs[0].headY = c.ownerHeadY;
        h.rain->runs[0].trailLength = c.ownerTrail;
        fillCell(h.rain->surface(), 16, 40, rgb(200, 200, 200));
        Interchange change;
        change.cellX = 16;
        change.cellY = 40;
        change.lastFireTick = h.tickAt(0);
        change.fireInterval = 100;
        change.changeKind = c.kind;
        change.ownerRun = 0;
        h.rain->interchanges.push_back(change);
        int firings = 0;
        Colour beforeLast = 0;
        while (!h.rain->interchanges.empty() && firings < 100) {
            beforeLast = h.rain->surface().pixel(20, 50);
            h.quietFrameAt(101 * ++firings);
            // Frames between firings change nothing: due only after strictly more than 100 ms.
            h.quietFrameAt(101 * firings + 100 - firings);
        }
        EXPECT_EQ(firings, c.firingsToRemoval) << "kind " << c.kind;
        const Colour cell = h.rain->surface().pixel(20, 50);
        std::set<Colour> tintGlyphs;
        for (int g = 0; g < 55; ++g) {
            tintGlyphs.insert(h.glyphColour(g, 1));
        }
        if (c.kind <= 3) {
            EXPECT_EQ(cell, kBlack);
        } else if (c.kind <= 8) {
            EXPECT_EQ(beforeLast, cell);  // the removing firing draws nothing
            EXPECT_EQ(tintGlyphs.count(cell), c.replaced ? 1u : 0u) << "kind " << c.kind;
            if (!c.replaced) {
                EXPECT_EQ(cell, rgb(110, 110, 110));  // 200 - 15 x 6
            }
        } else {
            EXPECT_EQ(tintGlyphs.count(cell), 1u) << "kind " << c.kind;
        }
        EXPECT_EQ(colourOf(h.window().pixel(20, 50)), cell) << "kind " << c.kind;
    }
}

TEST(RainFrame, InterchangesFireFromTheLastToTheFirstAndSurvivorsKeepTheirOrder) {
    RainHarness h(320, 200);
    h.stopAllRuns();
    h.window().setLogging(true);
    h.rain->runs[0].headY = 400;
    h.rain->runs[0].trailLength = 20;
    for (int i = 0; i < 6; ++i) {
        Interchange change;
        change.cellX = 16 * i;
        change.cellY = 20;
        change.lastFireTick = h.tickAt(0);
        change.fireInterval = 100;
        change.changeKind = i % 2 == 0 ? 50 : 1;  // replace-at-once ones leave the list
        change.ownerRun = 0;
        h.rain->interchanges.push_back(change);
    }
    h.quietFrameAt(101);
    std::vector<int> fired;
    for (const Rect& r : surfaceCopies(h.window())) {
        fired.push_back(r.left / 16);
    }
    EXPECT_EQ(fired, (std::vector<int>{5, 4, 3, 2, 1, 0}));
    std::vector<int> left;
    for (const Interchange& c : h.rain->interchanges) {
        left.push_back(c.cellX / 16);
    }
    EXPECT_EQ(left, (std::vector<int>{1, 3, 5}));
}

TEST(RainFrame, RandomSpotsLieInsideTrailsOnTheWindow) {
    RainHarness h(320, 600);
    h.stopAllRuns();
    for (orvane::Run& run : h.rain->runs) {
        run.headY = 0;  // every spot of these lies above the window
    }
    h.rain->runs[5].headY = 300;
    h.rain->runs[5].trailLength = 9;  // Random(0): always 6 rows above the next head
    h.rain->runs[9].headY = 700;
    h.rain->runs[9].trailLength = 20;  // 6 to 16 rows above: 580 down to 380
    h.moveTo(2000);
    h.rain->lastRateTick = h.tickAt(1000);
    h.rain->ratePhase = std::numbers::pi / 2;  // 8100 a second: 1000 spots, the cap
    h.rain->step();
    std::set<int> rowsOf5;
    std::set<int> rowsOf9;
    for (const Interchange& c : h.rain->interchanges) {
        ASSERT_TRUE(c.ownerRun == 5 || c.ownerRun == 9) << c.ownerRun;
        EXPECT_EQ(c.cellX, 16 * c.ownerRun);
        EXPECT_EQ(c.fireInterval, 100);
        EXPECT_EQ(c.lastFireTick, h.tickAt(2000));
        EXPECT_GE(c.changeKind, 0);
        EXPECT_LT(c.changeKind, 99);
        (c.ownerRun == 5 ? rowsOf5 : rowsOf9).insert(c.cellY);
    }
    EXPECT_EQ(rowsOf5, (std::set<int>{180}));
    EXPECT_EQ(*rowsOf9.begin(), 380);
    EXPECT_EQ(*rowsOf9.rbegin(), 580);
    EXPECT_EQ(rowsOf9.size(), 11u);
}

TEST(RainFrame, SpotRateSwingsBetween100And8100ASecond) {
    struct Case {
        double phase;
        std::uint32_t sinceLastMs;
        int spots;  // drawn; nine in ten become changes
    };
    const Case cases[] = {
        {std::numbers::pi / 2, 100, 810},       // 4000 + 4000 + 100 = 8100 a second
        {3 * std::numbers::pi / 2, 1000, 100},  // -4000 + 4000 + 100
        {0.0, 250, 1025},           // 4100 a second, but at most 1000 a frame
        {0.2, 40, 195},             // trunc(sin 0.2 x 4000) = 794: 4894 a second
    };
    for (const Case& c : cases) {
        RainHarness h(320, 600);
        h.stopAllRuns();
        for (orvane::Run& run : h.rain->runs) {
            run.headY = 400;
            run.trailLength = 9;
        }
        h.moveTo(5000);
        h.rain->ratePhase = c.phase;
        h.rain->lastRateTick = h.tickAt(5000 - c.sinceLastMs);
        h.rain->step();
        const int expected = std::min(c.spots, 1000);
        const int made = static_cast<int>(h.rain->interchanges.size());
        // Binomial with p = 0.9: well within five standard deviations.
        const double sd = std::sqrt(expected * 0.09);
        EXPECT_NEAR(made, 0.9 * expected, 5 * sd + 1) << c.phase;
        EXPECT_LE(made, expected);
    }
}

TEST(RainFrame, AfterALongPauseAThousandSpotsAndThePhaseComesBackATurnAFrame) {
    RainHarness h(320, 600);
    h.stopAllRuns();
    for (orvane::Run& run : h.rain->runs) {
        run.headY = 400;
        run.trailLength = 9;
    }
    h.quietFrameAt(40);
    const double before = h.rain->ratePhase;
    h.frameAt(40 + 10 * 60000);  // ten minutes of power save
    const int made = static_cast<int>(h.rain->interchanges.size());
    EXPECT_LE(made, 1000);
    EXPECT_GE(made, 850);  // 900 expected
    // 600 s x 2 pi x 0.01 = 37.7 rad, one turn taken off.
    const double turn = 6.2831852;
    EXPECT_NEAR(h.rain->ratePhase, before + 600 * turn * 0.01 - turn, 1e-9);
    std::uint32_t ms = 40 + 10 * 60000;
    int frames = 0;
    while (h.rain->ratePhase > turn) {
        const double last = h.rain->ratePhase;
        h.frameAt(ms += 40);
        ++frames;
        EXPECT_NEAR(h.rain->ratePhase, last + 0.04 * turn * 0.01 - turn, 1e-9);
    }
    EXPECT_EQ(frames, 5);
    h.frameAt(ms += 40);
    EXPECT_NEAR(h.rain->ratePhase, std::fmod(before + 600.24 * turn * 0.01, turn), 1e-6);
    EXPECT_EQ(h.rain->rateFrequency, 0.01);  // a pause shorter than the uptime at set-up
}

TEST(RainFrame, RateFrequencyIsRedrawnOnlyAfterAPauseLongerThanItsThreshold) {
    // Set up 2 s after the machine started: the first threshold is the tick count, 2000.
    RainHarness h(320, 200, {}, 2000);
    EXPECT_EQ(h.rain->rateChangeInterval, 2000u);
    std::uint32_t ms = 0;
    while (ms < 5000) {
        h.frameAt(ms += 40);
    }
    EXPECT_EQ(h.rain->rateFrequency, 0.01);
    h.frameAt(ms += 2000);  // exactly the threshold: not more
    EXPECT_EQ(h.rain->rateFrequency, 0.01);
    h.frameAt(ms += 2001);
    EXPECT_NE(h.rain->rateFrequency, 0.01);
    EXPECT_GE(h.rain->rateFrequency, 0.0);
    EXPECT_LT(h.rain->rateFrequency, 0.5);
    EXPECT_GE(h.rain->rateChangeInterval, 200u);
    EXPECT_LT(h.rain->rateChangeInterval, 4200u);
    const double drawn = h.rain->rateFrequency;
    for (int i = 0; i < 100; ++i) {
        h.frameAt(ms += 40);
    }
    EXPECT_EQ(h.rain->rateFrequency, drawn);

    // Each re-draw takes Random(4000) + 200 ms and then the frequency from the show's generator:
    // found by the frequency among the frame's draws, the threshold just before it must match.
    for (int pause = 0; pause < 6; ++pause) {
        Random next = h.show().random();
        h.frameAt(ms += 5000);  // longer than any threshold
        bool found = false;
        for (int k = 0; k < 20000 && !found; ++k, next.next32()) {
            Random draw = next;
            const std::uint32_t threshold = static_cast<std::uint32_t>(draw(4000)) + 200;
            if (draw.unit() * 0.5 == h.rain->rateFrequency) {
                found = true;
                EXPECT_EQ(h.rain->rateChangeInterval, threshold) << pause;
            }
        }
        EXPECT_TRUE(found) << pause;
    }
}

TEST(RainFrame, RefillNeverBringsBackMoreThanTwoThirdsOfTheColumns) {
    // Density 10: all 44 columns fall at first and MinRuns is 44, so the target always asks
    // for more than the 28 (44 div 3 x 2) the refill may bring back.
    RainHarness h(704, 200, [](Settings& s) { s.densityFraction = 1.0; });
    ASSERT_EQ(h.rain->activeRuns, 44);
    bool belowCap = false;
    int framesAtCap = 0;
    int refills = 0;
    // The target's walk: each ended run moves it by -1, 0 or +1, so over many ends it stays
    // about where it was. Only frames whose ends could not have met the floor are summed.
    int walkEnds = 0;
    int walkSum = 0;
    std::set<int> singleEndSteps;
    for (std::uint32_t ms = 40; ms <= 120000; ms += 40) {
        std::vector<bool> wasFalling;
        for (const orvane::Run& run : h.rain->runs) {
            wasFalling.push_back(run.falling);
        }
        const int activeBefore = h.rain->activeRuns;
        const int targetBefore = h.rain->targetRuns;
        h.frameAt(ms);
        const auto falling = std::count_if(h.rain->runs.begin(), h.rain->runs.end(),
                                           [](const orvane::Run& r) { return r.falling; });
        ASSERT_EQ(h.rain->activeRuns, falling) << ms;
        if (h.rain->activeRuns < 44) {  // once a run has ended, the target is at least 44
            ASSERT_GE(h.rain->targetRuns, h.rain->minRuns) << ms;
        }
        int refilledNow = 0;
        for (std::size_t i = 0; i < wasFalling.size(); ++i) {
            const orvane::Run& run = h.rain->runs[i];
            if (!wasFalling[i] && run.falling) {
                ++refills;
                EXPECT_EQ(run.headY, 0);
                EXPECT_EQ(run.startTick, h.tickAt(ms));
            }
            // Refilled in this frame (an ended run may be picked in the frame it ended).
            refilledNow += run.falling && run.headY == 0 && run.startTick == h.tickAt(ms) ? 1 : 0;
        }
        const int ended = activeBefore + refilledNow - h.rain->activeRuns;
        if (ended > 0 && targetBefore - ended >= h.rain->minRuns) {
            const int step = h.rain->targetRuns - targetBefore;
            ASSERT_LE(std::abs(step), ended) << ms;
            walkEnds += ended;
            walkSum += step;
            if (ended == 1) {
                singleEndSteps.insert(step);
            }
        }
        if (belowCap) {
            ASSERT_EQ(h.rain->activeRuns, 28) << ms;
            ++framesAtCap;
        } else {
            belowCap = h.rain->activeRuns <= 28;
        }
    }
    EXPECT_GT(framesAtCap, 2000);
    EXPECT_GT(refills, 100);
    EXPECT_EQ(singleEndSteps, (std::set<int>{-1, 0, 1}));
    // A step has mean 0 and variance 2/3: the sum stays within 4 standard deviations.
    ASSERT_GT(walkEnds, 100);
    EXPECT_LT(std::abs(walkSum), 4.0 * std::sqrt(walkEnds * 2.0 / 3.0)) << walkEnds << " ends";
}

TEST(RainFrame, DarkenStepGrowsOnSlowFramesAndFallsBackToSix) {
    RainHarness h(320, 200);
    WatchedWindow slow(h.window());
    std::uint32_t copyCostMs = 0;
    slow.onCopy = [&] { h.vs.platform.advance(std::uint64_t{copyCostMs} * 1000); };
    h.restartOn(slow);
    h.stopAllRuns();
    h.rain->runs[0].headY = 400;
    h.rain->runs[0].trailLength = 20;
    std::uint32_t ms = 0;
    // Each frame one glyph is replaced: one copy to the window, which takes copyCostMs.
    auto frame = [&](std::uint32_t copyCost) {
        Interchange change;
        change.cellX = 0;
        change.cellY = 20;
        change.fireInterval = 100;
        change.changeKind = 50;
        change.ownerRun = 0;
        ms += 200;
        change.lastFireTick = h.tickAt(ms - 150);
        h.rain->interchanges.push_back(change);
        copyCostMs = copyCost;
        h.quietFrameAt(ms);
        ms = h.nowMs() + 1;
    };
    struct Step {
        std::uint32_t copyCost;
        int frames;
        int darkenStep;
    };
    const Step steps[] = {
        {40, 5, 11},                 // 40 ms is slow
        {39, 1, 10},                 // 39 ms is not
        {0, 4, 6},       {0, 3, 6},  // never below 6
        {100, 300, 255},             // capped where a fade still reaches black
    };
    for (const Step& s : steps) {
        for (int i = 0; i < s.frames; ++i) {
            frame(s.copyCost);
        }
        EXPECT_EQ(h.rain->darkenStep, s.darkenStep) << s.copyCost;
    }
    // FadeStepCount follows at the next frame: (255 + 255) div 255 = 2 firings to black.
    h.stopAllRuns();
    copyCostMs = 100;
    fillCell(h.rain->surface(), 64, 100, kWhite);
    h.rain->interchanges.push_back(makeTailEraser(64, 100, 10));
    h.quietFrameAt(ms += 10);
    EXPECT_EQ(h.rain->fadeStepCount, 2);
    EXPECT_EQ(h.rain->surface().pixel(70, 110), rgb(0, 0, 0));
    EXPECT_EQ(h.rain->interchanges.size(), 1u);
    h.quietFrameAt(ms = h.nowMs() + 50);
    h.quietFrameAt(ms = h.nowMs() + 50);
    EXPECT_TRUE(h.rain->interchanges.empty());
}

TEST(RainFrame, RainGoesOnAcrossTheTickWrap) {
    RainHarness h(
        320, 200, [](Settings& s) { s.densityFraction = 1.0; }, 0xFFFFFFFFu - 4000);
    std::vector<bool> stepped(h.rain->runs.size(), false);
    std::vector<std::uint64_t> shownPerFourSeconds;
    std::uint64_t shownBefore = 0;
    for (std::uint32_t ms = 40; ms <= 16000; ms += 40) {
        h.frameAt(ms);
        for (std::size_t i = 0; i < stepped.size(); ++i) {
            stepped[i] = stepped[i] || h.rain->runs[i].headY > 0;
        }
        if (ms % 4000 == 0) {
            shownPerFourSeconds.push_back(h.rain->cellsShown - shownBefore);
            shownBefore = h.rain->cellsShown;
        }
    }
    // Every run started within 10 s of set-up, on either side of the wrap, and stepped.
    EXPECT_EQ(std::count(stepped.begin(), stepped.end(), true), 20);
    for (std::uint64_t shown : shownPerFourSeconds) {
        EXPECT_GT(shown, 1000u);
    }
}

}  // namespace
}  // namespace orvane
