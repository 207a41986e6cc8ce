#include "intro/trace_program.h"

#include "show/show_sequencer.h"

namespace orvane {

void traceProgram(ShowSequencer&, Canvas&, int, int) {}

}  // namespace orvane
