#include "intro/title_phase.h"

#include "show/show_sequencer.h"

namespace orvane {

void titlePhase(ShowSequencer&) {}

}  // namespace orvane
