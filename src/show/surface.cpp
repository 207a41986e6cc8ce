#include "show/surface.h"

#include <algorithm>

namespace orvane {

Surface::Surface(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      stride_(width_ * 3),
      bytes_(static_cast<std::size_t>(stride_) * height_, 0) {}

Colour Surface::pixel(int x, int y) const {
    const std::uint8_t* p = row(y) + x * 3;
    return rgb(p[2], p[1], p[0]);
}

void Surface::setPixel(int x, int y, Colour colour) {
    std::uint8_t* p = row(y) + x * 3;
    const RgbChannels c = splitColour(colour);
    p[0] = static_cast<std::uint8_t>(c.blue);
    p[1] = static_cast<std::uint8_t>(c.green);
    p[2] = static_cast<std::uint8_t>(c.red);
}

void Surface::fill(Colour colour) {
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            setPixel(x, y, colour);
        }
    }
}

}  // namespace orvane
