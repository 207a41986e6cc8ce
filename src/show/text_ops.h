// Measuring and drawing text and filling rectangles on a drawing context. The text font is
// bold "Courier New" at a point size; a brush is selected by colour or as hollow.
#pragma once

#include <string_view>

#include "show/platform.h"

namespace orvane {

constexpr int kPointsPerInch = 72;  // points per inch

// a * b / c rounded to the nearest integer, halves away from zero.
int mulDiv(int a, int b, int c);

Size textExtent(Canvas& canvas, std::string_view text);
int textWidth(Canvas& canvas, std::string_view text);
int textHeight(Canvas& canvas, std::string_view text);

// Fills left..right-1, top..bottom-1 in the colour (outlined with the current pen), keeps the
// selected brush, and puts the result on screen before returning.
void fillRectColour(Canvas& canvas, const Rect& rect, Colour colour);

// Bold "Courier New" of the point size: a character height of points x dpi / 72, rounded.
void selectTextFont(Canvas& canvas, int points);
void selectBrushColour(Canvas& canvas, Colour colour);
void selectHollowBrush(Canvas& canvas);

// The first length characters of the text, top left at x, y.
void textOutAt(Canvas& canvas, int x, int y, std::string_view text, std::size_t length);

}  // namespace orvane
