// The cell primitives all rain drawing goes through: a glyph copied from the glyph sheet into
// the window's surface, a rectangle of the surface darkened, a rectangle of the surface shown
// on the window.
#pragma once

#include <cstdint>

#include "show/platform.h"
#include "show/random.h"
#include "show/surface.h"

namespace orvane {

constexpr int kGlyphDrawWidth = 18;  // reaches 2 pixels into the next column on the surface
constexpr int kGlyphDrawHeight = 20;

// Copies width x height of glyph g of the band from the sheet to (x, y) of the surface;
// whatever falls outside the surface is dropped.
void drawGlyph(Surface& surface, const Surface& glyphSheet, int x, int y, int glyph, int band,
               int height, int width);

// Subtracts the low 8 bits of amount from each colour byte of the rectangle, stopping at 0.
// Clips itself to the surface.
void darkenRect(Surface& surface, int top, int left, int width, int height, int amount);

// (darkenStep + 255) div darkenStep: the firings a fade to black takes at that step.
constexpr int fadeStepCountFor(int darkenStep) {
    return (darkenStep + 255) / darkenStep;
}

// Copies the rectangle of the surface to the same place of the window.
inline void showCell(Canvas& canvas, const Surface& surface, int x, int y, int width, int height) {
    canvas.copyFromSurface(surface, Rect::fromSize(x, y, width, height));
}

constexpr int kRainGlyphChoices = 55;
inline int randomGlyph(Random& random) { return random(kRainGlyphChoices); }

}  // namespace orvane
