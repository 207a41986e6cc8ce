// Lengths of the configuration windows are given at 96 dots per inch; these scale them to
// the screen's logical dpi, rounding to the nearest pixel.
#pragma once

#include <QRect>

namespace orvane {

constexpr int kDesignDpi = 96;
constexpr int kPointsPerInch = 72;

// a * b / c rounded to the nearest integer, halves away from zero.
constexpr int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

constexpr int scaledPx(int designPx, int dpi) { return mulDiv(designPx, dpi, kDesignDpi); }

// The pixel height of a font of the given point size.
constexpr int pointsToPx(int points, int dpi) { return mulDiv(points, dpi, kPointsPerInch); }

inline QRect scaledRect(int left, int top, int width, int height, int dpi) {
    return QRect(scaledPx(left, dpi), scaledPx(top, dpi), scaledPx(width, dpi),
                 scaledPx(height, dpi));
}

}  // namespace orvane
