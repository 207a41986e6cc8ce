// The colour button's edge colours, derived once from its face colour so that any colour looks
// raised when up and sunken when pressed; shared by the Qt and the Win32 button.
#pragma once

#include "show/colour.h"

namespace orvane {

struct EdgeColours {
    Colour light = 0;
    Colour dark = 0;
    bool operator==(const EdgeColours&) const = default;
};

// Light = the face's lightness halfway to white; dark = 66% of the face's lightness.
EdgeColours edgeColoursFor(Colour face);

}  // namespace orvane
