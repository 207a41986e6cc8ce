#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>

#include "intro/intro_test_support.h"
#include "intro/title_window.h"
#include "platform/virtual/virtual_show.h"
#include "show/ticks.h"

namespace orvane {
namespace {

constexpr std::uint32_t kStart = 100000;
constexpr int kStepLimit = 30000;  // one step per ms: far beyond any title's length

// A show whose glyph sheet is made from a patterned picture, with a fixed seed.
struct TitleRig {
    explicit TitleRig(VirtualMonitor monitor, std::uint32_t startTick = kStart,
                      std::uint32_t seed = 1234)
        : vs({monitor}, startTick) {
        vs.picture = test::patternedGlyphPicture();
        vs.platform.utcMsSinceMidnight = seed;
    }

    ShowSequencer& show() { return vs.show(); }
    VirtualWindow& window() { return vs.platform.window(0); }

    // Steps at the start of the next virtual millisecond and presents what changed, as a
    // message pump would; returns the step's tick.
    std::uint32_t stepNextMs(TitleWindow& title) {
        vs.platform.advance(1000 - vs.platform.elapsedUs() % 1000);
        const std::uint32_t now = vs.platform.peekTicks();
        title.step();
        window().present();
        return now;
    }

    VirtualShow vs;
};

Rect cellOf(int column, int row) { return Rect::fromSize(16 * column, 20 * row, 16, 20); }

// The window shows, in the cell, the 16 left columns of the glyph's band-0 cell, each colour
// byte lowered by fade (stopping at 0).
bool cellShowsGlyph(const VirtualWindow& w, const Surface& sheet, Rect cell, int glyph,
                    int fade = 0) {
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            const std::uint32_t want = test::sheetPixel(sheet, glyph, 0, x, y);
            std::uint32_t faded = 0xFF000000u;
            for (int shift : {0, 8, 16}) {
                const int v = static_cast<int>((want >> shift) & 0xFF);
                faded |= static_cast<std::uint32_t>(std::max(v - fade, 0)) << shift;
            }
            if (w.pixel(cell.left + x, cell.top + y) != faded) {
                return false;
            }
        }
    }
    return true;
}

bool cellIsBlack(const VirtualWindow& w, Rect cell) {
    for (int y = cell.top; y < cell.bottom; ++y) {
        for (int x = cell.left; x < cell.right; ++x) {
            if ((w.pixel(x, y) & 0xFFFFFFu) != 0) {
                return false;
            }
        }
    }
    return true;
}

struct GeometryCase {
    int width, height;
    int columns, firstRunColumn, lastRunColumn, titleFirstColumn, titleRow;
};

class TitleGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(TitleGeometry, RunsCoverTheMiddleHalfWidenedToTheTitleColumns) {
    const GeometryCase& c = GetParam();
    TitleRig rig({0, 0, c.width, c.height});
    const PixelPicture desktop(c.width, c.height, pixelOf(255, 255, 255));
    rig.window().setContent(desktop);
    const std::uint32_t before = rig.vs.platform.peekTicks();
    TitleWindow title(rig.show(), rig.show().windows[0]);

    EXPECT_EQ(title.columns(), c.columns);
    EXPECT_EQ(title.titleFirstColumn(), c.titleFirstColumn);
    EXPECT_EQ(title.titleRow(), c.titleRow);
    EXPECT_EQ(title.lettersPlaced(), 0);
    EXPECT_EQ(title.activeRuns(), c.lastRunColumn - c.firstRunColumn + 1);
    ASSERT_EQ(title.runs().size(), static_cast<std::size_t>(c.lastRunColumn - c.firstRunColumn + 1));
    const int rows = c.height / 20;
    for (std::size_t i = 0; i < title.runs().size(); ++i) {
        const orvane::Run& run = title.runs()[i];
        EXPECT_EQ(run.columnX, 16 * (c.firstRunColumn + static_cast<int>(i)));
        EXPECT_EQ(run.stepInterval, 40);
        EXPECT_GE(run.trailLength, rows / 4);
        EXPECT_LT(run.trailLength, rows / 4 + rows / 3);
        EXPECT_LT(run.startTick - before, 3000u + 10u);  // now + Random(3000), now a little later
        EXPECT_EQ(run.headY, 0);
        EXPECT_TRUE(run.falling);
        EXPECT_FALSE(run.finished);
    }
    EXPECT_TRUE(cellIsBlack(rig.window(), {0, 0, c.width, c.height}));
}

