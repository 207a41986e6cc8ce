#include "intro/title_window.h"

#include <algorithm>

#include "rain/cell_ops.h"
#include "show/glyph_sheet.h"
#include "show/show_sequencer.h"
#include "show/text_ops.h"
#include "show/ticks.h"

namespace orvane {

namespace {

constexpr int kHeadBand = 0;
constexpr int kTrailBand = 1;
// Band of glyphs[i], drawn i rows above the head: brightest next to the head.
constexpr std::array<int, kRunGlyphs> kRunBands{kHeadBand, 4, 3, 2, kTrailBand};
constexpr int kRowsBelowScreenDrawn = 4;  // a head is drawn while at most three rows below
constexpr int kFadeKind = 0;
constexpr int kLastDimKind = 3;

void shiftGlyphsDown(Run& run) {
    for (int i = kRunGlyphs - 1; i > 0; --i) {
        run.glyphs[static_cast<std::size_t>(i)] = run.glyphs[static_cast<std::size_t>(i - 1)];
    }
}

}  // namespace

TitleWindow::TitleWindow(ShowSequencer& show, SaverWindow& window)
    : show_(show),
      window_(window),
      canvas_(window.window->getCanvas()),
      surface_(window.window->clientWidth(), window.window->clientHeight()),
      width_(window.window->clientWidth()),
      height_(window.window->clientHeight()) {
    fillRectColour(*canvas_, {0, 0, width_, height_}, kBlack);
    columns_ = width_ / kColumnPitch;
    rows_ = height_ / kRowPitch;
    darkenStep_ = kInitialDarkenStep;
    fadeStepCount_ = fadeStepCountFor(darkenStep_);
    minRuns_ = columns_ / 4;
    titleFirstColumn_ = std::max((columns_ - kTitleLength) / 2, 0);
    titleRow_ = (height_ / 2) / kRowPitch;
    window_.phaseDone = false;

    // The middle half of the columns, widened so that every title column has its run.
    const int first = std::min(columns_ / 4, titleFirstColumn_);
    const int last = std::max(3 * (columns_ / 4), titleFirstColumn_ + kTitleLength - 1);
    Random& random = show_.random();
    for (int column = first; column <= last; ++column) {
        const std::uint32_t now = show_.now();
        Run run = makeRun(column * kColumnPitch, height_, now, random, show_.settings());
        run.startTick = now + static_cast<std::uint32_t>(random(kTitleStartSpreadMs));
        run.stepInterval = kTitleRunIntervalMs;
        run.trailLength = random(rows_ / 3) + rows_ / 4;
        runs_.push_back(run);
        ++activeRuns_;
    }
}

void TitleWindow::step() {
    const std::uint32_t now = show_.now();
    fadeStepCount_ = fadeStepCountFor(darkenStep_);
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        stepRun(i, now);
    }
    fireInterchanges(now);
    topUp(now);
    startFadeWhenAllFinished(now);
    if (fadeStarted_) {
        fadeLetters(now);
    }
    const std::uint32_t end = show_.now();
    adaptDarkening(end - now);
    window_.lastFrameTick = end;
}

void TitleWindow::stepRun(std::size_t index, std::uint32_t now) {
    Run& run = runs_[index];
    if (tickBefore(now, run.startTick)) {
        return;
    }
    // Strictly more than the interval since the last step; with interval 0, any later tick.
    // Decided wrap-safe, so a run stepping just before the tick count wraps keeps falling.
    if (tickBefore(run.lastStepTick + static_cast<std::uint32_t>(run.stepInterval), now)) {
        run.lastStepTick = now;
        if (run.falling) {
            const bool titleColumn = isTitleColumn(run.columnX / kColumnPitch);
            eraseTail(run, titleColumn);
            if (!run.finished) {
                drawHead(run, index, titleColumn);
            }
            run.headY += kRowPitch;
        }
    }
    addRandomSpot(run, index, now);
    if (lettersPlaced_ == kTitleLength && !run.falling) {
        run.finished = true;
    }
}

void TitleWindow::eraseTail(Run& run, bool titleColumn) {
    const int top = run.headY - run.trailLength * kRowPitch;
    if (top >= 0 && top < height_) {
        // At and below the title row a title column holds its letter: nothing is erased there.
        if (top / kRowPitch < titleRow_ || !titleColumn) {
            interchanges_.push_back(makeTailEraser(run.columnX, top, kTailEraserIntervalMs));
        }
    } else if (top >= height_) {
        if (lettersPlaced_ == kTitleLength) {
            run.finished = true;
        }
        run.falling = false;
        --activeRuns_;
        targetRuns_ = std::max(targetRuns_ + show_.random()(3) - 1, minRuns_);
    }
}

