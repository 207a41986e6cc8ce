// An off-screen picture of 24 bits per pixel: rows top first, each pixel stored blue, green,
// red. The rain and the title draw here first and copy changed cells to the window.
#pragma once

#include <cstdint>
#include <vector>

#include "show/colour.h"

namespace orvane {

class Surface {
public:
    Surface() = default;
    Surface(int width, int height);  // filled black

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }  // bytes per row

    std::uint8_t* row(int y) { return bytes_.data() + static_cast<std::size_t>(y) * stride_; }
    const std::uint8_t* row(int y) const {
        return bytes_.data() + static_cast<std::size_t>(y) * stride_;
    }

    Colour pixel(int x, int y) const;  // for tests and tools
    void setPixel(int x, int y, Colour colour);
    void fill(Colour colour);

private:
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace orvane