INSTANTIATE_TEST_SUITE_P(
    Surfaces, TitleGeometry,
    ::testing::Values(
        // 64 columns, 38 rows: runs 16 .. 48, title 27 .. 36, (768 / 2) / 20 = 19
        GeometryCase{1024, 768, 64, 16, 48, 27, 19},
        GeometryCase{1920, 1080, 120, 30, 90, 55, 27},
        GeometryCase{800, 600, 50, 12, 36, 20, 15},
        // 6 columns: 6 / 4 = 1 lowered to 0, 3 raised to 9; title columns 0 .. 9, partly off
        GeometryCase{100, 600, 6, 0, 9, 0, 15},
        // 12 columns: 3 lowered to (12 - 10) / 2 = 1, 9 raised to 10
        GeometryCase{200, 400, 12, 1, 10, 1, 10}),
    [](const ::testing::TestParamInfo<GeometryCase>& info) {
        return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
    });

// Follows a title step by step and compares what each step drew with the title's rules, on
// cells that nothing else touched in that step: the five cells a run draws (the head in the
// highlight, then bands 4, 3, 2 and the tint), the tint trail a placed letter leaves above
// it, a spot of kind 1 to 3 darkening its cell by 6, a spot of kind 4 to 9 staying inside its
// 16 columns; and how long each kind of spot lives and how often a tail eraser fires. Columns
// 0 and 1 of a cell are left out: the left neighbour's 18-wide glyphs reach them.
class TitleRules {
  public:
    explicit TitleRules(const Surface& sheet) : sheet_(sheet) {}

    void before(const TitleWindow& title, std::uint32_t now) {
        runs_ = title.runs();
        dueAt_.clear();
        for (const Interchange& c : title.interchanges()) {
            if (interchangeDue(c, now)) {
                ++dueAt_[{c.cellX, c.cellY}];
            }
        }
        dims_.clear();
        replaces_.clear();
        const Surface& surface = title.surface();
        for (const Interchange& c : title.interchanges()) {
            if (c.ownerRun < 0 || !interchangeDue(c, now) || dueAt_[{c.cellX, c.cellY}] != 1) {
                continue;
            }
            if (c.changeKind >= 1 && c.changeKind <= 3 && c.fireCount < 15) {
                dims_.push_back({c, pixels(surface, c.cellX, c.cellY, 2, 16)});
            } else if (c.changeKind >= 4 && c.changeKind <= 9 &&
                       dueAt_.count({c.cellX + 16, c.cellY}) == 0) {
                replaces_.push_back({c, pixels(surface, c.cellX, c.cellY, 16, 18)});
            }
        }
    }

