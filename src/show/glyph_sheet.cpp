#include "show/glyph_sheet.h"

#include <algorithm>

#include "host/settings.h"

namespace orvane {

namespace {

constexpr double kLightTintFactor = 1.4;
constexpr double kDarkTintFactor = 0.713;
constexpr int kTintStepsOfTen[] = {3, 7, 9};  // bands 2, 3, 4

struct ChannelFactors {
    int red, green, blue;
};

// Channel c of a surface pixel: 0 blue, 1 green, 2 red.
int channel(Surface::Pixel p, int c) { return static_cast<int>(p >> (8 * c)) & 0xFF; }

// A pixel from its blue, green and red bytes, each taken modulo 256.
Surface::Pixel pixelOf(int blue, int green, int red) {
    return Surface::toPixel(rgb(red, green, blue));
}

// Rows destRow.. of the sheet from the picture, each channel scaled by its factor / 256.
void tintBand(const Surface& source, Surface& sheet, int destRow, ChannelFactors f) {
    for (int i = 0; i < kGlyphPictureSize; ++i) {
        const Surface::Pixel* in = source.row(i);
        Surface::Pixel* out = sheet.row(destRow + i);
        for (int x = 0; x < sheet.width(); ++x) {
            out[x] = pixelOf(channel(in[x], 0) * f.blue / 256, channel(in[x], 1) * f.green / 256,
                             channel(in[x], 2) * f.red / 256);
        }
    }
}

int towardHighlight(int tint, int highlight, int tenths) {
    return tint + (highlight - tint) / 10 * tenths;  // / truncates toward zero, as intended
}

}  // namespace

TintColours makeTintColours(const Settings& s) {
    TintColours colours;
    colours.tint = rgb(s.tintR, s.tintG, s.tintB);
    colours.lightTint = scaleLightness(colours.tint, kLightTintFactor);
    colours.darkTint = scaleLightness(colours.tint, kDarkTintFactor);
    return colours;
}

Surface buildGlyphSheet(const GlyphPicture& picture, const Settings& s) {
    Surface sheet(picture.width, picture.height * kGlyphBandCount);
    // Band 0: a plain copy of the picture, which every tinted band is made from.
    for (int y = 0; y < picture.height && y < kGlyphPictureSize; ++y) {
        Surface::Pixel* out = sheet.row(y);
        for (int x = 0; x < picture.width; ++x) {
            const int v = picture.at(x, y);
            out[x] = pixelOf(v, v, v);
        }
    }
    tintBand(sheet, sheet, kGlyphPictureSize, {s.tintR, s.tintG, s.tintB});
    for (int k = 0; k < 3; ++k) {
        const int tenths = kTintStepsOfTen[k];
        tintBand(sheet, sheet, kGlyphPictureSize * (k + 2),
                 {towardHighlight(s.tintR, s.highlightR, tenths),
                  towardHighlight(s.tintG, s.highlightG, tenths),
                  towardHighlight(s.tintB, s.highlightB, tenths)});
    }
    // Band 0 in place: brightened by 1.5 x highlight / 256, capped at the highlight.
    const int cap[3] = {s.highlightB, s.highlightG, s.highlightR};
    const int factor[3] = {static_cast<int>(s.highlightB * 1.5), static_cast<int>(s.highlightG * 1.5),
                           static_cast<int>(s.highlightR * 1.5)};
    for (int y = 0; y < kGlyphPictureSize; ++y) {
        Surface::Pixel* row = sheet.row(y);
        for (int x = 0; x < sheet.width(); ++x) {
            int lit[3];
            for (int c = 0; c < 3; ++c) {
                lit[c] = std::min(channel(row[x], c) * factor[c] / 256, cap[c]);
            }
            row[x] = pixelOf(lit[0], lit[1], lit[2]);
        }
    }
    return sheet;
}

}  // namespace orvane
