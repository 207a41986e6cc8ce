#include "rain/rain_frame.h"

#include <algorithm>
#include <cmath>

#include "host/settings.h"
#include "rain/cell_ops.h"
#include "rain/rain_window.h"
#include "show/show_sequencer.h"
#include "show/ticks.h"

namespace orvane {

namespace {

constexpr int kSpotLowestRowAboveHead = 6;  // spots lie 6 to TrailLength - 4 rows above the head
constexpr int kSpotTrailMarginRows = 9;
constexpr int kSpotDrawsOutOf = 1000;
constexpr int kSpotKeptBelow = 900;        // 90 in 100 on-screen spots become changes
constexpr int kRateChangeSpreadMs = 4000;  // re-drawn threshold: Random(4000) + 200 ms
constexpr std::uint32_t kRateChangeBaseMs = 200;
constexpr double kMaxRateFrequency = 0.5;
constexpr double kMsPerSecond = 1000.0;
constexpr int kStripRows = kRunGlyphs;

// Bands of the head and of the cells 1 to 4 rows above it: highlight, then 9, 7, 3 and 0
// tenths of the way from the tint to it.
constexpr int kStripBands[kRunGlyphs] = {0, 4, 3, 2, 1};
constexpr int kTintBand = 1;

class FrameStep {
  public:
    explicit FrameStep(RainWindow& w)
        : w_(w), show_(w.show()), random_(show_.random()), sheet_(show_.glyphSheet()) {}

    void run() {
        const std::uint32_t frameStart = show_.now();
        if (frameStart == w_.saverWindow().lastFrameTick) {
            return;
        }
        w_.fadeStepCount = fadeStepCountFor(w_.darkenStep);
        stepRuns();
        makeRandomSpots(updateSpotRate());
        fireInterchanges();
        refillRuns();
        adaptFade(frameStart);
    }

  private:
    void stepRuns() {
        const std::uint32_t now = show_.now();
        const int count = static_cast<int>(w_.runs.size());
        for (int i = 0; i < count; ++i) {
            Run& run = w_.runs[static_cast<std::size_t>(i)];
            if (tickBefore(now, run.startTick)) {
                continue;
            }
            // Due only once strictly more than the interval has passed.
            if (!tickBefore(run.lastStepTick + static_cast<std::uint32_t>(run.stepInterval), now)) {
                continue;
            }
            run.lastStepTick = now;
            if (!run.falling) {
                continue;
            }
            eraseTailOrEnd(run);
            if (run.headY < w_.height() + kHeadOverrunRows * kRowPitch) {
                drawHead(run);
            }
            run.headY += kRowPitch;
        }
    }

    void eraseTailOrEnd(Run& run) {
        const int tailY = run.headY - run.trailLength * kRowPitch;
        if (tailY >= w_.height()) {
            // The whole trail has left the screen.
            run.falling = false;
            --w_.activeRuns;
            w_.targetRuns += random_(3) - 1;
            w_.targetRuns = std::max(w_.targetRuns, w_.minRuns);
        } else if (tailY >= 0) {
            w_.interchanges.push_back(makeTailEraser(run.columnX, tailY, kTailEraserIntervalMs));
        }
    }

    void drawHead(Run& run) {
        for (int k = kRunGlyphs - 1; k > 0; --k) {
            run.glyphs[static_cast<std::size_t>(k)] = run.glyphs[static_cast<std::size_t>(k - 1)];
        }
        run.glyphs[0] = randomGlyph(random_);
        for (int k = 0; k < kRunGlyphs; ++k) {
            drawGlyph(w_.surface(), sheet_, run.columnX, run.headY - k * kRowPitch,
                      run.glyphs[static_cast<std::size_t>(k)], kStripBands[k], kGlyphDrawHeight,
                      kGlyphDrawWidth);
        }
        w_.showCell(run.columnX, run.headY - (kStripRows - 1) * kRowPitch, kColumnPitch,
                    kStripRows * kRowPitch);
    }

    // The number of spots this frame, from the oscillating rate and the time since the last
    // frame, capped however long that was.
    int updateSpotRate() {
        const std::uint32_t now = show_.now();
        const std::uint32_t sinceLast = now - w_.lastRateTick;
        const int amplitude = w_.changeRateAmplitude;
        const int rate = static_cast<int>(std::trunc(std::sin(w_.ratePhase) * amplitude)) +
                         amplitude + kRateOffsetPerSecond;
        const double spots = std::trunc(sinceLast / kMsPerSecond * rate);
        const int n = spots > kMaxSpotsPerFrame ? kMaxSpotsPerFrame : static_cast<int>(spots);
        w_.ratePhase += sinceLast / kMsPerSecond * kTwoPi * w_.rateFrequency;
        if (w_.ratePhase > kTwoPi) {
            w_.ratePhase -= kTwoPi;  // once: after a long pause it takes a turn per frame
        }
        // Frames come every 40 ms or so, so only a long pause (the power save) re-draws it.
        if (sinceLast > w_.rateChangeInterval) {
            w_.rateChangeInterval =
                static_cast<std::uint32_t>(random_(kRateChangeSpreadMs)) + kRateChangeBaseMs;
            w_.rateFrequency = random_.unit() * kMaxRateFrequency;
        }
        w_.lastRateTick = now;
        return n;
    }

