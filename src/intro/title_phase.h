#pragma once

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

// The title: sparse rain whose ten middle runs leave THE ORVANE in the middle row.
void titlePhase(ShowSequencer& show);

}  // namespace orvane
