#include "widgets/gradient_style.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

// The ten-digit value the gradient's angles were always computed with; using the exact pi
// would shift the bands of existing looks by a fraction of a pixel.
constexpr double kPiApprox = 3.141592654;
constexpr double kDegreesPerTurn = 360;
constexpr int kQuarterTurnDegrees = 90;
// Phase offset of the border strips, in pixels along each axis: +32 lifts the top and left
// strips, -32 sinks the right and bottom ones, which gives the bevel.
constexpr int kStripOffsetPx = 32;
constexpr int kBytesPerPixel = 3;

double frac(double x) { return x - std::trunc(x); }

struct PhaseSteps {
    double dx = 0;  // per pixel to the right
    double dy = 0;  // per pixel downward
    double k = 0;   // puts phase 0.5 (modulo 1) at the shifted middle of the picture
};

// One rectangular run of rows: row r starts at column r * startStep and is
// r * shrinkStep + r * startStep shorter than the first, which mitres the strips.
struct Block {
    std::int64_t x0 = 0;
    std::int64_t y0 = 0;
    std::int64_t columns = 0;
    std::int64_t rows = 0;
    std::int64_t startStep = 0;
    std::int64_t shrinkStep = 0;
    std::int64_t phaseOffset = 0;
};

struct Channels {
    int startRed, startGreen, startBlue;
    int endRed, endGreen, endBlue;
};

template <ShadeMode Mode>
void fillBlock(const Block& block, const PhaseSteps& steps, const GradientStyle& style,
               const Channels& ch, Bgr24Picture& image) {
    const std::int64_t width = image.width;
    const std::int64_t height = image.height;
    const double u = frac(((block.x0 - style.patternCentreX) * steps.dx + steps.k) +
                          (block.y0 - style.patternCentreY) * steps.dy);
    const double start = frac((block.phaseOffset * steps.dy + u) + block.phaseOffset * steps.dx);

    // Rows above the picture exist only for a negative border; jump over them at once.
    const std::int64_t firstRow = std::max<std::int64_t>(0, -block.y0);
    double rowPhase = firstRow > 0 ? start + firstRow * steps.dy : start;
    for (std::int64_t r = firstRow; r < block.rows; ++r, rowPhase += steps.dy) {
        const std::int64_t y = block.y0 + r;
        if (y >= height) {
            break;
        }
        const std::int64_t begin = r * block.startStep;
        const std::int64_t length = block.columns - r * block.shrinkStep - begin;
        if (length <= 0) {
            continue;
        }
        const std::int64_t x = block.x0 + begin;
        const std::int64_t firstPixel = std::max<std::int64_t>(0, -x);
        const std::int64_t endPixel = std::min(length, width - x);
        if (endPixel <= firstPixel) {
            continue;
        }
        double phase = rowPhase + begin * steps.dx;
        if (firstPixel > 0) {
            phase += firstPixel * steps.dx;
        }
        std::uint8_t* pixel = image.row(static_cast<int>(y)) + (x + firstPixel) * kBytesPerPixel;
        for (std::int64_t k = firstPixel; k < endPixel; ++k, phase += steps.dx) {
            const double f = shadeFactor(Mode, phase);
            *pixel++ = mixChannel(ch.startBlue, ch.endBlue, f);
            *pixel++ = mixChannel(ch.startGreen, ch.endGreen, f);
            *pixel++ = mixChannel(ch.startRed, ch.endRed, f);
        }
    }
}

void fill(const Block& block, const PhaseSteps& steps, const GradientStyle& style,
          const Channels& ch, Bgr24Picture& image) {
    switch (style.shadeMode) {
        case ShadeMode::Saturate:
            fillBlock<ShadeMode::Saturate>(block, steps, style, ch, image);
            break;
        case ShadeMode::Wrap:
            fillBlock<ShadeMode::Wrap>(block, steps, style, ch, image);
            break;
        case ShadeMode::Sine:
            fillBlock<ShadeMode::Sine>(block, steps, style, ch, image);
            break;
    }
}

}  // namespace

std::int64_t gradientPeriod(std::int32_t period, int width, int height) {
    if (period != 0) {
        return period;
    }
    const std::int64_t squares = std::int64_t{width} * width + std::int64_t{height} * height;
    return static_cast<std::int64_t>(std::trunc(std::sqrt(static_cast<double>(squares))));
}

double shadeFactor(ShadeMode mode, double phase) {
    switch (mode) {
        case ShadeMode::Saturate:
            return phase > 1 ? 1 : (phase < 0 ? 0 : phase);
        case ShadeMode::Wrap:
            return frac(phase);
        case ShadeMode::Sine:
            return (std::sin(phase * 2 * kPiApprox) + 1) / 2;
    }
    return 0;
}

std::uint8_t mixChannel(int start, int end, double factor) {
    const auto value = static_cast<std::int32_t>(std::trunc((end - start) * factor + start));
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFF);
}

bool renderGradient(const GradientStyle& style, Bgr24Picture& image) {
    const std::int64_t width = image.width;
    const std::int64_t height = image.height;
    const std::int64_t period = gradientPeriod(style.period, image.width, image.height);
    const double theta = style.rotation;
    const double c = std::cos(theta / kDegreesPerTurn * 2 * kPiApprox);
    const double s = std::sin(theta / kDegreesPerTurn * 2 * kPiApprox);
    const double cPrime = std::cos(static_cast<double>(kQuarterTurnDegrees - theta) /
                                   kDegreesPerTurn * 2 * kPiApprox);
    if (period == 0 || c == 0 || cPrime == 0) {
        return false;
    }
    const double p = static_cast<double>(period);
    PhaseSteps steps;
    steps.dx = 1 / (p / c);
    steps.dy = s == 0 ? 0 : 1 / (p / cPrime);
    const double f1 = frac((width / 2.0) / (p / c));
    const double f2 = frac((height / 2.0) / (p / cPrime));
    steps.k = ((1 - f1) + 0.5) - f2;

    const RgbChannels from = splitColour(style.startColour);
    const RgbChannels to = splitColour(style.endColour);
    const Channels ch{from.red, from.green, from.blue, to.red, to.green, to.blue};

    const std::int64_t t = style.borderThickness;
    fill({t, t, width - 2 * t, height - 2 * t, 0, 0, 0}, steps, style, ch, image);
    if (t > 0) {
        fill({0, 0, t, height, 0, 0, kStripOffsetPx}, steps, style, ch, image);             // left
        fill({width - t, 0, t, height, 0, 0, -kStripOffsetPx}, steps, style, ch, image);    // right
        fill({0, 0, width, t, 1, 1, kStripOffsetPx}, steps, style, ch, image);              // top
        fill({t, height - t, width - 2 * t, t, -1, -1, -kStripOffsetPx}, steps, style, ch,
             image);                                                                        // bottom
    }
    return true;
}

Bgr24Picture::Bgr24Picture(int w, int h)
    : width(w > 0 ? w : 0), height(h > 0 ? h : 0),
      bytes(static_cast<std::size_t>(stride()) * static_cast<std::size_t>(height), 0) {}

Bgr24Picture renderedGradient(const GradientStyle& style, int width, int height) {
    Bgr24Picture image(width, height);
    renderGradient(style, image);
    return image;
}

}  // namespace orvane
