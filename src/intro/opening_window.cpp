#include "intro/opening_window.h"

#include <cmath>

#include "show/show_sequencer.h"

namespace orvane {

namespace {

// Puts back what the slot's object displaced, then selects the new object and remembers what
// it displaced, so the context's own object is the one restored in the end.
void replaceBrush(Canvas& canvas, SelectionSlot<Brush>& slot, const Brush& brush) {
    if (slot.inUse) {
        canvas.selectBrush(slot.replaced);
    }
    slot.replaced = canvas.selectBrush(brush);
    slot.inUse = brush;
}

void replacePen(Canvas& canvas, SelectionSlot<Pen>& slot, const Pen& pen) {
    if (slot.inUse) {
        canvas.selectPen(slot.replaced);
    }
    slot.replaced = canvas.selectPen(pen);
    slot.inUse = pen;
}

}  // namespace

OpeningWindow::OpeningWindow(ShowSequencer&, SaverWindow& window)
    : window_(window), canvas_(window.window->getCanvas()) {
    const int width = window.window->clientWidth();
    const int height = window.window->clientHeight();
    replaceBrush(*canvas_, brushSlot_, Brush{true, kBlack});
    replacePen(*canvas_, penSlot_, Pen{kBlack, kWipePenWidthPx});
    centre_ = {width / 2, height / 2};
    limit_ = static_cast<int>(std::sqrt(static_cast<double>(centre_.x) * centre_.x +
                                        static_cast<double>(centre_.y) * centre_.y));
    ringsDrawn_ = 0;
    window_.phaseDone = false;
}

OpeningWindow::~OpeningWindow() {
    replaceBrush(*canvas_, brushSlot_, Brush{false, kBlack});
    replacePen(*canvas_, penSlot_, Pen{kBlack, 1});
}

void OpeningWindow::step() {
    if (limit_ / kWipeRadiusStepPx < ringsDrawn_) {
        window_.phaseDone = true;
        return;
    }
    const int r = kWipeRadiusStepPx * ringsDrawn_ + kWipeFirstRadiusPx;
    canvas_->ellipse({centre_.x - r, centre_.y - r, centre_.x + r, centre_.y + r});
    ++ringsDrawn_;
}

}  // namespace orvane
