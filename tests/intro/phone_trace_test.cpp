#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "intro/phone_trace.h"
#include "sequence_test_support.h"
#include "platform/virtual/virtual_show.h"

namespace orvane {
namespace {

using intro_test::ClockedCanvas;
using intro_test::Stamped;

// The finds' times from the start: the running sums of the lock delays.
constexpr std::array<std::uint32_t, 10> kFindAtMs = {2416,  5041,  7666,  10291, 12916,
                                                     15541, 18166, 19706, 21747, 23622};

// Replays what reached the window against a model of the digits on screen, and counts every
// draw that breaks a rule of the trace.
class ScreenModel {
public:
    ScreenModel(const DigitCells& cells, int height, Colour base, Colour bright, Colour found)
        : cells_(cells),
          height_(height),
          base_(base),
          bright_(bright),
          found_(found),
          digits_(static_cast<std::size_t>(std::max(cells.columns, 0) * std::max(cells.rows, 0))),
          brightPending_(digits_.size()),
          settlePending_(digits_.size()),
          stopped_(static_cast<std::size_t>(std::max(cells.columns, 0))) {}

    void consume(const std::vector<DrawRecord>& records) {
        for (const DrawRecord& record : records) {
            switch (record.kind) {
            case DrawRecord::Kind::Text: text(record); break;
            case DrawRecord::Kind::Rectangle: rectangle(record); break;
            case DrawRecord::Kind::CopyWithin: scroll(record); break;
            default: ++unexpected; break;
            }
        }
    }

    int setUpDraws = 0;
    int scrolls = 0;
    int flickers = 0;
    int flickersRepeatingTheDigit = 0;
    int redraws = 0;
    int redrawsNotShowingTheGrid = 0;
    int redrawsWithoutAPendingFlash = 0;
    int drawsInStoppedColumns = 0;
    int scrollsBeforeFirstFind = 0;
    int flickersBeforeFirstFind = 0;
    int fullClears = 0;
    int unexpected = 0;
    std::vector<DrawRecord> foundCharacters;
    std::vector<std::vector<int>> columnsStoppedByFind;

private:
    std::size_t at(int column, int row) const {
        return static_cast<std::size_t>(row * cells_.columns + column);
    }
    std::string& digit(int column, int row) { return digits_[at(column, row)]; }
    // The column whose cells start at x; -1 when x is not the start of a column.
    int columnAt(int x) const {
        const int offset = x - cells_.originX;
        return offset >= 0 && offset % cells_.pitchX == 0 ? offset / cells_.pitchX : -1;
    }
    bool isStopped(int column) const {
        return column >= 0 && column < cells_.columns && stopped_[static_cast<std::size_t>(column)];
    }

    void text(const DrawRecord& r) {
        const int column = columnAt(r.area.left);
        const int offsetY = r.area.top - cells_.originY;
        if (column < 0 || offsetY % cells_.pitchY != 0) {
            ++unexpected;
            return;
        }
        const int row = offsetY / cells_.pitchY;
        if (row == 0) {
            if (r.textColour != found_ || !r.opaque) {
                ++unexpected;
            }
            foundCharacters.push_back(r);
            columnsStoppedByFind.push_back(pendingStops_);
            pendingStops_.clear();
            return;
        }
        if (column >= cells_.columns || row >= cells_.rows) {
            ++unexpected;
            return;
        }
        if (isStopped(column)) {
            ++drawsInStoppedColumns;
        }
        const int setUpCells = (cells_.rows - 1) * cells_.columns;
        if (setUpDraws < setUpCells) {
            if (!r.opaque || r.textColour != base_) {
                ++unexpected;
            }
            ++setUpDraws;
            digit(column, row) = r.text;
        } else if (!r.opaque && r.textColour == base_ && row == 1) {
            digit(column, row) = r.text;  // the new digit at the top of a scrolled column
        } else if (!r.opaque && r.textColour == bright_) {
            ++flickers;
            if (foundCharacters.empty()) {
                ++flickersBeforeFirstFind;
            }
            if (digit(column, row) == r.text) {
                ++flickersRepeatingTheDigit;
            }
            digit(column, row) = r.text;
            ++brightPending_[at(column, row)];
        } else if (r.opaque && (r.textColour == base_ || r.textColour == bright_)) {
            ++redraws;
            if (digit(column, row) != r.text) {
                ++redrawsNotShowingTheGrid;
            }
            // A bright redraw answers a flicker of this digit and is settled later; a settle
            // answers a bright redraw or a scroll.
            int& pending = (r.textColour == bright_ ? brightPending_ : settlePending_)[at(column, row)];
            if (pending == 0) {
                ++redrawsWithoutAPendingFlash;
            } else {
                --pending;
                if (r.textColour == bright_) {
                    ++settlePending_[at(column, row)];
                }
            }
        } else {
            ++unexpected;
        }
    }

