// The glyph picture as compiled in from glyphs.pgm (the same pixels as glyphs.png).
#pragma once

#include "show/glyph_sheet.h"

namespace orvane {

GlyphPicture glyphPictureFromArray();

}  // namespace orvane
