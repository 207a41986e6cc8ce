// An off-screen picture in 24-bit colour: rows top first, each pixel one 32-bit word
// 0xFFRRGGBB, that is blue, green, red and an opaque 0xFF in memory on little-endian machines.
// The colour stays 8 bits per channel; the fourth byte is padding that is always 0xFF and
// never darkened. Four bytes rather than three because the rain copies and darkens thousands
// of 16-pixel cells a frame: a cell row is then one whole 64-byte cache line (the pixels start
// on a cache line), glyph and window copies are plain word copies, and the word is the window
// picture's own pixel format. The rain and the title draw here first and copy changed cells
// to the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "show/colour.h"
#include "show/pixel_memory.h"

namespace orvane {

class Surface {
public:
    using Pixel = std::uint32_t;
    static constexpr Pixel kOpaque = 0xFF000000u;

    Surface() = default;
    Surface(int width, int height);  // filled black

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return width_ * static_cast<int>(sizeof(Pixel)); }  // bytes per row

    Pixel* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const Pixel* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

    // The stored word of a colour, and back.
    static constexpr Pixel toPixel(Colour colour) {
        return kOpaque | ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
    }
    static constexpr Colour toColour(Pixel p) {
        return rgb(static_cast<int>(p >> 16) & 0xFF, static_cast<int>(p >> 8) & 0xFF,
                   static_cast<int>(p) & 0xFF);
    }

    Colour pixel(int x, int y) const { return toColour(row(y)[x]); }  // for tests and tools
    void setPixel(int x, int y, Colour colour) { row(y)[x] = toPixel(colour); }
    void fill(Colour colour);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel, PixelAllocator<Pixel>> pixels_;
};

// Copies a block of rows of n pixels each; strides in pixels. The rain's rows (16-pixel cells,
// 18-pixel glyphs) get a loop with the width fixed, so each row is a few inline moves: there
// are tens of thousands of them a frame.
inline void copyPixelRows(Surface::Pixel* to, std::ptrdiff_t toStride, const Surface::Pixel* from,
                          std::ptrdiff_t fromStride, int rows, int n) {
    const auto copy = [&](auto width) {
        for (; rows > 0; --rows, to += toStride, from += fromStride) {
            std::memcpy(to, from, static_cast<std::size_t>(width) * sizeof(Surface::Pixel));
        }
    };
    if (n == 16) {
        copy(std::integral_constant<int, 16>{});
    } else if (n == 18) {
        copy(std::integral_constant<int, 18>{});
    } else {
        copy(n);
    }
}

}  // namespace orvane
