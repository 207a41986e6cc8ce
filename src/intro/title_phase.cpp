#include "intro/title_phase.h"

#include "intro/phase_windows.h"
#include "intro/title_window.h"
#include "show/show_sequencer.h"
#include "show/ticks.h"

namespace orvane {

// The loop does not pace itself: every timing inside a step is measured against the tick
// count. It only yields the processor for a millisecond every 20 ms.
void titlePhase(ShowSequencer& show) {
    PhaseWindows<TitleWindow> windows(show);
    std::uint32_t mark = show.now();
    bool allDone = false;
    bool stop = false;
    while (!allDone && !stop) {
        allDone = true;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            if (!show.windows[i].phaseDone) {
                windows[i].step();
                allDone = false;
            }
            if (show.shouldStop()) {
                stop = true;
                break;
            }
        }
        if (tickBefore(mark + kTitleYieldEveryMs, show.now())) {
            show.platform().sleep(1);
            mark = show.now();
        }
    }
}

}  // namespace orvane
