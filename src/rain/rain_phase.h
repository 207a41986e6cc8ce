#pragma once

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

// The code rain on every window, with its power save, until a stop is requested.
void runRainPhase(ShowSequencer& show);

}  // namespace orvane
