#include "show/surface.h"

#include <algorithm>

namespace orvane {

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, toPixel(kBlack)) {}

void Surface::fill(Colour colour) { std::fill(pixels_.begin(), pixels_.end(), toPixel(colour)); }

}  // namespace orvane
