// The glyph sheet's five bands and the text colours derived from the tint.
#include <gtest/gtest.h>

#include "host/settings.h"
#include "show/colour.h"
#include "show/glyph_sheet.h"

namespace orvane {
namespace {

constexpr int kFullCell = 0;  // grey 255
constexpr int kGrey100Cell = 1;
constexpr int kGrey200Cell = 2;
constexpr int kBlackCell = 3;

// Cells 0..3 flat 255, 100, 200 and 0; every other cell i flat 100 + i.
GlyphPicture testPicture() {
    GlyphPicture picture;
    const int fixed[] = {255, 100, 200, 0};
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const int cell = (y / kGlyphCellSize) * kGlyphGridCells + x / kGlyphCellSize;
            picture.grey[static_cast<std::size_t>(y) * picture.width + x] =
                static_cast<std::uint8_t>(cell < 4 ? fixed[cell] : 100 + cell);
        }
    }
    return picture;
}

Settings colours(RgbChannels tint, RgbChannels highlight) {
    Settings s;
    s.tintR = tint.red;
    s.tintG = tint.green;
    s.tintB = tint.blue;
    s.highlightR = highlight.red;
    s.highlightG = highlight.green;
    s.highlightB = highlight.blue;
    return s;
}

RgbChannels cellColour(const Surface& sheet, int cell, int band) {
    const Point p = glyphSource(cell, band);
    return splitColour(sheet.pixel(p.x + 7, p.y + 11));
}

// A pixel of 255 in a tinted band shows the factor: 255 x f div 256 = f - 1 for f of 1..256.
RgbChannels factorOf(const Surface& sheet, int band) {
    const RgbChannels c = cellColour(sheet, kFullCell, band);
    return {c.red + 1, c.green + 1, c.blue + 1};
}

TEST(GlyphSheet, IsThePictureFiveTimesOver) {
    const Surface sheet = buildGlyphSheet(testPicture(), Settings{});
    EXPECT_EQ(sheet.width(), 200);
    EXPECT_EQ(sheet.height(), 1000);
}

TEST(GlyphSheet, BandFactors) {
    struct Case {
        const char* what;
        RgbChannels tint, highlight;
        RgbChannels bands[4];  // factors of bands 1 to 4
    };
    const Case cases[] = {
        {"defaults",
         {80, 248, 7},
         {230, 253, 157},
         {{80, 248, 7}, {125, 248, 52}, {185, 248, 112}, {215, 248, 142}}},
        // (200 - 10) div 10 = 19, (100 - 20) div 10 = 8, (35 - 30) div 10 = 0.
        {"small differences",
         {10, 20, 30},
         {200, 100, 35},
         {{10, 20, 30}, {67, 44, 30}, {143, 76, 30}, {181, 92, 30}}},
        // -5 div 10 is 0 (toward zero), -40 div 10 is -4: the bands move down.
        {"highlight below tint",
         {200, 100, 50},
         {195, 60, 50},
         {{200, 100, 50}, {200, 88, 50}, {200, 72, 50}, {200, 64, 50}}},
        {"tint equal to highlight",
         {90, 90, 90},
         {90, 90, 90},
         {{90, 90, 90}, {90, 90, 90}, {90, 90, 90}, {90, 90, 90}}},
    };
    for (const Case& c : cases) {
        const Surface sheet = buildGlyphSheet(testPicture(), colours(c.tint, c.highlight));
        for (int band = 1; band <= 4; ++band) {
            EXPECT_EQ(factorOf(sheet, band), c.bands[band - 1]) << c.what << " band " << band;
        }
    }
}

TEST(GlyphSheet, PixelsOfTheDefaultColours) {
    const Surface sheet = buildGlyphSheet(testPicture(), Settings{});
    struct Case {
        int cell;
        int band;
        RgbChannels expected;
    };
    const Case cases[] = {
        // Band 0: F = trunc(highlight x 1.5) = (345, 379, 235), capped at the highlight.
        {kGrey100Cell, 0, {134, 148, 91}},  // 100 x 235 div 256 = 91 (236 would give 92)
        {kGrey200Cell, 0, {230, 253, 157}}, {kFullCell, 0, {230, 253, 157}},
        {kGrey100Cell, 1, {31, 96, 2}},     {kGrey200Cell, 1, {62, 193, 5}},
        {kGrey100Cell, 2, {48, 96, 20}},     // factors 125, 248, 52
        {kGrey200Cell, 4, {167, 193, 110}},  // factors 215, 248, 142
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cellColour(sheet, c.cell, c.band), c.expected)
            << "cell " << c.cell << " band " << c.band;
    }
    for (int band = 0; band < kGlyphBandCount; ++band) {
        EXPECT_EQ(cellColour(sheet, kBlackCell, band), (RgbChannels{0, 0, 0})) << band;
    }
}

TEST(GlyphSheet, GlyphsKeepTheirCellsInEveryBand) {
    const Surface sheet = buildGlyphSheet(testPicture(), Settings{});
    // Glyph 54 of band 1 lies at (80, 300): its grey 154 tinted by (80, 248, 7).
    EXPECT_EQ(splitColour(sheet.pixel(80, 300)),
              (RgbChannels{154 * 80 / 256, 154 * 248 / 256, 154 * 7 / 256}));
    EXPECT_EQ(splitColour(sheet.pixel(99, 319)), splitColour(sheet.pixel(80, 300)));
    EXPECT_NE(splitColour(sheet.pixel(100, 300)), splitColour(sheet.pixel(80, 300)));
    // Title character 60 in band 0, at (0, 120): grey 160 x (345, 379, 235) div 256, all
    // below the highlight.
    EXPECT_EQ(splitColour(sheet.pixel(0, 120)), (RgbChannels{215, 236, 146}));
}

