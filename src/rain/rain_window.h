// The rain on one saver window: its drawing context, its surface (24-bit colour in 4-byte
// pixels), one run per column, the pending cell changes and the counters that pace them. Made
// when the rain starts on the window (set-up), stepped once per frame, destroyed when the rain
// ends (tear-down), so the tear-down runs on every path out of the phase.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "rain/cell_ops.h"
#include "rain/run.h"
#include "show/platform.h"
#include "show/surface.h"

namespace orvane {

class ShowSequencer;
struct SaverWindow;

constexpr int kDarkenStepFloor = 6;  // the finest fade: 43 firings to black
constexpr int kChangeRateAmplitudePerSecond = 4000;
constexpr double kRatePhaseAtSetUp = 0.2;
constexpr double kRateFrequencyAtSetUp = 0.01;  // cycles per second: a 100 s swing
constexpr int kRunDrawsOutOf = 1000;            // chance of a run falling from the start

class RainWindow {
  public:
    // Takes the window's drawing context, makes a black surface of its client size, fills
    // the window black and makes one run per column; each starts falling with the chance
    // the density gives.
    RainWindow(ShowSequencer& show, SaverWindow& window);
    ~RainWindow();

    RainWindow(const RainWindow&) = delete;
    RainWindow& operator=(const RainWindow&) = delete;

    // One frame of rain (see rain_frame.h).
    void step();

    ShowSequencer& show() { return show_; }
    SaverWindow& saverWindow() { return window_; }
    Canvas& canvas() { return *canvas_; }
    Surface& surface() { return surface_; }
    const Surface& surface() const { return surface_; }
    int width() const { return surface_.width(); }
    int height() const { return surface_.height(); }
    int columns() const;

    // Copies a rectangle of the surface to the window and counts it.
    void showCell(int x, int y, int width, int height);

    std::vector<Run> runs;  // one per column, in column order; never resized while raining
    std::vector<Interchange> interchanges;  // in creation order
    int activeRuns = 0;
    int targetRuns = 0;
    int minRuns = 0;
    int darkenStep = kDarkenStepFloor;
    int fadeStepCount = fadeStepCountFor(kDarkenStepFloor);
    int changeRateAmplitude = kChangeRateAmplitudePerSecond;
    double ratePhase = kRatePhaseAtSetUp;
    double rateFrequency = kRateFrequencyAtSetUp;
    std::uint32_t rateChangeInterval = 0;
    std::uint32_t lastRateTick = 0;

    std::uint64_t cellsShown = 0;  // window copies since set-up, for measurements

  private:
    ShowSequencer& show_;
    SaverWindow& window_;
    std::unique_ptr<Canvas> canvas_;
    Surface surface_;
};

}  // namespace orvane