    void rectangle(const DrawRecord& r) {
        if (r.area.left == 0 && r.area.top == 0 && r.area.bottom == height_ &&
            r.area.right > cells_.pitchX) {
            ++fullClears;
            return;
        }
        const int column = columnAt(r.area.left);
        if (column >= 0 && r.area.top == 0 && r.area.bottom == height_ &&
            r.area.width() == cells_.pitchX) {
            stopped_[static_cast<std::size_t>(column)] = true;
            pendingStops_.push_back(column);
        } else if (column >= 0 && r.area.top == cells_.originY + cells_.pitchY &&
                   r.area.height() == cells_.pitchY) {
            if (isStopped(column)) {
                ++drawsInStoppedColumns;  // the black cell of a scroll
            }
        } else {
            ++unexpected;
        }
    }

    void scroll(const DrawRecord& r) {
        const int column = columnAt(r.area.left);
        if (column < 0 || column >= cells_.columns || r.source.x != r.area.left ||
            r.area.top - r.source.y != cells_.pitchY) {
            ++unexpected;
            return;
        }
        if (isStopped(column)) {
            ++drawsInStoppedColumns;
        }
        ++scrolls;
        if (foundCharacters.empty()) {
            ++scrollsBeforeFirstFind;
        }
        // The pending redraws of the column move down with it, the scroll's own one (made at
        // row 1) included; those pushed off the bottom are dropped.
        for (int row = cells_.rows - 1; row >= 2; --row) {
            digit(column, row) = digit(column, row - 1);
        }
        for (auto* pending : {&brightPending_, &settlePending_}) {
            for (int row = cells_.rows - 1; row >= 2; --row) {
                (*pending)[at(column, row)] = (*pending)[at(column, row - 1)];
            }
            (*pending)[at(column, 1)] = 0;
        }
        if (cells_.rows > 2) {
            ++settlePending_[at(column, 2)];
        }
    }

    DigitCells cells_;
    int height_;
    Colour base_;
    Colour bright_;
    Colour found_;
    std::vector<std::string> digits_;
    std::vector<int> brightPending_;
    std::vector<int> settlePending_;
    std::vector<bool> stopped_;
    std::vector<int> pendingStops_;
};

// One whole trace on a window of the given size, watched as it runs.
struct TraceRun {
    DigitCells cells;
    Colour lightTint = 0;
    Colour darkTint = 0;
    std::unique_ptr<ScreenModel> model;
    std::vector<Stamped> finds;       // the row-0 draws, with their times
    std::vector<Stamped> fullClears;  // with their times
    std::uint32_t durationMs = 0;
    Rect litWhileHolding;  // what was on screen 1 s into the hold
    Rect litAtEnd;
};

TraceRun runTrace(int width, int height, std::string_view phoneNumber,
                  std::uint32_t stopAtMs = 0, int bitsPerPixel = 32) {
    VirtualShow vs({VirtualMonitor{0, 0, width, height}}, 0, bitsPerPixel);
    vs.settings.phoneNumber = std::string(phoneNumber);
    vs.platform.utcMsSinceMidnight = 12345;
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);

    TraceRun run;
    run.cells = measureDigitCells(*show.showDC, width, height);
    run.lightTint = show.colours().lightTint;
    run.darkTint = show.colours().darkTint;
    const Colour base = show.lowColour ? kLowColourBase : run.darkTint;
    const Colour bright = show.lowColour ? kLowColourBright : run.lightTint;
    run.model = std::make_unique<ScreenModel>(run.cells, height, base, bright, run.lightTint);

