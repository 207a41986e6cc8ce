#include "intro/phone_trace.h"

#include "show/show_sequencer.h"

namespace orvane {

void phoneTrace(ShowSequencer&, Canvas&, int, int) {}

}  // namespace orvane
