#pragma once

#include <cstdint>

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

constexpr std::uint32_t kTitleYieldEveryMs = 20;

// The title: sparse rain whose ten middle runs leave THE ORVANE in the middle row, then fade it.
// Runs on every saver window until each is done or a stop is requested.
void titlePhase(ShowSequencer& show);

}  // namespace orvane