    ClockedCanvas dc(*show.showDC, vs.platform);
    dc.keep = [&](const Stamped& call) {
        return (call.kind == DrawRecord::Kind::Text && call.area.top == run.cells.originY) ||
               (call.kind == DrawRecord::Kind::Rectangle && call.area == Rect{0, 0, width, height});
    };
    // The log is replayed and emptied at every pump, so a whole run stays small.
    window.setLogging(true);
    bool heldLooked = false;
    vs.platform.onPump = [&] {
        run.model->consume(window.records());
        window.clearRecords();
        if (!heldLooked && !dc.calls.empty() && dc.texts().size() == 10 &&
            vs.platform.elapsedMs() > dc.texts().back().atMs() + 1000) {
            run.litWhileHolding = intro_test::litArea(window);
            heldLooked = true;
        }
    };
    if (stopAtMs > 0) {
        vs.platform.scriptAction(stopAtMs, [&] { vs.control.requestStop(); });
    }

    phoneTrace(show, dc, width, height);

    run.model->consume(window.records());
    run.durationMs = vs.platform.elapsedMs();
    run.finds = dc.texts();
    for (const Stamped& call : dc.calls) {
        if (call.kind == DrawRecord::Kind::Rectangle) {
            run.fullClears.push_back(call);
        }
    }
    run.litAtEnd = intro_test::litArea(window);
    return run;
}

TEST(PhoneTraceCells, AreMeasuredFromTheDigitEight) {
    struct Case {
        int width, height, columns, rows;
    };
    // "8" advances 11 and is 22 high: pitch x = 2 x 11 - 1 = 21, pitch y = 22 - 4 = 18,
    // columns = width / 21 - 3, rows = height / 18 - 5.
    const Case cases[] = {
        {800, 600, 35, 28},  // 38 - 3, 33 - 5
        {1920, 1080, 88, 55},
        {168, 600, 5, 28},
        {84, 126, 1, 2},
        {40, 40, -2, -3},
    };
    for (const Case& c : cases) {
        VirtualShow vs({VirtualMonitor{0, 0, c.width, c.height}});
        const DigitCells cells = measureDigitCells(*vs.show().showDC, c.width, c.height);
        EXPECT_EQ(cells.digitWidth, 11);
        EXPECT_EQ(cells.pitchX, 21);
        EXPECT_EQ(cells.pitchY, 18);
        EXPECT_EQ(cells.columns, c.columns) << c.width;
        EXPECT_EQ(cells.rows, c.rows) << c.height;
        EXPECT_EQ(cells.originX, 42);  // 2 x 21
        EXPECT_EQ(cells.originY, 44);  // 2 x 22
        EXPECT_EQ(cells.cell(3, 2), (Point{42 + 63, 44 + 36}));
    }
}

TEST(PhoneTraceNumber, IsCutOrPaddedWithBlanksToTenCharacters) {
    const std::vector<std::string> blanks(10, " ");
    EXPECT_EQ(phoneTraceNumber(""), blanks);
    EXPECT_EQ(phoneTraceNumber("5550690"),
              (std::vector<std::string>{"5", "5", "5", "0", "6", "9", "0", " ", " ", " "}));
    EXPECT_EQ(phoneTraceNumber("0123456789ABC"),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    // Two bytes each: cut after ten characters, not ten bytes.
    EXPECT_EQ(phoneTraceNumber("٠١٢٣٤٥٦٧٨٩٪"),
              (std::vector<std::string>{"٠", "١", "٢", "٣", "٤", "٥", "٦", "٧", "٨", "٩"}));
}

// The full trace on an 800 x 600 window, run once and examined by the tests below.
class PhoneTraceFull : public ::testing::Test {
protected:
    static void SetUpTestSuite() { run_ = new TraceRun(runTrace(800, 600, "0123456789ABC")); }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }
    static TraceRun* run_;
};
TraceRun* PhoneTraceFull::run_ = nullptr;

TEST_F(PhoneTraceFull, FindsComeAtTheirDelaysInLockOrderAndStopTheirColumns) {
    const TraceRun& run = *run_;
    ASSERT_EQ(run.finds.size(), 10u);
    ASSERT_EQ(run.model->foundCharacters.size(), 10u);
    // Position p of "0123456789" is the character p - 1.
    const std::string expected = "7290148653";  // lock order 8, 3, 10, 1, 2, 5, 9, 7, 6, 4
    for (std::size_t i = 0; i < 10; ++i) {
        const Stamped& find = run.finds[i];
        EXPECT_EQ(find.text, std::string(1, expected[i])) << i;
        EXPECT_EQ(find.area.left, run.cells.cell(kLockOrder[i] - 1, 0).x) << i;
        // Each find comes in the first pass after its delay has passed (a pass takes about
        // a millisecond), so the finds fall behind the sums by at most 2 ms each.
        EXPECT_GT(find.atMs(), kFindAtMs[i]) << i;
        EXPECT_LE(find.atMs(), kFindAtMs[i] + 2 * (i + 1)) << i;
        EXPECT_EQ(run.model->foundCharacters[i].textColour, run.lightTint) << i;
        EXPECT_EQ(run.model->foundCharacters[i].area.top, 44);
    }

    // 35 columns: position p stops p - 1, p + 9, p + 19, p + 29 while below 35.
    const std::vector<std::vector<int>> stops = {
        {7, 17, 27}, {2, 12, 22, 32}, {9, 19, 29}, {0, 10, 20, 30}, {1, 11, 21, 31},
        {4, 14, 24, 34}, {8, 18, 28}, {6, 16, 26}, {5, 15, 25}, {3, 13, 23, 33}};
    EXPECT_EQ(run.model->columnsStoppedByFind, stops);
}

TEST_F(PhoneTraceFull, DigitsScrollFlickerAndSettleByTheRules) {
    const ScreenModel& model = *run_->model;
    EXPECT_EQ(model.unexpected, 0) << "draws that are no set-up, scroll, flicker or redraw";
    EXPECT_EQ(model.setUpDraws, 27 * 35);  // rows 1 to 27 of 35 columns

    // Every column is alive until the first find (about 2417 ms): every attempt draws.
    // 2.417 s x 3000 = 7251 scrolls, 2.417 s x 8000 = 19336 flickers.
    EXPECT_NEAR(model.scrollsBeforeFirstFind, 7251, 12);
    EXPECT_NEAR(model.flickersBeforeFirstFind, 19336, 30);

    EXPECT_GT(model.flickers, 100000);
    EXPECT_EQ(model.flickersRepeatingTheDigit, 0) << "a flicker drew the digit already there";

    EXPECT_GT(model.scrolls, 30000);
    EXPECT_GT(model.redraws, 100000);
    EXPECT_EQ(model.redrawsNotShowingTheGrid, 0);
    EXPECT_EQ(model.redrawsWithoutAPendingFlash, 0) << "a redraw that no flicker or scroll asked for";

    EXPECT_EQ(model.drawsInStoppedColumns, 0) << "a stopped column drew";
}

TEST_F(PhoneTraceFull, NumberStandsAloneForTwoSecondsThenTheScreenIsCleared) {
    const TraceRun& run = *run_;
    // Row 0 only: from the first character's cell to the tenth's, 22 high.
    const Rect lit = run.litWhileHolding;
    EXPECT_FALSE(lit.isEmpty());
    EXPECT_GE(lit.left, run.cells.cell(0, 0).x);
    EXPECT_LE(lit.right, run.cells.cell(9, 0).x + 11);
    EXPECT_GE(lit.top, 44);
    EXPECT_LE(lit.bottom, 44 + 22);

    ASSERT_EQ(run.fullClears.size(), 2u);  // the set-up and the end
    // The last redraws fall due 100 ms after the last find; then the 2 s hold.
    const std::uint32_t sinceLastFind = run.fullClears.back().atMs() - run.finds.back().atMs();
    EXPECT_GE(sinceLastFind, 2100u);
    EXPECT_LE(sinceLastFind, 2110u);
    EXPECT_TRUE(run.litAtEnd.isEmpty());
    // 23.622 s of finds + about 0.1 s of redraws + 2 s.
    EXPECT_GE(run.durationMs, 25722u);
    EXPECT_LE(run.durationMs, 25760u);
}

TEST(PhoneTrace, ShortNumberIsPaddedAndItsBlanksShowAsEmptyCells) {
    // 168 pixels wide: 5 columns, so finds at positions 6 to 10 stop no column.
    const TraceRun run = runTrace(168, 600, "5550690");
    ASSERT_EQ(run.finds.size(), 10u);
    // Lock order 8, 3, 10, 1, 2, 5, 9, 7, 6, 4 over "5550690   ".
    const std::vector<std::string> expected = {" ", "5", " ", "5", "5", "6", " ", "0", "9", "0"};
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(run.finds[i].text, expected[i]) << i;
        EXPECT_EQ(run.finds[i].area.left, run.cells.cell(kLockOrder[i] - 1, 0).x) << i;
    }
    EXPECT_GT(run.finds[0].atMs(), 2416u);
    EXPECT_LE(run.finds[0].atMs(), 2418u);
    const std::vector<std::vector<int>> stops = {{}, {2}, {}, {0}, {1}, {4}, {}, {}, {}, {3}};
    EXPECT_EQ(run.model->columnsStoppedByFind, stops);
    EXPECT_EQ(run.model->flickersRepeatingTheDigit, 0);
    EXPECT_EQ(run.model->drawsInStoppedColumns, 0);
    EXPECT_EQ(run.model->unexpected, 0);
}

