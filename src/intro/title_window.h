// One saver window during the title: a sparse rain in the middle half of the window whose ten
// middle runs stop on the middle row and leave the ten title glyphs there in the head colour,
// while the other runs drain away. When every run has finished the letters fade to black one
// column at a time and the window is cleared.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "rain/run.h"
#include "show/platform.h"
#include "show/surface.h"

namespace orvane {

class ShowSequencer;
struct SaverWindow;

constexpr int kTitleLength = 10;  // title columns, one glyph each
// Per title column, when its letter starts to fade, in units of kTitleFadeDelayUnitMs.
constexpr std::array<int, kTitleLength> kTitleOrder{3, 7, 5, 0, 9, 1, 8, 6, 2, 4};
constexpr std::uint32_t kTitleFadeDelayUnitMs = 250;
constexpr std::uint32_t kLetterFadeIntervalMs = 20;
constexpr int kLetterFadeAmount = 6;
constexpr int kLetterFadeStepsMax = 44;
constexpr int kTitleClearAfterFadeSteps = 430;  // the clear comes with the next fade step

constexpr std::int32_t kTitleRunIntervalMs = 40;
constexpr std::int32_t kTitleStartSpreadMs = 3000;
constexpr std::int32_t kTailEraserIntervalMs = 10;
constexpr std::int32_t kSpotIntervalMs = 100;
constexpr int kSpotChancePerMille = 15;
constexpr int kSpotKinds = 10;  // 0 fades, 1 to 3 dim then replace, 4 to 9 replace
constexpr int kLetterKind = 10;
constexpr int kDimFirings = 15;
constexpr int kDimAmount = 6;
constexpr int kInitialDarkenStep = 12;
constexpr int kMinDarkenStep = 6;
constexpr std::uint32_t kSlowTitleStepMs = 40;

class TitleWindow {
public:
    // Clears the window, makes the surface and one run per column of the middle half of the
    // window widened to the title columns.
    TitleWindow(ShowSequencer& show, SaverWindow& window);
    ~TitleWindow() = default;  // frees runs, interchanges and surface; releases the context

    TitleWindow(const TitleWindow&) = delete;
    TitleWindow& operator=(const TitleWindow&) = delete;

    // One step at the current tick: runs, interchanges, top-up, letter fade.
    void step();

    int columns() const { return columns_; }
    int titleFirstColumn() const { return titleFirstColumn_; }
    int titleRow() const { return titleRow_; }
    bool isTitleColumn(int column) const {
        return column >= titleFirstColumn_ && column < titleFirstColumn_ + kTitleLength;
    }
    int lettersPlaced() const { return lettersPlaced_; }
    const std::vector<Run>& runs() const { return runs_; }
    const std::vector<Interchange>& interchanges() const { return interchanges_; }
    int activeRuns() const { return activeRuns_; }
    int targetRuns() const { return targetRuns_; }
    int darkenStep() const { return darkenStep_; }
    bool fadeStarted() const { return fadeStarted_; }
    int fadeTotal() const { return fadeTotal_; }
    int letterFadeSteps(int k) const { return letterFadeSteps_[static_cast<std::size_t>(k)]; }
    const Surface& surface() const { return surface_; }

private:
    void stepRun(std::size_t index, std::uint32_t now);
    void eraseTail(Run& run, bool titleColumn);
    void drawHead(Run& run, std::size_t index, bool titleColumn);
    void placeLetter(Run& run, std::size_t index);
    void addRandomSpot(const Run& run, std::size_t index, std::uint32_t now);
    void fireInterchanges(std::uint32_t now);
    bool fire(const Interchange& interchange);  // true when the interchange is spent
    bool anyRunToPick() const;
    void topUp(std::uint32_t now);
    void startFadeWhenAllFinished(std::uint32_t now);
    void fadeLetters(std::uint32_t now);
    void adaptDarkening(std::uint32_t stepDurationMs);

    void drawCell(int x, int y, int glyph, int band, int width);

    ShowSequencer& show_;
    SaverWindow& window_;
    std::unique_ptr<Canvas> canvas_;
    Surface surface_;
    int width_ = 0;
    int height_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    int darkenStep_ = kInitialDarkenStep;
    int fadeStepCount_ = 0;
    int minRuns_ = 0;
    int targetRuns_ = 0;
    int activeRuns_ = 0;
    int titleFirstColumn_ = 0;
    int titleRow_ = 0;
    int lettersPlaced_ = 0;
    std::vector<Run> runs_;
    std::vector<Interchange> interchanges_;
    bool fadeStarted_ = false;
    std::array<std::uint32_t, kTitleLength> letterFadeDue_{};
    std::array<int, kTitleLength> letterFadeSteps_{};
    int fadeTotal_ = 0;
};

}  // namespace orvane
