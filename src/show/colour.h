// 24-bit colours (red in the low byte, green in the middle, blue in the high byte) and the
// hue/saturation/lightness conversions whose exact rounding the tint colours and the colour
// button's edges depend on.
#pragma once

#include <cstdint>

namespace orvane {

using Colour = std::uint32_t;

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;

constexpr Colour rgb(int red, int green, int blue) {
    return static_cast<Colour>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

struct RgbChannels {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const RgbChannels&) const = default;
};

struct Hsl {
    double hue = 0;         // 0..1
    double saturation = 0;  // 0..1
    double lightness = 0;   // 0..1
};

RgbChannels splitColour(Colour colour);
Hsl rgbToHsl(Colour colour);
double hueToChannel(double h, double m2, double m1);
// Channels rounded to the nearest integer, ties to even.
RgbChannels hslToRgbChannels(double hue, double saturation, double lightness);
Colour hslToRgb(double hue, double saturation, double lightness);

// The colour with its lightness multiplied by factor, capped at 1.
Colour scaleLightness(Colour colour, double factor);

}  // namespace orvane