TEST(PhoneTrace, WindowsTooSmallForDigitColumnsStillShowTheNumber) {
    struct Case {
        int width, height;
        bool falling;  // digits fall in the one column
    };
    // 40 x 40: no column, no row; 800 x 100: no row of falling digits (100 / 18 - 5 = 0);
    // 84 x 126: one column of two rows (126 / 18 - 5), the fewest in which digits fall;
    // 100 x 600: one column.
    for (const Case& c : {Case{40, 40, false}, Case{800, 100, false}, Case{84, 126, true},
                          Case{100, 600, true}}) {
        const TraceRun run = runTrace(c.width, c.height, "12345");
        ASSERT_EQ(run.finds.size(), 10u) << c.width << "x" << c.height;
        EXPECT_EQ(run.model->flickers > 0, c.falling) << c.width << "x" << c.height;
        EXPECT_EQ(run.finds[1].text, "3");
        EXPECT_EQ(run.model->unexpected, 0) << c.width << "x" << c.height;
        EXPECT_EQ(run.model->flickersRepeatingTheDigit, 0);
        EXPECT_EQ(run.model->redrawsNotShowingTheGrid, 0);
        EXPECT_EQ(run.model->redrawsWithoutAPendingFlash, 0);
        EXPECT_EQ(run.model->drawsInStoppedColumns, 0);
        EXPECT_EQ(run.fullClears.size(), 2u);
        EXPECT_GE(run.durationMs, 25622u);
        EXPECT_LE(run.durationMs, 25760u);
    }
}

