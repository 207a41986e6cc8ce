// The glyph picture (10 x 10 grey cells of 20 x 20 pixels) and the glyph sheet built from it
// when the show starts: five bands of the picture, band 0 lit toward the highlight colour and
// bands 1 to 4 tinted from the tint 0, 3, 7 and 9 tenths of the way to the highlight. Also the
// three text colours derived from the tint.
#pragma once

#include <cstdint>
#include <vector>

#include "show/colour.h"
#include "show/geometry.h"
#include "show/surface.h"

namespace orvane {

struct Settings;

constexpr int kGlyphCellSize = 20;
constexpr int kGlyphGridCells = 10;
constexpr int kGlyphPictureSize = kGlyphCellSize * kGlyphGridCells;  // 200
constexpr int kGlyphBandCount = 5;
constexpr int kRainGlyphCount = 55;
constexpr int kTitleGlyphBase = 60;

// The artwork: one grey byte per pixel, rows top first.
struct GlyphPicture {
    int width = kGlyphPictureSize;
    int height = kGlyphPictureSize;
    std::vector<std::uint8_t> grey = std::vector<std::uint8_t>(kGlyphPictureSize * kGlyphPictureSize);

    std::uint8_t at(int x, int y) const { return grey[static_cast<std::size_t>(y) * width + x]; }
};

struct TintColours {
    Colour tint = 0;
    Colour lightTint = 0;
    Colour darkTint = 0;
};

TintColours makeTintColours(const Settings& settings);

// The sheet: width of the picture, five times its height.
Surface buildGlyphSheet(const GlyphPicture& picture, const Settings& settings);

// Top left of glyph g of band b in the sheet.
inline Point glyphSource(int glyph, int band) {
    return {(glyph % kGlyphGridCells) * kGlyphCellSize,
            (glyph / kGlyphGridCells) * kGlyphCellSize + kGlyphPictureSize * band};
}

}  // namespace orvane
