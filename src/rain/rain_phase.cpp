#include "rain/rain_phase.h"

#include "show/show_sequencer.h"

namespace orvane {

void runRainPhase(ShowSequencer& show) {
    while (!show.shouldStop()) {
        show.platform().sleep(40);
    }
}

}  // namespace orvane