TEST(PhoneTrace, LowColourDisplayUsesTheGreenPairForDigitsAndTheLightTintForTheNumber) {
    const TraceRun run = runTrace(800, 600, "5550690", 3000, 8);
    EXPECT_EQ(run.model->unexpected, 0);  // every digit in one of the two greens
    EXPECT_GT(run.model->flickers, 1000);
    EXPECT_GT(run.model->redraws, 1000);
    ASSERT_EQ(run.model->foundCharacters.size(), 1u);
    EXPECT_EQ(run.model->foundCharacters[0].textColour, run.lightTint);
}

TEST(PhoneTrace, StopReturnsAtOnceLeavingTheScreenAsDrawn) {
    const TraceRun run = runTrace(800, 600, "5550690", 6000);
    // Seen at the next poll (at most 50 ms), then the hold's wait returns in a millisecond.
    EXPECT_GE(run.durationMs, 6000u);
    EXPECT_LE(run.durationMs, 6053u);
    EXPECT_EQ(run.finds.size(), 2u);  // 2.4 s and 5.0 s
    EXPECT_EQ(run.fullClears.size(), 1u);  // the set-up only
    // Digits still stand over the grid, from the top row to the bottom one.
    EXPECT_EQ(run.litAtEnd.left <= run.cells.cell(0, 0).x + 11, true);
    EXPECT_GE(run.litAtEnd.bottom, run.cells.cell(0, 27).y + 10);
    EXPECT_LE(run.litAtEnd.top, run.cells.cell(0, 1).y + 4);
}

}  // namespace
}  // namespace orvane
