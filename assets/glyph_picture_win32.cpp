#include "glyph_picture_array.h"
#include "glyph_picture_resource.h"

namespace orvane {

GlyphPicture loadGlyphPicture() { return glyphPictureFromArray(); }

}  // namespace orvane