void TitleWindow::drawHead(Run& run, std::size_t index, bool titleColumn) {
    const int x = run.columnX;
    const int y = run.headY;
    if (y < height_) {
        drawCell(x, y - kRowPitch, run.glyphs[0], kTrailBand, kColumnPitch);
    }
    if (y + kRowPitch >= height_ + kRowsBelowScreenDrawn * kRowPitch) {
        if (lettersPlaced_ == kTitleLength) {
            run.finished = true;
        }
        return;
    }
    if (y / kRowPitch < titleRow_ || !titleColumn) {
        shiftGlyphsDown(run);
        run.glyphs[0] = randomGlyph(show_.random());
        for (int i = 0; i < kRunGlyphs; ++i) {
            drawCell(x, y - i * kRowPitch, run.glyphs[static_cast<std::size_t>(i)],
                     kRunBands[static_cast<std::size_t>(i)], kGlyphDrawWidth);
        }
    } else if (y > 0 && y + kRowPitch < height_) {
        placeLetter(run, index);
    }
}

// The letter itself is drawn by a kind-10 interchange later in this same step; the trail
// above it is repainted in the trail colour.
void TitleWindow::placeLetter(Run& run, std::size_t index) {
    const int x = run.columnX;
    const int y = run.headY;
    const int k = x / kColumnPitch - titleFirstColumn_;
    ++lettersPlaced_;
    run.glyphs[0] = kTitleGlyphBase + k;
    Interchange letter;
    letter.cellX = x;
    letter.cellY = y;
    letter.fireInterval = 0;
    letter.changeKind = kLetterKind;
    letter.ownerRun = static_cast<int>(index);
    letter.neverFired = true;
    interchanges_.push_back(letter);
    run.finished = true;
    shiftGlyphsDown(run);
    for (int i = 2; i < kRunGlyphs; ++i) {
        drawCell(x, y - i * kRowPitch, run.glyphs[static_cast<std::size_t>(i)], kTrailBand,
                 kGlyphDrawWidth);
    }
}

// Tried at every step call, whether or not the run stepped; the spot lies at least two rows
// above the head, so it never reaches a letter.
void TitleWindow::addRandomSpot(const Run& run, std::size_t index, std::uint32_t now) {
    if (!run.falling || run.finished) {
        return;
    }
    Random& random = show_.random();
    if (random(1000) >= kSpotChancePerMille) {
        return;
    }
    const int y = run.headY - (random(run.trailLength - 5) + 2) * kRowPitch;
    if (y < 0 || y >= height_) {
        return;
    }
    interchanges_.push_back(makeSpot(run.columnX, y, now, kSpotIntervalMs, random(kSpotKinds),
                                     static_cast<int>(index)));
}

// Newest first. Spent interchanges are dropped in one pass afterwards; firing does not depend
// on list positions, so the result is that of removing each as it is spent.
void TitleWindow::fireInterchanges(std::uint32_t now) {
    std::vector<bool> spent(interchanges_.size(), false);
    bool anySpent = false;
    for (std::size_t n = interchanges_.size(); n-- > 0;) {
        Interchange& interchange = interchanges_[n];
        if (!interchangeDue(interchange, now)) {
            continue;
        }
        interchange.lastFireTick = now;
        interchange.neverFired = false;
        if (fire(interchange)) {
            spent[n] = true;
            anySpent = true;
        } else {
            ++interchange.fireCount;
        }
    }
    if (!anySpent) {
        return;
    }
    std::size_t kept = 0;
    for (std::size_t n = 0; n < interchanges_.size(); ++n) {
        if (!spent[n]) {
            interchanges_[kept++] = interchanges_[n];
        }
    }
    interchanges_.resize(kept);
}