    void after(const TitleWindow& title, std::uint32_t now) {
        const Surface& surface = title.surface();
        fired_.clear();
        for (const Interchange& c : title.interchanges()) {
            if (c.lastFireTick == now) {
                fired_.insert({c.cellX, c.cellY});
            }
        }
        for (std::size_t i = 0; i < runs_.size(); ++i) {
            checkRunStep(title, runs_[i], title.runs()[i], now);
        }
        for (const Watched& w : dims_) {
            if (!ownerStill(title, w.change, now) || !firedOnce(title, w.change, now)) {
                continue;
            }
            const std::vector<Colour> afterDim =
                pixels(surface, w.change.cellX, w.change.cellY, 2, 16);
            ++dims;
            for (std::size_t p = 0; p < afterDim.size(); ++p) {
                const RgbChannels c = splitColour(w.pixels[p]);
                const Colour dimmed =
                    rgb(std::max(c.red - 6, 0), std::max(c.green - 6, 0), std::max(c.blue - 6, 0));
                if (afterDim[p] != dimmed) {
                    ++dimsWrong;
                    break;
                }
            }
        }
        for (const Watched& w : replaces_) {
            const int right = w.change.cellX + kColumnPitch;
            if (!ownerStill(title, w.change, now) || touched(right, w.change.cellY) ||
                w.pixels.empty()) {
                continue;
            }
            bool rightRunStepped = false;
            for (const orvane::Run& run : title.runs()) {
                rightRunStepped |= run.columnX == right && run.lastStepTick == now;
            }
            if (rightRunStepped) {
                continue;
            }
            ++replaces;
            replacesSpilt +=
                pixels(surface, w.change.cellX, w.change.cellY, 16, 18) != w.pixels ? 1 : 0;
        }
        for (const Interchange& c : title.interchanges()) {
            if (c.ownerRun >= 0 && c.changeKind < 10) {
                int& most = mostFirings[static_cast<std::size_t>(c.changeKind)];
                most = std::max(most, c.fireCount);
            } else if (c.ownerRun < 0 && c.changeKind == 0 && !c.neverFired) {
                longestEraserWait = std::max(longestEraserWait, now - c.lastFireTick);
            }
        }
    }

    int stripCells = 0, stripWrong = 0;
    int letterTrailCells = 0, letterTrailWrong = 0;
    int dims = 0, dimsWrong = 0;
    int replaces = 0, replacesSpilt = 0;
    std::array<int, 10> mostFirings{};    // per spot kind, the highest fire count seen
    std::uint32_t longestEraserWait = 0;  // ms since a tail eraser last fired, after a step

  private:
    struct Watched {
        Interchange change;
        std::vector<Colour> pixels;
    };

    // Columns from..to - 1 of the cell at (x, y), all 20 rows; empty when not all on the surface.
    static std::vector<Colour> pixels(const Surface& s, int x, int y, int from, int to) {
        std::vector<Colour> out;
        if (x < 0 || y < 0 || x + to > s.width() || y + kRowPitch > s.height()) {
            return out;
        }
        for (int dy = 0; dy < kRowPitch; ++dy) {
            for (int dx = from; dx < to; ++dx) {
                out.push_back(s.pixel(x + dx, y + dy));
            }
        }
        return out;
    }

    bool touched(int x, int y) const {
        return dueAt_.count({x, y}) != 0 || fired_.count({x, y}) != 0;
    }

    // The run of the spot's column neither stepped nor was reset in this step.
    static bool ownerStill(const TitleWindow& title, const Interchange& c, std::uint32_t now) {
        return title.runs()[static_cast<std::size_t>(c.ownerRun)].lastStepTick != now;
    }

    static bool firedOnce(const TitleWindow& title, const Interchange& c, std::uint32_t now) {
        return std::any_of(
            title.interchanges().begin(), title.interchanges().end(), [&](const Interchange& d) {
                return d.cellX == c.cellX && d.cellY == c.cellY && d.changeKind == c.changeKind &&
                       d.fireCount == c.fireCount + 1 && d.lastFireTick == now;
            });
    }

    // The cell at (x, y) shows glyph g of the band, but for columns 0 and 1.
    void compare(const Surface& surface, int x, int y, int glyph, int band, int& cells,
                 int& wrong) {
        const std::vector<Colour> shown = pixels(surface, x, y, 2, 16);
        if (shown.empty() || touched(x, y)) {
            return;
        }
        const Point source = glyphSource(glyph, band);
        ++cells;
        std::size_t p = 0;
        for (int dy = 0; dy < kRowPitch; ++dy) {
            for (int dx = 2; dx < 16; ++dx, ++p) {
                if (shown[p] != sheet_.pixel(source.x + dx, source.y + dy)) {
                    ++wrong;
                    return;
                }
            }
        }
    }

