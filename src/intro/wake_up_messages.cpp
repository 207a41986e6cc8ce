#include "intro/wake_up_messages.h"

#include "show/show_sequencer.h"

namespace orvane {

void wakeUpMessages(ShowSequencer&, Canvas&, int, int) {}

}  // namespace orvane
