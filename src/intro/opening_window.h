// One saver window during the opening wipe: black rings of growing radius drawn straight onto
// the window from its centre, each overlapping the last, until they cover the corners.
#pragma once

#include <memory>
#include <optional>

#include "show/geometry.h"
#include "show/platform.h"

namespace orvane {

class ShowSequencer;
struct SaverWindow;

constexpr int kWipePenWidthPx = 4;
constexpr int kWipeRadiusStepPx = 3;  // the pen is wider than the step, so no gap is left
constexpr int kWipeFirstRadiusPx = 1;

// A drawing object this phase selected into a context and the one that selection displaced.
template <typename DrawingObject>
struct SelectionSlot {
    std::optional<DrawingObject> inUse;
    DrawingObject replaced{};
};

class OpeningWindow {
public:
    // Takes the window's context and selects the hollow brush and the wide black pen.
    OpeningWindow(ShowSequencer& show, SaverWindow& window);
    // Leaves a solid black brush and a 1-pixel black pen selected, then releases the context.
    ~OpeningWindow();

    OpeningWindow(const OpeningWindow&) = delete;
    OpeningWindow& operator=(const OpeningWindow&) = delete;

    // Draws the next ring, or marks the window done once the last ring is drawn.
    void step();

    Point centre() const { return centre_; }
    int limit() const { return limit_; }
    int ringsDrawn() const { return ringsDrawn_; }

private:
    SaverWindow& window_;
    std::unique_ptr<Canvas> canvas_;
    SelectionSlot<Brush> brushSlot_;
    SelectionSlot<Pen> penSlot_;
    Point centre_;
    int limit_ = 0;
    int ringsDrawn_ = 0;
};

}  // namespace orvane