    void checkRunStep(const TitleWindow& title, const orvane::Run& before, const orvane::Run& after,
                      std::uint32_t now) {
        const int x = before.columnX;
        const int y = before.headY;
        const int column = x / kColumnPitch;
        const bool stepped = after.lastStepTick == now && after.headY == y + kRowPitch &&
                             before.falling && !before.finished;
        if (!stepped) {
            return;
        }
        const Surface& surface = title.surface();
        const bool normal = y / kRowPitch < title.titleRow() || !title.isTitleColumn(column);
        if (normal && !after.finished && y + kRowPitch < surface.height() + 4 * kRowPitch) {
            constexpr int kBands[kRunGlyphs] = {0, 4, 3, 2, 1};
            for (int k = 0; k < kRunGlyphs; ++k) {
                compare(surface, x, y - k * kRowPitch, after.glyphs[static_cast<std::size_t>(k)],
                        kBands[k], stripCells, stripWrong);
            }
        } else if (!normal && after.finished &&
                   after.glyphs[1] == kTitleGlyphBase + column - title.titleFirstColumn()) {
            // The letter's step: the old head above it and the three cells above that, all
            // in the tint.
            for (int k = 1; k < kRunGlyphs; ++k) {
                compare(surface, x, y - k * kRowPitch,
                        before.glyphs[static_cast<std::size_t>(k - 1)], 1, letterTrailCells,
                        letterTrailWrong);
            }
        }
    }

    const Surface& sheet_;
    std::vector<orvane::Run> runs_;
    std::map<std::pair<int, int>, int> dueAt_;
    std::set<std::pair<int, int>> fired_;
    std::vector<Watched> dims_;
    std::vector<Watched> replaces_;
};

// Records, step by step up to the start of the fade, when each title column shows its letter.
struct PlacementLog {
    std::array<int, kTitleLength> shownAt{};  // step index, -1 never
    bool letterLost = false;
    bool countMismatch = false;
    int steps = 0;
};

PlacementLog stepUntilFadeStarts(TitleRig& rig, TitleWindow& title, int visibleColumns,
                                 TitleRules* rules = nullptr) {
    PlacementLog log;
    log.shownAt.fill(-1);
    const Surface& sheet = rig.show().glyphSheet();
    while (!title.fadeStarted() && log.steps < kStepLimit) {
        if (rules != nullptr) {
            rig.vs.platform.advance(1000 - rig.vs.platform.elapsedUs() % 1000);
            rules->before(title, rig.vs.platform.peekTicks());
        }
        const std::uint32_t now = rig.stepNextMs(title);
        if (rules != nullptr) {
            rules->after(title, now);
        }
        ++log.steps;
        int shown = 0;
        for (int k = 0; k < visibleColumns; ++k) {
            const bool showing = cellShowsGlyph(
                rig.window(), sheet, cellOf(title.titleFirstColumn() + k, title.titleRow()), 60 + k);
            if (showing && log.shownAt[k] < 0) {
                log.shownAt[k] = log.steps;
            }
            log.letterLost |= !showing && log.shownAt[k] >= 0 && !title.fadeStarted();
            shown += log.shownAt[k] >= 0 ? 1 : 0;
        }
        if (visibleColumns == kTitleLength) {
            log.countMismatch |= shown != title.lettersPlaced();
        }
    }
    return log;
}

