// The cell primitives and the two small objects of the rain, without a window.
#include <gtest/gtest.h>

#include <utility>

#include <set>

#include "host/settings.h"
#include "rain/cell_ops.h"
#include "rain/exact_product.h"
#include "rain/run.h"
#include "show/glyph_sheet.h"
#include "show/random.h"
#include "show/show_sequencer.h"

namespace orvane {
namespace {

Surface filledSurface(int width, int height, Colour colour) {
    Surface surface(width, height);
    surface.fill(colour);
    return surface;
}

// A sheet whose every pixel tells where it came from: blue = x, green = y low byte,
// red = y high byte (rows up to 999).
Surface positionSheet() {
    Surface sheet(kGlyphPictureSize, kGlyphPictureSize * kGlyphBandCount);
    for (int y = 0; y < sheet.height(); ++y) {
        for (int x = 0; x < sheet.width(); ++x) {
            sheet.setPixel(x, y, rgb(y >> 8, y & 0xFF, x));
        }
    }
    return sheet;
}

Point sheetPointOf(Colour c) {
    const RgbChannels ch = splitColour(c);
    return {ch.blue, (ch.red << 8) | ch.green};
}

TEST(DrawGlyph, CopiesEighteenByTwentyFromTheGlyphsPlaceInTheSheet) {
    const Surface sheet = positionSheet();
    Surface surface(64, 60);
    drawGlyph(surface, sheet, 16, 20, 54, 1, kGlyphDrawHeight, kGlyphDrawWidth);
    // Glyph 54 of band 1: x = 4 x 20 = 80, y = 5 x 20 + 200 = 300.
    EXPECT_EQ(sheetPointOf(surface.pixel(16, 20)), (Point{80, 300}));
    EXPECT_EQ(sheetPointOf(surface.pixel(33, 39)), (Point{97, 319}));
    // 18 wide: the 2 pixels beyond the 16-pixel column are painted, nothing after them.
    EXPECT_EQ(surface.pixel(34, 20), kBlack);
    EXPECT_EQ(surface.pixel(15, 20), kBlack);
    EXPECT_EQ(surface.pixel(16, 40), kBlack);
}

TEST(DrawGlyph, SourcePositions) {
    struct Case {
        int glyph, band;
        Point source;
    };
    const Case cases[] = {
        {0, 0, {0, 0}},    {54, 1, {80, 300}}, {9, 0, {180, 0}},
        {10, 2, {0, 420}}, {60, 0, {0, 120}},  {69, 4, {180, 920}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(glyphSource(c.glyph, c.band), c.source) << c.glyph << " band " << c.band;
    }
}

TEST(DrawGlyph, DropsWhatFallsOutsideTheSurface) {
    const Surface sheet = positionSheet();
    Surface surface(40, 30);
    // A run's first step draws the cells above the head at negative y: only the parts on the
    // surface arrive, with the matching part of the glyph.
    drawGlyph(surface, sheet, 30, -15, 0, 0, kGlyphDrawHeight, kGlyphDrawWidth);
    EXPECT_EQ(sheetPointOf(surface.pixel(30, 0)), (Point{0, 15}));
    EXPECT_EQ(sheetPointOf(surface.pixel(39, 4)), (Point{9, 19}));
    EXPECT_EQ(surface.pixel(30, 5), kBlack);
    drawGlyph(surface, sheet, -5, 25, 1, 0, kGlyphDrawHeight, kGlyphDrawWidth);
    EXPECT_EQ(sheetPointOf(surface.pixel(0, 25)), (Point{25, 0}));
    EXPECT_EQ(sheetPointOf(surface.pixel(12, 29)), (Point{37, 4}));
    EXPECT_EQ(surface.pixel(13, 25), kBlack);
    // Wholly off the surface: nothing, and no crash.
    drawGlyph(surface, sheet, 0, -20, 0, 0, kGlyphDrawHeight, kGlyphDrawWidth);
    drawGlyph(surface, sheet, 40, 0, 0, 0, kGlyphDrawHeight, kGlyphDrawWidth);
    drawGlyph(surface, sheet, 0, 30, 0, 0, kGlyphDrawHeight, kGlyphDrawWidth);
    EXPECT_EQ(surface.pixel(0, 0), kBlack);
    // Wider than the sheet has columns right of glyph 9 (x 180 of 200): 20 columns arrive.
    Surface wide(40, 30);
    drawGlyph(wide, sheet, 0, 0, 9, 0, kGlyphDrawHeight, 30);
    EXPECT_EQ(sheetPointOf(wide.pixel(19, 0)), (Point{199, 0}));
    EXPECT_EQ(wide.pixel(20, 0), kBlack);
}

TEST(DarkenRect, SubtractsTheLowByteOfTheAmountStoppingAtZero) {
    struct Case {
        int amount;
        int start;
        int expected;
    };
    const Case cases[] = {
        {6, 200, 194},  {6, 5, 0},     {6, 6, 0},
        {0, 77, 77},    {256, 77, 77},  // low byte 0: nothing changes
        {300, 100, 56},                 // 300 = 256 + 44
        {255, 255, 0},  {511, 254, 0},
    };
    for (const Case& c : cases) {
        Surface surface = filledSurface(16, 20, rgb(c.start, c.start, c.start));
        darkenRect(surface, 0, 0, 16, 20, c.amount);
        EXPECT_EQ(surface.pixel(7, 9), rgb(c.expected, c.expected, c.expected))
            << "amount " << c.amount << " on " << c.start;
    }
    // Each byte on its own: blue, green and red stop at zero separately.
    Surface surface = filledSurface(1, 1, rgb(3, 100, 50));
    darkenRect(surface, 0, 0, 1, 1, 40);
    EXPECT_EQ(surface.pixel(0, 0), rgb(0, 60, 10));
}

// (step + 255) div step firings end a fade: a full byte is black by then at steps that
// divide 256 too.
TEST(DarkenRect, FadeStepCountIsStepPlus255DivStep) {
    for (const auto& [step, firings] : {std::pair{6, 43}, {12, 22}, {16, 16}, {64, 4}, {256, 1}}) {
        EXPECT_EQ(fadeStepCountFor(step), firings) << step;
    }
}

TEST(DarkenRect, EachColourByteOfEveryPixelStopsAtZeroOnItsOwn) {
    // Widths that are not a multiple of four pixels, and bytes above, at and below the amount.
    constexpr int kWidth = 37;
    constexpr int kHeight = 3;
    constexpr int kAmount = 90;
    Surface surface(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            surface.setPixel(x, y,
                             rgb((x * 37 + y) % 256, (x * 11 + 89) % 256, (x * 53 + 7 * y) % 256));
        }
    }
    const Surface before = surface;
    darkenRect(surface, 0, 1, kWidth - 1, kHeight, kAmount);
    const auto less = [](int v) { return v >= kAmount ? v - kAmount : 0; };
    for (int y = 0; y < kHeight; ++y) {
        EXPECT_EQ(surface.pixel(0, y), before.pixel(0, y));
        for (int x = 1; x < kWidth; ++x) {
            const RgbChannels c = splitColour(before.pixel(x, y));
            EXPECT_EQ(surface.pixel(x, y), rgb(less(c.red), less(c.green), less(c.blue)))
                << x << ", " << y;
            EXPECT_EQ(surface.row(y)[x] & 0xFF000000u, Surface::kOpaque) << x << ", " << y;
        }
    }
}

TEST(DarkenRect, ClipsItselfToTheSurface) {
    const Colour grey = rgb(100, 100, 100);
    const Colour darker = rgb(90, 90, 90);
    struct Case {
        const char* what;
        int top, left, width, height;
        Rect darkened;  // the part expected darker; everything else unchanged
    };
    const Case cases[] = {
        {"inside", 5, 4, 3, 2, {4, 5, 7, 7}},
        // 15 wide: one whole pass of four, three of one, none past the right end.
        {"fifteen wide", 2, 5, 15, 3, {5, 2, 20, 5}},
        {"over the top left", -15, -10, 16, 20, {0, 0, 6, 5}},
        {"over the bottom right", 25, 30, 16, 20, {30, 25, 40, 30}},
        {"last row only", 29, 0, 40, 20, {0, 29, 40, 30}},
        {"first column only", 0, -15, 16, 30, {0, 0, 1, 30}},
        {"above", -20, 0, 16, 20, {}},
        {"below", 30, 0, 16, 20, {}},
        {"left", 0, -16, 16, 20, {}},
        {"right", 0, 40, 16, 20, {}},
        {"empty", 3, 3, 0, 5, {}},
    };
    for (const Case& c : cases) {
        Surface surface = filledSurface(40, 30, grey);
        darkenRect(surface, c.top, c.left, c.width, c.height, 10);
        int wrong = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                const bool inside = x >= c.darkened.left && x < c.darkened.right &&
                                    y >= c.darkened.top && y < c.darkened.bottom;
                wrong += surface.pixel(x, y) != (inside ? darker : grey);
            }
        }
        EXPECT_EQ(wrong, 0) << c.what;
    }
}