bool TitleWindow::fire(const Interchange& c) {
    Random& random = show_.random();
    if (c.changeKind == kFadeKind) {
        if (c.fireCount >= fadeStepCount_) {
            return true;
        }
        darkenRect(surface_, c.cellY, c.cellX, kColumnPitch, kRowPitch, darkenStep_);
        showCell(*canvas_, surface_, c.cellX, c.cellY, kColumnPitch, kRowPitch);
        return false;
    }
    if (c.changeKind <= kLastDimKind) {
        if (c.fireCount < kDimFirings) {
            darkenRect(surface_, c.cellY, c.cellX, kColumnPitch, kRowPitch, kDimAmount);
            showCell(*canvas_, surface_, c.cellX, c.cellY, kColumnPitch, kRowPitch);
            return false;
        }
        if (c.fireCount > kDimFirings) {
            return true;
        }
        const Run& owner = runs_[static_cast<std::size_t>(c.ownerRun)];
        if (c.cellY > owner.headY - owner.trailLength * kRowPitch) {
            drawCell(c.cellX, c.cellY, randomGlyph(random), kTrailBand, kGlyphDrawWidth);
        }
        return false;
    }
    if (c.changeKind < kLetterKind) {
        drawCell(c.cellX, c.cellY, randomGlyph(random), kTrailBand, kColumnPitch);
        return true;
    }
    const Run& owner = runs_[static_cast<std::size_t>(c.ownerRun)];
    drawCell(c.cellX, c.cellY, owner.glyphs[0], kHeadBand, kColumnPitch);
    return true;
}

bool TitleWindow::anyRunToPick() const {
    return std::any_of(runs_.begin(), runs_.end(), [this](const Run& run) {
        return run.finished || (!run.falling && lettersPlaced_ < kTitleLength);
    });
}

// Reused runs start at once and fall a row whenever the tick count moves on. The pick stops
// when no run is finished and none can be reused: picking again could never succeed.
void TitleWindow::topUp(std::uint32_t now) {
    Random& random = show_.random();
    const int maxActive = (columns_ / 3) * 2;
    while (activeRuns_ < targetRuns_ && activeRuns_ < maxActive && anyRunToPick()) {
        Run& run = runs_[static_cast<std::size_t>(random(static_cast<std::int32_t>(runs_.size())))];
        if (run.finished) {
            --targetRuns_;
            continue;
        }
        if (run.falling || lettersPlaced_ >= kTitleLength) {
            continue;
        }
        run.reset(height_, now, random, show_.settings());
        run.trailLength = random(rows_ / 3) + rows_ / 4;
        run.startTick = now;
        run.stepInterval = 0;
        ++activeRuns_;
    }
}

void TitleWindow::startFadeWhenAllFinished(std::uint32_t now) {
    if (fadeStarted_ ||
        !std::all_of(runs_.begin(), runs_.end(), [](const Run& run) { return run.finished; })) {
        return;
    }
    for (std::size_t k = 0; k < kTitleLength; ++k) {
        letterFadeDue_[k] = now + static_cast<std::uint32_t>(kTitleOrder[k]) * kTitleFadeDelayUnitMs;
        letterFadeSteps_[k] = 0;
    }
    fadeTotal_ = 0;
    fadeStarted_ = true;
}

void TitleWindow::fadeLetters(std::uint32_t now) {
    const int y = titleRow_ * kRowPitch;
    for (std::size_t k = 0; k < kTitleLength; ++k) {
        if (!tickBefore(letterFadeDue_[k], now) || letterFadeSteps_[k] >= kLetterFadeStepsMax) {
            continue;
        }
        const int x = (titleFirstColumn_ + static_cast<int>(k)) * kColumnPitch;
        darkenRect(surface_, y, x, kColumnPitch, kRowPitch, kLetterFadeAmount);
        showCell(*canvas_, surface_, x, y, kColumnPitch, kRowPitch);
        ++letterFadeSteps_[k];
        letterFadeDue_[k] += kLetterFadeIntervalMs;
        ++fadeTotal_;
    }
    if (fadeTotal_ > kTitleClearAfterFadeSteps) {
        fillRectColour(*canvas_, {0, 0, width_, height_}, kBlack);
        window_.phaseDone = true;
    }
}

// A slow step makes every fade-to-black coarser so fades keep their time; fast steps bring
// it back to the finest step.
void TitleWindow::adaptDarkening(std::uint32_t stepDurationMs) {
    if (stepDurationMs >= kSlowTitleStepMs) {
        ++darkenStep_;
    } else if (darkenStep_ > kMinDarkenStep) {
        --darkenStep_;
    }
}

void TitleWindow::drawCell(int x, int y, int glyph, int band, int width) {
    drawGlyph(surface_, show_.glyphSheet(), x, y, glyph, band, kRowPitch, width);
    showCell(*canvas_, surface_, x, y, kColumnPitch, kRowPitch);
}

}  // namespace orvane
