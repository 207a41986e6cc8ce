#include "glyph_picture_array.h"

#include <algorithm>

namespace orvane {

extern const std::uint8_t kGlyphPixels[kGlyphPictureSize * kGlyphPictureSize];

GlyphPicture glyphPictureFromArray() {
    GlyphPicture picture;
    std::copy(std::begin(kGlyphPixels), std::end(kGlyphPixels), picture.grey.begin());
    return picture;
}

}  // namespace orvane
