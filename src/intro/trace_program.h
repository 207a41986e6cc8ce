#pragma once

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

// The call log typed on the first window.
void traceProgram(ShowSequencer& show, Canvas& dc, int width, int height);

}  // namespace orvane