TEST(Run, ResetDrawsLengthAndIntervalFromTheWindowAndTheSettings) {
    struct Case {
        int height;
        int overallSpeed, variance;
        int minLength, maxLength;
        int minInterval, maxInterval;
    };
    const Case cases[] = {
        // 1080: 54 rows, length 54/4 = 13 to 13 + 53; interval 2400/54 = 44 to 44 + 64.
        {1080, 2400, 130, 13, 66, 44, 108},
        {768, 2400, 130, 9, 46, 63, 127},  // 38 rows
        {600, 2400, 130, 7, 36, 80, 144},  // 30 rows
        // Variance 0 or 1: Random(0) is 0, every run gets exactly speed / rows.
        {600, 2400, 0, 7, 36, 80, 80},
        {600, 2400, 1, 7, 36, 80, 80},
    };
    for (const Case& c : cases) {
        Settings settings;
        settings.overallSpeed = c.overallSpeed;
        settings.variance = c.variance;
        Random random(7);
        std::set<int> lengths;
        std::set<int> intervals;
        std::set<std::uint32_t> startDelays;
        for (int i = 0; i < 5000; ++i) {
            const orvane::Run run = makeRun(48, c.height, 1000, random, settings);
            lengths.insert(run.trailLength);
            intervals.insert(run.stepInterval);
            ASSERT_EQ(run.columnX, 48);
            ASSERT_EQ(run.headY, 0);
            ASSERT_TRUE(run.falling);
            ASSERT_EQ(run.lastStepTick, 1000u);
            ASSERT_GE(run.startTick, 1000u);
            ASSERT_LT(run.startTick, 11000u);
            startDelays.insert(run.startTick - 1000);
        }
        // The start delay is Random(10000): 5000 draws cover 0 to 9999 but for a few gaps.
        EXPECT_LT(*startDelays.begin(), 50u) << c.height;
        EXPECT_GT(*startDelays.rbegin(), 9950u) << c.height;
        EXPECT_EQ(*lengths.begin(), c.minLength) << c.height;
        EXPECT_EQ(*lengths.rbegin(), c.maxLength) << c.height;
        EXPECT_EQ(*intervals.begin(), c.minInterval) << c.height << " " << c.variance;
        EXPECT_EQ(*intervals.rbegin(), c.maxInterval) << c.height << " " << c.variance;
    }
}