TEST(GlyphSheet, TintEqualToHighlightMakesBandsOneToFourIdentical) {
    const Surface sheet = buildGlyphSheet(testPicture(), colours({120, 60, 200}, {120, 60, 200}));
    int differing = 0;
    for (int band = 2; band <= 4; ++band) {
        for (int y = 0; y < 200; ++y) {
            for (int x = 0; x < 200; ++x) {
                differing += sheet.pixel(x, 200 + y) != sheet.pixel(x, 200 * band + y);
            }
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(TintColours, LightAndDarkFromTheTint) {
    struct Case {
        RgbChannels tint;
        RgbChannels light, dark;
    };
    const Case cases[] = {
        {{80, 248, 7}, {150, 251, 106}, {57, 177, 5}},
        // Grey: saturation 0, so light and dark stay grey. 120 x 1.4 = 168, 120 x 0.713 = 85.56.
        {{120, 120, 120}, {168, 168, 168}, {86, 86, 86}},
        // Lightness 1 x 1.4 is capped at 1; 255 x 0.713 = 181.8.
        {{255, 255, 255}, {255, 255, 255}, {182, 182, 182}},
        {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        const TintColours t = makeTintColours(colours(c.tint, {230, 253, 157}));
        EXPECT_EQ(splitColour(t.tint), c.tint);
        EXPECT_EQ(splitColour(t.lightTint), c.light) << c.tint.red << "," << c.tint.green;
        EXPECT_EQ(splitColour(t.darkTint), c.dark) << c.tint.red << "," << c.tint.green;
    }
}

TEST(Colour, SplitColourTakesRedFromTheLowByte) {
    EXPECT_EQ(splitColour(0x00123456), (RgbChannels{0x56, 0x34, 0x12}));
    EXPECT_EQ(rgb(0x56, 0x34, 0x12), 0x00123456u);
}

TEST(Colour, RgbToHsl) {
    struct Case {
        Colour colour;
        double hue, saturation, lightness;
    };
    const Case cases[] = {
        {rgb(255, 0, 0), 0.0, 1.0, 0.5},
        {rgb(0, 255, 0), 1.0 / 3, 1.0, 0.5},
        {rgb(0, 0, 255), 2.0 / 3, 1.0, 0.5},
        {rgb(255, 0, 255), 5.0 / 6, 1.0, 0.5},  // negative hue brought into 0..1
        {rgb(255, 255, 0), 1.0 / 6, 1.0, 0.5},  // red and green tie for the maximum
        {rgb(128, 128, 128), 0.0, 0.0, 128.0 / 255},
        {rgb(0, 0, 0), 0.0, 0.0, 0.0},
        // The default tint: lightness exactly 0.5 takes the second saturation formula,
        // 241/255 / (2 - 1); hue ((7 - 80) / 241 + 2) / 6.
        {rgb(80, 248, 7), (2.0 - 73.0 / 241) / 6, 241.0 / 255, 0.5},
        // Lightness below 0.5: (max - min) / (max + min) = 50 / 150.
        {rgb(100, 50, 50), 0.0, 50.0 / 150, 75.0 / 255},
    };
    for (const Case& c : cases) {
        const Hsl hsl = rgbToHsl(c.colour);
        EXPECT_NEAR(hsl.hue, c.hue, 1e-12) << std::hex << c.colour;
        EXPECT_NEAR(hsl.saturation, c.saturation, 1e-12) << std::hex << c.colour;
        EXPECT_NEAR(hsl.lightness, c.lightness, 1e-12) << std::hex << c.colour;
    }
}

TEST(Colour, HueToChannelBranches) {
    const double m2 = 0.8;
    const double m1 = 0.2;
    EXPECT_NEAR(hueToChannel(0.1, m2, m1), 0.2 + 0.6 * 0.1 * 6, 1e-12);
    EXPECT_NEAR(hueToChannel(0.3, m2, m1), m2, 1e-12);
    EXPECT_NEAR(hueToChannel(0.6, m2, m1), 0.2 + 0.6 * (2.0 / 3 - 0.6) * 6, 1e-12);
    EXPECT_NEAR(hueToChannel(0.9, m2, m1), m1, 1e-12);
    EXPECT_NEAR(hueToChannel(-0.1, m2, m1), m1, 1e-12);  // taken as 0.9
    EXPECT_NEAR(hueToChannel(1.2, m2, m1), m2, 1e-12);   // taken as 0.2
}

TEST(Colour, HslToRgbRoundsAndComesBack) {
    // Grey 0.5: 127.5 goes to the even 128.
    EXPECT_EQ(hslToRgbChannels(0.7, 0.0, 0.5), (RgbChannels{128, 128, 128}));
    EXPECT_EQ(hslToRgbChannels(0.0, 1.0, 0.5), (RgbChannels{255, 0, 0}));
    for (Colour c : {rgb(80, 248, 7), rgb(230, 253, 157), rgb(1, 2, 3), rgb(200, 10, 100),
                     rgb(12, 34, 250), rgb(255, 255, 255)}) {
        const Hsl hsl = rgbToHsl(c);
        EXPECT_EQ(hslToRgb(hsl.hue, hsl.saturation, hsl.lightness), c) << std::hex << c;
    }
}

}  // namespace
}  // namespace orvane
