#include "rain/cell_ops.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "show/glyph_sheet.h"

namespace orvane {

namespace {

constexpr int kCellPixels = 16;  // a cell row on the surface: one 64-byte cache line

// One pixel's three colour bytes less a each, stopping at 0; the 0xFF fourth byte is kept.
Surface::Pixel darkenPixel(Surface::Pixel p, unsigned a) {
    Surface::Pixel out = p & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned v = (p >> shift) & 0xFFu;
        out |= static_cast<Surface::Pixel>(v > a ? v - a : 0u) << shift;
    }
    return out;
}

// The fades darken thousands of cell rows a frame: on x86-64 four pixels at a time with one
// saturating byte subtraction whose pattern leaves the fourth byte alone, a whole 16-pixel
// cell row (one cache line) per loop pass.
inline void darkenRow(Surface::Pixel* p, int count, unsigned a) {
    int i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i amounts = _mm_set1_epi32(static_cast<int>(a * 0x010101u));
    const auto darkenFour = [&](int at) {
        auto* v = reinterpret_cast<__m128i*>(p + at);
        _mm_storeu_si128(v, _mm_subs_epu8(_mm_loadu_si128(v), amounts));
    };
    for (; i + 16 <= count; i += 16) {
        darkenFour(i);
        darkenFour(i + 4);
        darkenFour(i + 8);
        darkenFour(i + 12);
    }
    for (; i + 4 <= count; i += 4) {
        darkenFour(i);
    }
#endif
    for (; i < count; ++i) {
        p[i] = darkenPixel(p[i], a);
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
    copyPixelRows(surface.row(top) + left, surface.width(), glyphSheet.row(sy) + sx,
                  glyphSheet.width(), height, width);
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
    const unsigned a = static_cast<unsigned>(amount) & 0xFFu;
    Surface::Pixel* p = surface.row(top) + left;
    const int stride = surface.width();
    if (count == kCellPixels) {
        // The rain's own cells: the row loop with the width known, nothing but the subtractions.
        for (int y = top; y <= bottom; ++y, p += stride) {
            darkenRow(p, kCellPixels, a);
        }
        return;
    }
    for (int y = top; y <= bottom; ++y, p += stride) {
        darkenRow(p, count, a);
    }
}

}  // namespace orvane
