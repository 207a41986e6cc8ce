#include "rain/cell_ops.h"

#include <algorithm>
#include <cstring>

#include "show/glyph_sheet.h"

namespace orvane {

namespace {

constexpr int kChunkBytes = 16;

std::uint8_t subtractOrZero(std::uint8_t v, std::uint8_t a) {
    return static_cast<std::uint8_t>(v - std::min(v, a));
}

// A loop of fixed length, which compilers turn into one saturating vector subtraction: the
// fades darken thousands of cells a frame.
void subtractChunk(std::uint8_t* p, std::uint8_t a) {
    for (int i = 0; i < kChunkBytes; ++i) {
        p[i] = subtractOrZero(p[i], a);
    }
}

}  // namespace

void drawGlyph(Surface& surface, const Surface& glyphSheet, int x, int y, int glyph, int band,
               int height, int width) {
    const Point source = glyphSource(glyph, band);
    int sx = source.x;
    int sy = source.y;
    int left = x;
    int top = y;
    if (left < 0) {
        sx -= left;
        width += left;
        left = 0;
    }
    if (top < 0) {
        sy -= top;
        height += top;
        top = 0;
    }
    width = std::min({width, surface.width() - left, glyphSheet.width() - sx});
    height = std::min({height, surface.height() - top, glyphSheet.height() - sy});
    if (width <= 0 || height <= 0 || sx < 0 || sy < 0) {
        return;
    }
    for (int row = 0; row < height; ++row) {
        std::memcpy(surface.row(top + row) + 3 * left, glyphSheet.row(sy + row) + 3 * sx,
                    static_cast<std::size_t>(3 * width));
    }
}

void darkenRect(Surface& surface, int top, int left, int width, int height, int amount) {
    int bottom = top + height - 1;
    if (bottom < 0 || top >= surface.height()) {
        return;
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, surface.height() - 1);
    if (bottom < top) {
        return;
    }
    int right = left + width - 1;
    if (right < 0 || left >= surface.width()) {
        return;
    }
    left = std::max(left, 0);
    right = std::min(right, surface.width() - 1);
    const int count = right - left + 1;
    if (count <= 0) {
        return;
    }
    const auto a = static_cast<std::uint8_t>(amount & 0xFF);
    const int bytes = 3 * count;
    for (int y = top; y <= bottom; ++y) {
        std::uint8_t* p = surface.row(y) + 3 * left;
        int i = 0;
        for (; i + kChunkBytes <= bytes; i += kChunkBytes) {
            subtractChunk(p + i, a);
        }
        for (; i < bytes; ++i) {
            p[i] = subtractOrZero(p[i], a);
        }
    }
}

}  // namespace orvane
