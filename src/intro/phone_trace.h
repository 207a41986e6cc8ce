#pragma once

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

// The phone number found digit by digit among scrolling columns of digits.
void phoneTrace(ShowSequencer& show, Canvas& dc, int width, int height);

}  // namespace orvane
