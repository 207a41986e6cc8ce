#pragma once

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

// The black wipe that opens every show: a ring grows from the centre of every window.
void openingPhase(ShowSequencer& show);

}  // namespace orvane
