// The GDI drawing context on a window picture (a DIB section in a memory device context):
// exact pixels of what it draws, compared with the surface it copies from or with the colours
// asked for.
#include <gtest/gtest.h>

#include "platform/common/window_picture.h"
#include "platform/win32/gdi_canvas.h"
#include "show/surface.h"
#include "show/text_ops.h"

namespace orvane {
namespace {

constexpr Colour kRed = rgb(255, 0, 0);
constexpr Colour kGreen = rgb(0, 200, 0);
constexpr Colour kBlue = rgb(0, 0, 255);

std::uint32_t pixelOfColour(Colour c) { return Surface::toPixel(c); }

TEST(GdiCanvas, SurfaceCellsRectanglesAndEllipsesLandOnThePictureExactly) {
    WindowPicture picture(120, 80);
    ASSERT_TRUE(static_cast<GdiBackend&>(picture.backend()).hasDeviceContext());
    Surface surface(120, 80);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 120; ++x) {
            surface.setPixel(x, y, rgb(x * 2, y * 3, (x + y) & 0xFF));
        }
    }
    auto dc = picture.makeCanvas();
    dc->copyFromSurface(surface, Rect::fromSize(16, 20, 16, 20));
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 120; ++x) {
            const bool inCell = x >= 16 && x < 32 && y >= 20 && y < 40;
            ASSERT_EQ(picture.pixel(x, y), inCell ? pixelOfColour(surface.pixel(x, y)) : pixelOf(0, 0, 0))
                << x << "," << y;
        }
    }
    EXPECT_EQ(picture.takeDamage(), (std::vector<Rect>{Rect::fromSize(16, 20, 16, 20)}));

    // A 1-pixel pen: the outline on left..right-1 and top..bottom-1, the brush inside.
    dc->selectBrush(Brush{false, kRed});
    dc->selectPen(Pen{kBlue, 1});
    dc->rectangle({40, 10, 50, 20});
    EXPECT_EQ(picture.pixel(40, 10), pixelOfColour(kBlue));
    EXPECT_EQ(picture.pixel(49, 19), pixelOfColour(kBlue));
    EXPECT_EQ(picture.pixel(45, 15), pixelOfColour(kRed));
    EXPECT_EQ(picture.pixel(50, 15), pixelOf(0, 0, 0));
    EXPECT_EQ(picture.pixel(45, 20), pixelOf(0, 0, 0));

    // The ellipse inscribed in its bounds: its middle filled, the bounds' corners not.
    dc->selectBrush(Brush{false, kGreen});
    dc->selectPen(Pen{kGreen, 1});
    dc->ellipse({60, 40, 100, 70});
    EXPECT_EQ(picture.pixel(80, 55), pixelOfColour(kGreen));
    EXPECT_EQ(picture.pixel(60, 40), pixelOf(0, 0, 0));
    EXPECT_EQ(picture.pixel(99, 69), pixelOf(0, 0, 0));
    EXPECT_EQ(picture.pixel(100, 55), pixelOf(0, 0, 0));
}

TEST(GdiCanvas, TextIsBoldCourierInTheAskedColoursOpaqueOrTransparent) {
    WindowPicture picture(200, 60);
    auto dc = picture.makeCanvas();
    selectTextFont(*dc, 14);  // 14 * 96 / 72 = 18.67 -> a character height of 19
    const Size w = dc->textExtent("W");
    EXPECT_EQ(w, (Size{11, 22}));
    EXPECT_EQ(dc->textExtent("WWW").width, 33) << "fixed pitch";

    dc->setTextColour(kRed);
    dc->setBackgroundColour(kBlue);
    dc->setBackgroundMode(BackgroundMode::Opaque);
    dc->textOut(10, 5, "W");
    int ink = 0;
    for (int y = 5; y < 5 + w.height; ++y) {
        for (int x = 10; x < 10 + w.width; ++x) {
            const std::uint32_t p = picture.pixel(x, y);
            ink += p == pixelOfColour(kRed) ? 1 : 0;
            // Every pixel of the cell is ink or background, or a blend of the two.
            EXPECT_EQ(greenOf(p), 0) << x << "," << y;
        }
    }
    EXPECT_GT(ink, 10);
    EXPECT_EQ(picture.pixel(10, 5), pixelOfColour(kBlue)) << "the cell's corner is background";
    EXPECT_EQ(picture.pixel(9, 5), pixelOf(0, 0, 0));
    EXPECT_EQ(picture.pixel(10 + w.width, 5), pixelOf(0, 0, 0));

    // Transparent: only the ink changes pixels; a UTF-8 text is drawn as its characters.
    dc->setBackgroundMode(BackgroundMode::Transparent);
    dc->setTextColour(kGreen);
    dc->textOut(100, 5, "\xC3\xA9W");
    EXPECT_EQ(picture.pixel(100, 5), pixelOf(0, 0, 0));
    EXPECT_EQ(dc->textExtent("\xC3\xA9W").width, 22) << "two characters, not three bytes";
    int green = 0;
    for (int y = 5; y < 5 + w.height; ++y) {
        for (int x = 100; x < 122; ++x) {
            green += picture.pixel(x, y) == pixelOfColour(kGreen) ? 1 : 0;
        }
    }
    EXPECT_GT(green, 10);
}

TEST(GdiCanvas, AnExcludedRectangleKeepsItsPixelsFromGdiAndFromSurfaceCopies) {
    WindowPicture picture(64, 40);
    Surface surface(64, 40);
    surface.fill(kGreen);
    auto dc = picture.makeCanvas();
    auto other = picture.makeCanvas();
    dc->excludeClipRect({10, 10, 20, 20});
    dc->selectBrush(Brush{false, kRed});
    dc->selectPen(Pen{kRed, 1});
    dc->rectangle({0, 0, 32, 40});
    dc->copyFromSurface(surface, {32, 0, 64, 40});
    dc->copyFromSurface(surface, {0, 15, 16, 25});
    EXPECT_EQ(picture.pixel(9, 9), pixelOfColour(kRed));
    EXPECT_EQ(picture.pixel(10, 10), pixelOf(0, 0, 0));
    EXPECT_EQ(picture.pixel(19, 19), pixelOf(0, 0, 0));
    EXPECT_EQ(picture.pixel(20, 19), pixelOfColour(kRed));
    EXPECT_EQ(picture.pixel(9, 16), pixelOfColour(kGreen));
    EXPECT_EQ(picture.pixel(12, 16), pixelOf(0, 0, 0)) << "a copy is clipped too";
    EXPECT_EQ(picture.pixel(15, 24), pixelOfColour(kGreen));
    EXPECT_EQ(picture.pixel(40, 12), pixelOfColour(kGreen));

    // Another context of the same window has its own clipping and objects.
    other->selectBrush(Brush{false, kBlue});
    other->selectPen(Pen{kBlue, 1});
    other->rectangle({8, 8, 24, 24});
    EXPECT_EQ(picture.pixel(15, 15), pixelOfColour(kBlue));
    dc->rectangle({0, 30, 4, 34});
    EXPECT_EQ(picture.pixel(2, 32), pixelOfColour(kRed)) << "the first context's brush is back";
}

}  // namespace
}  // namespace orvane