TEST(TitleWindow, EveryTitleColumnGetsItsLetterInTheHeadColourOnceAndKeepsItUntilTheFade) {
    for (std::uint32_t seed : {1234u, 99u, 4242u}) {
        TitleRig rig({0, 0, 1024, 768}, kStart, seed);
        TitleWindow title(rig.show(), rig.show().windows[0]);
        TitleRules rules(rig.show().glyphSheet());
        const PlacementLog log = stepUntilFadeStarts(rig, title, kTitleLength, &rules);
        ASSERT_TRUE(title.fadeStarted()) << "seed " << seed;
        EXPECT_EQ(title.lettersPlaced(), 10);
        for (int k = 0; k < kTitleLength; ++k) {
            EXPECT_GE(log.shownAt[k], 0) << "column " << k;
        }
        EXPECT_FALSE(log.letterLost);
        EXPECT_FALSE(log.countMismatch);  // shown exactly when counted, so placed once
        for (const orvane::Run& run : title.runs()) {
            EXPECT_TRUE(run.finished);
        }
        // What the steps drew, cell by cell (see TitleRules).
        EXPECT_GT(rules.stripCells, 1000) << "seed " << seed;
        EXPECT_EQ(rules.stripWrong, 0) << "seed " << seed;
        EXPECT_GE(rules.letterTrailCells, 20) << "seed " << seed;
        EXPECT_EQ(rules.letterTrailWrong, 0) << "seed " << seed;
        EXPECT_GT(rules.dims, 50) << "seed " << seed;
        EXPECT_EQ(rules.dimsWrong, 0) << "seed " << seed;
        EXPECT_GT(rules.replaces, 20) << "seed " << seed;
        EXPECT_EQ(rules.replacesSpilt, 0) << "seed " << seed;
        // Kinds 1 to 3: 15 dims and the new glyph, removed at the 17th firing; kinds 4 to 9
        // are removed at their first.
        for (int kind = 1; kind <= 9; ++kind) {
            EXPECT_EQ(rules.mostFirings[static_cast<std::size_t>(kind)], kind <= 3 ? 16 : 0)
                << "kind " << kind << ", seed " << seed;
        }
        // A tail eraser fires once more than 10 ms have passed: at steps 1 ms apart it waits
        // 10 ms at most.
        EXPECT_EQ(rules.longestEraserWait, 10u) << "seed " << seed;
    }
}

// Tail erasers clear every trail cell above a letter, and nothing is drawn below it; the
// last letters' trails are still being erased when the fade starts. Glyphs are drawn 18
// wide, so the left neighbour's glyphs may reach the two left pixels of a cell: only the
// cell's own 14 pixels are checked.
TEST(TitleWindow, TitleColumnsHoldOnlyTheirLettersBeforeTheClear) {
    TitleRig rig({0, 0, 1024, 768});
    TitleWindow title(rig.show(), rig.show().windows[0]);
    stepUntilFadeStarts(rig, title, kTitleLength);
    int steps = 0;
    while (title.fadeTotal() < 430 && steps++ < kStepLimit) {
        rig.stepNextMs(title);
    }
    ASSERT_EQ(title.fadeTotal(), 430);
    ASSERT_FALSE(rig.show().windows[0].phaseDone);
    for (int column = 27; column <= 36; ++column) {
        for (int row = 0; row < 38; ++row) {
            if (row != 19) {
                EXPECT_TRUE(cellIsBlack(rig.window(), Rect::fromSize(16 * column + 2, 20 * row, 14, 20)))
                    << "column " << column << " row " << row;
            }
        }
    }
    EXPECT_FALSE(cellIsBlack(rig.window(), cellOf(31, 19)));  // the last letter, 35 fades of 6
}

