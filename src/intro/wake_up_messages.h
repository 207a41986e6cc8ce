#pragma once

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

// The four typed messages addressed to the displayed name.
void wakeUpMessages(ShowSequencer& show, Canvas& dc, int width, int height);

}  // namespace orvane