    void makeRandomSpots(int n) {
        if (w_.runs.empty()) {
            return;
        }
        const std::uint32_t now = show_.now();
        const int runCount = static_cast<int>(w_.runs.size());
        for (int i = 0; i < n; ++i) {
            const int owner = random_(runCount);
            const Run& run = w_.runs[static_cast<std::size_t>(owner)];
            const int y = run.headY - (random_(run.trailLength - kSpotTrailMarginRows) +
                                       kSpotLowestRowAboveHead) *
                                          kRowPitch;
            // Runs waiting to start or ended give off-screen cells.
            if (y >= w_.height() || y < 0) {
                continue;
            }
            if (random_(kSpotDrawsOutOf) >= kSpotKeptBelow) {
                continue;
            }
            w_.interchanges.push_back(
                makeSpot(run.columnX, y, now, kSpotFireIntervalMs, random_(kSpotKinds), owner));
        }
    }

    // From the last to the first. Survivors are packed toward the end as the pass goes, in
    // their order, and the removed ones cut from the front once: nothing is appended meanwhile.
    void fireInterchanges() {
        const std::uint32_t now = show_.now();
        std::vector<Interchange>& list = w_.interchanges;
        const std::size_t count = list.size();
        std::size_t kept = count;
        for (std::size_t i = count; i-- > 0;) {
            Interchange& change = list[i];
            bool keep = true;
            if (interchangeDue(change, now)) {
                change.lastFireTick = now;
                change.neverFired = false;
                keep = fire(change);
            }
            if (keep) {
                if (--kept != i) {
                    list[kept] = change;
                }
            }
        }
        list.erase(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(kept));
    }

    // Returns false when the change is done and leaves the list.
    bool fire(Interchange& change) {
        const int x = change.cellX;
        const int y = change.cellY;
        if (change.changeKind <= kLastFadeKind) {
            if (change.fireCount >= w_.fadeStepCount) {
                return false;
            }
            darkenRect(w_.surface(), y, x, kColumnPitch, kRowPitch, w_.darkenStep);
            w_.showCell(x, y, kColumnPitch, kRowPitch);
            ++change.fireCount;
            return true;
        }
        if (change.changeKind <= kLastDimKind) {
            if (change.fireCount < kDimFirings) {
                darkenRect(w_.surface(), y, x, kColumnPitch, kRowPitch, kDimAmount);
                w_.showCell(x, y, kColumnPitch, kRowPitch);
            } else if (change.fireCount == kDimFirings) {
                // Replaced only while the cell still lies in its run's trail as the run stands
                // now (it may have been reset meanwhile).
                const Run& owner = w_.runs[static_cast<std::size_t>(change.ownerRun)];
                if (y > owner.headY - owner.trailLength * kRowPitch) {
                    replaceGlyph(x, y);
                }
            } else {
                return false;
            }
            ++change.fireCount;
            return true;
        }
        if (change.changeKind < kSpotKinds) {
            replaceGlyph(x, y);
            return false;
        }
        return true;
    }

    void replaceGlyph(int x, int y) {
        drawGlyph(w_.surface(), sheet_, x, y, randomGlyph(random_), kTintBand, kGlyphDrawHeight,
                  kGlyphDrawWidth);
        w_.showCell(x, y, kColumnPitch, kRowPitch);
    }

    // Ended runs come back, in random columns, while fewer fall than wanted, but never more
    // than two thirds of the columns.
    void refillRuns() {
        const std::uint32_t now = show_.now();
        const int cap = w_.columns() / 3 * 2;
        const int runCount = static_cast<int>(w_.runs.size());
        while (w_.activeRuns < w_.targetRuns) {
            if (w_.activeRuns >= cap) {
                break;
            }
            Run& run = w_.runs[static_cast<std::size_t>(random_(runCount))];
            if (run.falling) {
                continue;
            }
            run.reset(w_.height(), now, random_, show_.settings());
            run.startTick = now;
            ++w_.activeRuns;
        }
    }

    void adaptFade(std::uint32_t frameStart) {
        const std::uint32_t now = show_.now();
        if (now - frameStart >= kSlowFrameMs) {
            w_.darkenStep = std::min(w_.darkenStep + 1, kDarkenStepCeiling);
        } else if (w_.darkenStep > kDarkenStepFloor) {
            --w_.darkenStep;
        }
        w_.saverWindow().lastFrameTick = now;
    }

    RainWindow& w_;
    ShowSequencer& show_;
    Random& random_;
    const Surface& sheet_;
};

}  // namespace

void rainFrameStep(RainWindow& window) {
    FrameStep(window).run();
}

}  // namespace orvane
