#include "intro/phone_trace.h"

#include <algorithm>
#include <optional>

#include "host/settings.h"
#include "show/show_sequencer.h"
#include "show/text_ops.h"
#include "show/ticks.h"
#include "show/utf8.h"

namespace orvane {

namespace {

constexpr std::string_view kDigitSample = "8";
constexpr int kRowsAboveAndBelow = 5;  // rows of the window the grid leaves free
constexpr int kColumnsBeside = 3;      // columns of the window the grid leaves free
constexpr int kOriginColumns = 2;
constexpr int kOriginRows = 2;
constexpr int kRowOverlapPx = 4;  // rows sit closer than the font's height
constexpr int kDigitCount = 10;
constexpr std::uint32_t kMsPerSecond = 1000;

enum class FlashPhase { Settle, Bright };

// A pending redraw of one cell. Every scroll moves all pending redraws of its column down one
// row; instead of touching each record, a record keeps its row relative to its column's scroll
// count, so a scroll costs the same however many redraws are pending.
struct DigitFlash {
    int column = 0;
    int rowBeforeScrolls = 0;  // row = this + the column's scroll count
    std::uint32_t due = 0;
    FlashPhase phase = FlashPhase::Settle;
    bool done = false;
};

class PhoneTraceRun {
public:
    PhoneTraceRun(ShowSequencer& show, Canvas& dc, int width, int height)
        : show_(show),
          dc_(dc),
          width_(width),
          height_(height),
          number_(phoneTraceNumber(show.settings().phoneNumber)),
          base_(show.lowColour ? kLowColourBase : show.colours().darkTint),
          bright_(show.lowColour ? kLowColourBright : show.colours().lightTint) {}

    void setUp();
    bool busy() const { return !flashes_.empty() || finds_ < kPhoneNumberLength; }
    void scrolls();
    void flickers();
    void find();
    void redraws();

private:
    char& digitAt(int column, int row) {
        return grid_[static_cast<std::size_t>(row) * cells_.columns + column];
    }
    int flashRow(const DigitFlash& flash) const {
        return flash.rowBeforeScrolls + columnScrolls_[flash.column];
    }
    bool alive(int column) const { return alive_[static_cast<std::size_t>(column)] != 0; }
    char randomDigit() { return static_cast<char>('0' + show_.random()(kDigitCount)); }
    // A column picked for a scroll or a flicker; nothing when the digit it would touch is gone.
    std::optional<int> pickLiveColumn();
    void drawCell(int column, int row, std::string_view text) {
        const Point at = cells_.cell(column, row);
        dc_.textOut(at.x, at.y, text);
    }
    void drawDigit(int column, int row, char digit) { drawCell(column, row, {&digit, 1}); }

    ShowSequencer& show_;
    Canvas& dc_;
    int width_;
    int height_;
    std::vector<std::string> number_;
    Colour base_;
    Colour bright_;
    DigitCells cells_;
    std::vector<char> grid_;
    std::vector<std::uint8_t> alive_;
    std::vector<int> columnScrolls_;
    std::vector<DigitFlash> flashes_;
    int finds_ = 0;
    std::uint32_t start_ = 0;
    std::uint32_t lastFind_ = 0;
    std::uint64_t scrollsDone_ = 0;
    std::uint64_t flickersDone_ = 0;
};

void PhoneTraceRun::setUp() {
    fillRectColour(dc_, {0, 0, width_, height_}, kBlack);
    dc_.setBackgroundColour(kBlack);
    dc_.setBackgroundMode(BackgroundMode::Opaque);

    cells_ = measureDigitCells(dc_, width_, height_);
    const int columns = std::max(cells_.columns, 0);
    if (cells_.hasFallingDigits()) {
        grid_.assign(static_cast<std::size_t>(columns) * cells_.rows, ' ');
    }
    columnScrolls_.assign(static_cast<std::size_t>(columns), 0);

    selectBrushColour(dc_, kBlack);
    dc_.setTextColour(base_);
    if (cells_.hasFallingDigits()) {
        for (int r = 1; r < cells_.rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const char digit = randomDigit();
                digitAt(c, r) = digit;
                drawDigit(c, r, digit);
            }
        }
    }

