#include "show/show_sequencer.h"

#include "host/settings.h"
#include "show/ticks.h"

namespace orvane {

ShowSequencer::ShowSequencer(Platform& platform, const Settings& settings,
                             const GlyphPicture& picture)
    : platform_(platform),
      settings_(settings),
      glyphSheet_(buildGlyphSheet(picture, settings)),
      colours_(makeTintColours(settings)) {
    random_.seed(platform_.millisecondsSinceMidnightUtc());
}

bool ShowSequencer::shouldStop() {
    const std::uint32_t now = platform_.ticks();
    // The first poll always pumps, whatever the tick count happens to be.
    if (neverPumped_ || static_cast<std::uint32_t>(now - lastPumpTick_) > kPumpIntervalMs) {
        platform_.processPendingMessages();
        lastPumpTick_ = now;
        neverPumped_ = false;
    }
    return stopRequested_;
}

bool ShowSequencer::waitOrStop(std::uint32_t milliseconds) {
    const std::uint32_t deadline = platform_.ticks() + milliseconds;
    for (std::uint32_t now = platform_.ticks(); tickBefore(now, deadline);
         now = platform_.ticks()) {
        // The last 10 ms are spun without pumping or sleeping.
        if (static_cast<std::uint32_t>(deadline - now) > kWaitSpinMs) {
            platform_.processPendingMessages();
            platform_.sleep(1);
            if (stopRequested_) {
                break;
            }
        }
    }
    return stopRequested_;
}

}  // namespace orvane