TEST(Run, ResetKeepsTheColumnAndTheGlyphs) {
    Settings settings;
    Random random(3);
    orvane::Run run = makeRun(160, 600, 0, random, settings);
    run.headY = 740;
    run.glyphs = {1, 2, 3, 4, 5};
    run.falling = false;
    run.reset(600, 5000, random, settings);
    EXPECT_EQ(run.columnX, 160);
    EXPECT_EQ(run.headY, 0);
    EXPECT_EQ(run.glyphs, (std::array<std::int32_t, kRunGlyphs>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(run.falling);
    EXPECT_EQ(run.lastStepTick, 5000u);
}

TEST(Interchange, TailEraserIsDueAtOnceWhateverTheTick) {
    const Interchange eraser = makeTailEraser(32, 40, 10);
    EXPECT_EQ(eraser.cellX, 32);
    EXPECT_EQ(eraser.cellY, 40);
    EXPECT_EQ(eraser.fireCount, 0);
    EXPECT_EQ(eraser.changeKind, 0);
    EXPECT_EQ(eraser.ownerRun, -1);
    // Ticks where "0 + 10 lies before now" would fail: 0 itself, just after it, and the half
    // of the tick range that lies before 0.
    for (std::uint32_t now : {0u, 5u, 10u, 0x80000000u, 0xFFFFFFF0u}) {
        EXPECT_TRUE(interchangeDue(eraser, now)) << now;
    }
}

TEST(Interchange, DueOnlyStrictlyMoreThanItsIntervalAfterItsLastFiring) {
    Interchange change;
    change.fireInterval = 100;
    for (std::uint32_t last : {5000u, 0xFFFFFFC0u}) {  // the second fires across the wrap
        change.lastFireTick = last;
        EXPECT_FALSE(interchangeDue(change, last + 99));
        EXPECT_FALSE(interchangeDue(change, last + 100));
        EXPECT_TRUE(interchangeDue(change, last + 101));
    }
}

TEST(ExactProduct, DensityDrawThresholds) {
    // r <= Density / 10 x 1000 taken exactly: 0.3, 0.6 and 0.7 lie a hair below their tenths.
    const int thresholds[] = {100, 200, 299, 400, 500, 599, 699, 800, 900, 1000};
    for (int density = 1; density <= 10; ++density) {
        const int t = thresholds[density - 1];
        EXPECT_TRUE(atMostExactProduct(t, 1000, density / 10.0)) << density;
        EXPECT_FALSE(atMostExactProduct(t + 1, 1000, density / 10.0)) << density;
    }
}

TEST(ExactProduct, MinRunsTruncatesTheExactProduct) {
    struct Case {
        int columns, density, expected;
    };
    const Case cases[] = {
        {120, 3, 35},  // 36 less 1: 0.3 is stored below 0.3
        {120, 6, 71},   {120, 7, 83},  {120, 4, 48}, {120, 1, 12},
        {120, 10, 120}, {121, 3, 36},  // 36.3
        {80, 5, 40},    {240, 9, 216}, {0, 4, 0},    {64, 4, 25},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(truncExactProduct(c.columns, c.density / 10.0), c.expected)
            << c.columns << " columns at density " << c.density;
    }
}

}  // namespace
}  // namespace orvane
