#include "show/colour.h"

#include <cmath>

namespace orvane {

RgbChannels splitColour(Colour colour) {
    return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
            static_cast<int>((colour >> 16) & 0xFF)};
}

Hsl rgbToHsl(Colour colour) {
    const RgbChannels c = splitColour(colour);
    const double r = c.red / 255.0;
    const double g = c.green / 255.0;
    const double b = c.blue / 255.0;
    double max = r > g ? r : g;
    double min = r > g ? g : r;
    if (b > max) {
        max = b;
    } else if (b < min) {
        min = b;
    }
    Hsl hsl;
    hsl.lightness = (max + min) / 2;
    if (max == min) {
        return hsl;
    }
    const double d = max - min;
    hsl.saturation = hsl.lightness < 0.5 ? d / (max + min) : d / (2 - max - min);
    double hue;
    if (r == max) {
        hue = (g - b) / d;
    } else if (g == max) {
        hue = (b - r) / d + 2;
    } else {
        hue = (r - g) / d + 4;
    }
    hue /= 6;
    if (hue < 0) {
        hue += 1;
    }
    hsl.hue = hue;
    return hsl;
}

double hueToChannel(double h, double m2, double m1) {
    if (h < 0) {
        h += 1;
    }
    if (h > 1) {
        h -= 1;
    }
    if (6 * h < 1) {
        return m1 + (m2 - m1) * h * 6;
    }
    if (2 * h < 1) {
        return m2;
    }
    if (3 * h < 2) {
        return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
    }
    return m1;
}

namespace {
int roundChannel(double value) {
    // std::nearbyint rounds ties to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(255 * value));
}
}  // namespace

RgbChannels hslToRgbChannels(double hue, double saturation, double lightness) {
    double r, g, b;
    if (saturation == 0) {
        r = g = b = lightness;
    } else {
        const double m2 = lightness < 0.5 ? lightness * (1 + saturation)
                                          : lightness + saturation - lightness * saturation;
        const double m1 = 2 * lightness - m2;
        r = hueToChannel(hue + 1.0 / 3.0, m2, m1);
        g = hueToChannel(hue, m2, m1);
        b = hueToChannel(hue - 1.0 / 3.0, m2, m1);
    }
    return {roundChannel(r), roundChannel(g), roundChannel(b)};
}

Colour hslToRgb(double hue, double saturation, double lightness) {
    const RgbChannels c = hslToRgbChannels(hue, saturation, lightness);
    return rgb(c.red, c.green, c.blue);
}

Colour scaleLightness(Colour colour, double factor) {
    const Hsl hsl = rgbToHsl(colour);
    double lightness = hsl.lightness * factor;
    if (lightness > 1.0) {
        lightness = 1.0;
    }
    return hslToRgb(hsl.hue, hsl.saturation, lightness);
}

}  // namespace orvane
