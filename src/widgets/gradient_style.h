// The gradient panel's look as plain values, and the render that turns them into a 24-bit
// picture. Kept apart from the widget so the picture can be checked without painting.
#pragma once

#include <cstdint>
#include <vector>

#include "show/colour.h"

namespace orvane {

// How a phase becomes a mix factor between the start and the end colour.
enum class ShadeMode { Saturate = 0, Wrap = 1, Sine = 2 };

struct GradientStyle {
    Colour startColour = kWhite;  // colour at phase 0
    Colour endColour = kBlack;    // colour at phase 1
    std::int32_t borderThickness = 0;
    std::int32_t rotation = 30;  // degrees
    std::int32_t period = 0;     // pixels; 0 means the picture's diagonal
    std::int32_t patternCentreX = 0;
    std::int32_t patternCentreY = 0;
    ShadeMode shadeMode = ShadeMode::Saturate;

    bool operator==(const GradientStyle&) const = default;
};

// The distance over which the phase grows by 1: the period, or the diagonal when it is 0.
std::int64_t gradientPeriod(std::int32_t period, int width, int height);

double shadeFactor(ShadeMode mode, double phase);

// One channel of the mix, truncated; only its low 8 bits are kept, so a wrapped negative
// phase gives the byte of a negative value rather than a clamped one.
std::uint8_t mixChannel(int start, int end, double factor);

// A 24-bit picture as device-independent bitmaps hold it: bytes blue, green, red, rows top
// first, each row padded to a multiple of 4 bytes. Both front ends show it as it is.
struct Bgr24Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bytes;

    Bgr24Picture() = default;
    Bgr24Picture(int w, int h);  // black
    int stride() const { return (3 * width + 3) & ~3; }
    std::uint8_t* row(int y) { return bytes.data() + static_cast<std::size_t>(y) * stride(); }
    const std::uint8_t* row(int y) const {
        return bytes.data() + static_cast<std::size_t>(y) * stride();
    }
    bool operator==(const Bgr24Picture&) const = default;
};

// Renders the whole picture, which must already have its size. Returns false and leaves the
// picture untouched when the geometry has no finite phase steps (a period of 0 pixels or a
// zero cosine).
bool renderGradient(const GradientStyle& style, Bgr24Picture& picture);

// Convenience for callers that want a fresh picture; black where nothing could be rendered.
Bgr24Picture renderedGradient(const GradientStyle& style, int width, int height);

}  // namespace orvane
