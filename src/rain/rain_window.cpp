#include "rain/rain_window.h"

#include "host/settings.h"
#include "rain/cell_ops.h"
#include "rain/exact_product.h"
#include "rain/rain_frame.h"
#include "show/show_sequencer.h"
#include "show/text_ops.h"

namespace orvane {

RainWindow::RainWindow(ShowSequencer& show, SaverWindow& window)
    : show_(show),
      window_(window),
      canvas_(window.window->getCanvas()),
      surface_(window.window->clientWidth(), window.window->clientHeight()) {
    fillRectColour(*canvas_, {0, 0, surface_.width(), surface_.height()}, kBlack);

    const int columnCount = columns();
    const Settings& settings = show_.settings();
    minRuns = truncExactProduct(columnCount, settings.densityFraction);

    const std::uint32_t now = show_.now();
    lastRateTick = now;
    // Not an interval yet: the tick count itself, so a re-draw of the frequency needs a pause
    // longer than the machine's uptime until the first one has happened.
    rateChangeInterval = now;

    Random& random = show_.random();
    runs.reserve(static_cast<std::size_t>(columnCount));
    for (int c = 0; c < columnCount; ++c) {
        Run run = makeRun(c * kColumnPitch, surface_.height(), show_.now(), random, settings);
        run.startTick = show_.now() + static_cast<std::uint32_t>(random(kRunStartSpreadMs));
        ++activeRuns;
        if (!atMostExactProduct(random(kRunDrawsOutOf), kRunDrawsOutOf, settings.densityFraction)) {
            run.falling = false;
            --activeRuns;
        }
        runs.push_back(run);
    }
}

// The context goes back to the window with canvas_; the surface and the lists go with the rest.
RainWindow::~RainWindow() = default;

int RainWindow::columns() const {
    return surface_.width() / kColumnPitch;
}

void RainWindow::showCell(int x, int y, int width, int height) {
    orvane::showCell(*canvas_, surface_, x, y, width, height);
    ++cellsShown;
}

void RainWindow::step() {
    rainFrameStep(*this);
}

}  // namespace orvane