TEST(TitleWindow, LettersFadeInTitleOrderBlankCellFirstThenTheWindowIsCleared) {
    TitleRig rig({0, 0, 1024, 768});
    rig.window().setLogging(true);
    TitleWindow title(rig.show(), rig.show().windows[0]);
    stepUntilFadeStarts(rig, title, kTitleLength);
    ASSERT_TRUE(title.fadeStarted());
    const std::uint32_t fadeStart = rig.vs.platform.peekTicks();
    const Surface& sheet = rig.show().glyphSheet();

    std::vector<int> firstFadeOrder;
    std::array<std::uint32_t, kTitleLength> firstFadeAt{};
    int totalBeforeLastStep = 0;
    bool checkedPartialFade = false;
    int steps = 0;
    while (!rig.show().windows[0].phaseDone && steps++ < kStepLimit) {
        rig.window().clearRecords();
        totalBeforeLastStep = title.fadeTotal();
        const std::uint32_t now = rig.stepNextMs(title);
        for (const DrawRecord& r : rig.window().records()) {
            for (int k = 0; k < kTitleLength; ++k) {
                if (r.kind == DrawRecord::Kind::SurfaceCopy && r.area == cellOf(27 + k, 19) &&
                    std::find(firstFadeOrder.begin(), firstFadeOrder.end(), k) == firstFadeOrder.end()) {
                    firstFadeOrder.push_back(k);
                    firstFadeAt[static_cast<std::size_t>(k)] = now;
                }
            }
        }
        if (title.letterFadeSteps(3) == 10 && !checkedPartialFade) {
            checkedPartialFade = true;
            // Ten fades of 6: every byte of the blank cell 60 lower, the last letter untouched.
            EXPECT_TRUE(cellShowsGlyph(rig.window(), sheet, cellOf(30, 19), 63, 60));
            EXPECT_TRUE(cellShowsGlyph(rig.window(), sheet, cellOf(31, 19), 64, 0));
        }
        if (!rig.show().windows[0].phaseDone) {
            EXPECT_FALSE(cellIsBlack(rig.window(), cellOf(31, 19)));
        }
    }
    ASSERT_TRUE(rig.show().windows[0].phaseDone);
    EXPECT_TRUE(checkedPartialFade);
    // Columns by delay: 3 (0 ms), 5, 8, 0, 9, 2, 7, 1, 6, 4 (2250 ms).
    EXPECT_EQ(firstFadeOrder, (std::vector<int>{3, 5, 8, 0, 9, 2, 7, 1, 6, 4}));
    for (int k = 0; k < kTitleLength; ++k) {
        const std::uint32_t delay = firstFadeAt[static_cast<std::size_t>(k)] - fadeStart;
        const std::uint32_t due = static_cast<std::uint32_t>(kTitleOrder[static_cast<std::size_t>(k)]) * 250;
        EXPECT_GT(delay, due) << "column " << k;  // strictly after its due tick
        EXPECT_LE(delay, due + 2) << "column " << k;
    }
    EXPECT_EQ(totalBeforeLastStep, 430);
    EXPECT_EQ(title.fadeTotal(), 431);
    for (int k = 0; k < kTitleLength; ++k) {
        // 431 = 9 x 44 + 35: the last column to start has 9 fades left undone.
        EXPECT_EQ(title.letterFadeSteps(k), k == 4 ? 35 : 44) << "column " << k;
    }
    EXPECT_TRUE(cellIsBlack(rig.window(), {0, 0, 1024, 768}));
}

TEST(TitleWindow, RunsStepAfterMoreThanTheirIntervalAlsoAcrossTheTickWrap) {
    // Ten rows with short trails: many runs leave the screen and are reused before the last
    // letter is placed. The tick count wraps 1.5 s in, while the first runs fall.
    TitleRig rig({0, 0, 1024, 200}, 0xFFFFFFFFu - 1500u);
    TitleWindow title(rig.show(), rig.show().windows[0]);
    const std::size_t count = title.runs().size();
    std::vector<int> lastHead(count);
    std::vector<std::uint32_t> lastMove(count);
    std::vector<bool> moved(count, false);
    std::vector<std::int32_t> interval(count);
    int firstRunGaps = 0;
    int reusedRunGaps = 0;
    int wrongGaps = 0;
    int steps = 0;
    while (!title.fadeStarted() && steps++ < kStepLimit) {
        const std::uint32_t now = rig.stepNextMs(title);
        for (std::size_t i = 0; i < count; ++i) {
            const orvane::Run& run = title.runs()[i];
            if (run.headY == lastHead[i]) {
                continue;
            }
            // A reset puts the head back to 0; the next move after that starts a new chain.
            const bool sameChain = moved[i] && run.headY == lastHead[i] + 20 && run.stepInterval == interval[i];
            if (sameChain) {
                const std::uint32_t gap = now - lastMove[i];
                const std::uint32_t expected = static_cast<std::uint32_t>(run.stepInterval) + 1;
                wrongGaps += gap != expected ? 1 : 0;
                (run.stepInterval == 40 ? firstRunGaps : reusedRunGaps) += 1;
            }
            moved[i] = run.headY != 0;
            lastHead[i] = run.headY;
            lastMove[i] = now;
            interval[i] = run.stepInterval;
        }
    }
    ASSERT_TRUE(title.fadeStarted());
    EXPECT_EQ(wrongGaps, 0);  // 41 ms for the first runs, 1 ms for reused ones
    EXPECT_GT(firstRunGaps, 200);
    EXPECT_GT(reusedRunGaps, 100);
}

