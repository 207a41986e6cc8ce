// The glyph picture compiled into the program.
#pragma once

#include "show/glyph_sheet.h"

namespace orvane {

// The 200 x 200 grey picture from the program's resources (black if it cannot be read).
GlyphPicture loadGlyphPicture();

}  // namespace orvane
