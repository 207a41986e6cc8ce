#include "intro/opening_phase.h"

#include "show/show_sequencer.h"

namespace orvane {

void openingPhase(ShowSequencer&) {}

}  // namespace orvane
