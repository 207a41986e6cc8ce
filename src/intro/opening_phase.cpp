#include "intro/opening_phase.h"

#include "intro/opening_window.h"
#include "intro/phase_windows.h"
#include "show/show_sequencer.h"

namespace orvane {

// One ring per window per pass, as fast as the loop runs. A pass that finds the first window
// done ends there, so the phase ends with the first window even if a larger one is unfinished.
void openingPhase(ShowSequencer& show) {
    PhaseWindows<OpeningWindow> windows(show);
    for (;;) {
        bool nothingStepped = true;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (!show.windows[i].phaseDone) {
                windows[i].step();
                nothingStepped = false;
            }
            if (show.shouldStop() || nothingStepped) {
                break;
            }
        }
        if (nothingStepped || show.shouldStop()) {
            break;
        }
    }
}

}  // namespace orvane