    alive_.assign(static_cast<std::size_t>(columns), 1);
    finds_ = 0;
    start_ = show_.now();
    lastFind_ = start_;
    scrollsDone_ = 0;
    flickersDone_ = 0;
}

std::optional<int> PhoneTraceRun::pickLiveColumn() {
    if (!cells_.hasFallingDigits()) {
        return std::nullopt;
    }
    const int column = show_.random()(cells_.columns);
    if (!alive(column)) {
        return std::nullopt;
    }
    return column;
}

void PhoneTraceRun::scrolls() {
    const std::uint32_t now = show_.now();
    const std::uint64_t due =
        std::uint64_t{static_cast<std::uint32_t>(now - start_)} * kScrollsPerSecond / kMsPerSecond;
    const std::uint64_t attempts = due > scrollsDone_ ? due - scrollsDone_ : 0;
    for (std::uint64_t n = 0; n < attempts; ++n) {
        const std::optional<int> picked = pickLiveColumn();
        if (!picked) {
            continue;
        }
        const int c = *picked;
        const Point row1 = cells_.cell(c, 1);
        const Point row2 = cells_.cell(c, 2);
        dc_.copyWithin(Rect::fromSize(row1.x, row1.y, cells_.digitWidth,
                                      (cells_.rows - 2) * cells_.pitchY),
                       row2);
        fillRectColour(dc_, {row1.x, row1.y, row1.x + cells_.pitchX, row2.y}, kBlack);
        for (int r = cells_.rows - 1; r >= 2; --r) {
            digitAt(c, r) = digitAt(c, r - 1);
        }
        const char digit = randomDigit();
        dc_.setTextColour(base_);
        drawDigit(c, 1, digit);
        digitAt(c, 1) = digit;
        // Appended at row 1, then moved with the rest of its column.
        flashes_.push_back({c, 1 - columnScrolls_[c], now + kDigitFlashStepMs, FlashPhase::Settle});
        ++columnScrolls_[c];
    }
    scrollsDone_ += attempts;
}

void PhoneTraceRun::flickers() {
    dc_.setTextColour(bright_);
    const std::uint32_t now = show_.now();
    const std::uint64_t due =
        std::uint64_t{static_cast<std::uint32_t>(now - start_)} * kFlickersPerSecond / kMsPerSecond;
    const std::uint64_t attempts = due > flickersDone_ ? due - flickersDone_ : 0;
    for (std::uint64_t n = 0; n < attempts; ++n) {
        const std::optional<int> picked = pickLiveColumn();
        if (!picked) {
            continue;
        }
        const int c = *picked;
        const int r = show_.random()(cells_.rows - 1) + 1;
        char digit = randomDigit();
        while (digit == digitAt(c, r)) {
            digit = randomDigit();
        }
        digitAt(c, r) = digit;
        // Transparent: the new digit lands on the old one, which shows through until the redraw.
        drawDigit(c, r, digit);
        flashes_.push_back({c, r - columnScrolls_[c], now + kDigitFlashStepMs, FlashPhase::Bright});
    }
    flickersDone_ += attempts;
}

void PhoneTraceRun::find() {
    if (finds_ >= kPhoneNumberLength) {
        return;
    }
    const std::uint32_t now = show_.now();
    if (!tickBefore(lastFind_ + kLockDelaysMs[static_cast<std::size_t>(finds_)], now)) {
        return;
    }
    lastFind_ = now;
    const int position = kLockOrder[static_cast<std::size_t>(finds_)];
    ++finds_;
    selectBrushColour(dc_, kBlack);
    for (int k = position - 1; k < cells_.columns; k += kPhoneNumberLength) {
        alive_[static_cast<std::size_t>(k)] = 0;
        const Point top = cells_.cell(k, 0);
        fillRectColour(dc_, {top.x, 0, top.x + cells_.pitchX, height_}, kBlack);
    }
    dc_.setTextColour(show_.colours().lightTint);
    drawCell(position - 1, 0, number_[static_cast<std::size_t>(position - 1)]);
}

void PhoneTraceRun::redraws() {
    const std::uint32_t now = show_.now();
    bool anyDone = false;
    for (auto flash = flashes_.rbegin(); flash != flashes_.rend(); ++flash) {
        if (!tickBefore(flash->due, now)) {
            continue;
        }
        const int row = flashRow(*flash);
        if (row >= cells_.rows) {
            flash->done = true;
        } else if (flash->phase == FlashPhase::Bright) {
            if (alive(flash->column)) {
                dc_.setTextColour(bright_);
                drawDigit(flash->column, row, digitAt(flash->column, row));
            }
            flash->due = now + kDigitFlashStepMs;
            flash->phase = FlashPhase::Settle;
        } else {
            if (alive(flash->column)) {
                dc_.setTextColour(base_);
                drawDigit(flash->column, row, digitAt(flash->column, row));
            }
            flash->done = true;
        }
        anyDone = anyDone || flash->done;
    }
    if (anyDone) {
        std::erase_if(flashes_, [](const DigitFlash& flash) { return flash.done; });
    }
}

}  // namespace

DigitCells measureDigitCells(Canvas& dc, int width, int height) {
    const Size digit = textExtent(dc, kDigitSample);
    DigitCells cells;
    cells.digitWidth = digit.width;
    cells.pitchX = 2 * digit.width - 1;
    cells.pitchY = digit.height - kRowOverlapPx;
    // A font too small to measure gives no cells rather than a division by zero.
    if (cells.pitchX <= 0 || cells.pitchY <= 0) {
        cells.columns = 0;
        cells.rows = 0;
    } else {
        cells.columns = width / cells.pitchX - kColumnsBeside;
        cells.rows = height / cells.pitchY - kRowsAboveAndBelow;
    }
    cells.originX = kOriginColumns * cells.pitchX;
    cells.originY = kOriginRows * digit.height;
    return cells;
}

std::vector<std::string> phoneTraceNumber(std::string_view phoneNumber) {
    std::vector<std::string> number = utf8Characters(phoneNumber);
    number.resize(kPhoneNumberLength, " ");
    return number;
}

void phoneTrace(ShowSequencer& show, Canvas& dc, int width, int height) {
    {
        PhoneTraceRun run(show, dc, width, height);
        run.setUp();
        while (run.busy()) {
            if (show.shouldStop()) {
                break;
            }
            selectHollowBrush(dc);
            dc.setBackgroundMode(BackgroundMode::Transparent);
            run.scrolls();
            run.flickers();
            dc.setBackgroundMode(BackgroundMode::Opaque);
            run.find();
            selectBrushColour(dc, kBlack);
            run.redraws();
            if (show.shouldStop()) {
                break;
            }
            show.platform().sleep(1);
        }
    }
    if (!show.waitOrStop(kNumberHoldMs)) {
        fillRectColour(dc, {0, 0, width, height}, kBlack);
    }
}

}  // namespace orvane