TEST(TitleWindow, RandomSpotsAreRareLieInTheTrailAndTakeEveryKind) {
    TitleRig rig({0, 0, 1920, 1080});
    TitleWindow title(rig.show(), rig.show().windows[0]);
    int tries = 0;
    int spots = 0;
    std::array<int, 10> kinds{};
    bool outsideTrail = false;
    for (int step = 0; step < 4000; ++step) {
        std::vector<orvane::Run> before = title.runs();
        rig.vs.platform.advance(1000 - rig.vs.platform.elapsedUs() % 1000);
        const std::uint32_t now = rig.vs.platform.peekTicks();
        for (const orvane::Run& run : before) {
            tries += !tickBefore(now, run.startTick) && run.falling && !run.finished ? 1 : 0;
        }
        title.step();
        rig.window().present();
        for (const Interchange& c : title.interchanges()) {
            if (c.fireInterval != 100 || c.lastFireTick != now || c.fireCount != 0) {
                continue;
            }
            ++spots;
            ++kinds[static_cast<std::size_t>(c.changeKind)];
            const orvane::Run& owner = title.runs()[static_cast<std::size_t>(c.ownerRun)];
            outsideTrail |= c.cellX != owner.columnX || c.cellY > owner.headY - 40 ||
                            c.cellY < owner.headY - (owner.trailLength - 4) * 20;
        }
    }
    // 15 in 1000 tries; the tries also count spots dropped above the screen, so a little less.
    ASSERT_GT(tries, 50000);
    EXPECT_GT(spots, tries * 8 / 1000);
    EXPECT_LT(spots, tries * 17 / 1000);
    EXPECT_FALSE(outsideTrail);
    for (int k = 0; k < 10; ++k) {
        EXPECT_GT(kinds[static_cast<std::size_t>(k)], spots / 20) << "kind " << k;
    }
}

TEST(TitleWindow, SlowStepsCoarsenTheFadeAndFastStepsBringItBackToSix) {
    TitleRig rig({0, 0, 1024, 768});
    test::WatchedWindow watched(rig.window());
    rig.show().windows[0].window = &watched;
    TitleWindow title(rig.show(), rig.show().windows[0]);
    EXPECT_EQ(title.darkenStep(), 12);
    for (int i = 0; i < 3; ++i) {
        rig.stepNextMs(title);  // fast: 12 -> 9
    }
    EXPECT_EQ(title.darkenStep(), 9);
    // From here on the first copy to the window in a step takes 39 or 40 ms by turns: a step
    // that draws lasts 39 ms, still fast, or 40 ms, which counts as slow.
    bool drewThisStep = false;
    std::uint64_t drawCostUs = 40000;
    watched.watch.beforeDraw = [&](const Rect&) {
        if (!drewThisStep) {
            rig.vs.platform.advance(drawCostUs);
        }
        drewThisStep = true;
    };
    int slow = 0;
    int fastDrawing = 0;
    for (int i = 0; i < 5000 && slow < 4; ++i) {
        drewThisStep = false;
        drawCostUs = drawCostUs == 40000 ? 39000 : 40000;
        const int darken = title.darkenStep();
        const std::uint32_t start = rig.stepNextMs(title);
        const std::uint32_t took = rig.vs.platform.peekTicks() - start;
        const bool wasSlow = took >= 40;
        if (wasSlow) {
            EXPECT_EQ(took, 40u);  // exactly the limit: 40 ms is already slow
        }
        slow += wasSlow ? 1 : 0;
        fastDrawing += took == 39 ? 1 : 0;
        EXPECT_EQ(title.darkenStep(), wasSlow ? darken + 1 : std::max(darken - 1, 6));
    }
    EXPECT_EQ(slow, 4);
    EXPECT_GE(fastDrawing, 3);
    watched.watch.beforeDraw = nullptr;
    for (int i = 0; i < 20; ++i) {
        rig.stepNextMs(title);
    }
    EXPECT_EQ(title.darkenStep(), 6);
}

}  // namespace
}  // namespace orvane
