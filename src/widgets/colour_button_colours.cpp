#include "widgets/colour_button_colours.h"

namespace orvane {

namespace {

constexpr double kLightTowardsWhite = 0.5;  // light = (L + 1) / 2
constexpr double kDarkLightnessFactor = 0.66;

}  // namespace

EdgeColours edgeColoursFor(Colour face) {
    const Hsl hsl = rgbToHsl(face);
    return {hslToRgb(hsl.hue, hsl.saturation, (hsl.lightness + 1) * kLightTowardsWhite),
            hslToRgb(hsl.hue, hsl.saturation, hsl.lightness * kDarkLightnessFactor)};
}

}  // namespace orvane
