#include <gtest/gtest.h>

#include "platform/virtual/virtual_platform.h"
#include "show/text_ops.h"

namespace orvane {
namespace {

TEST(TextOps, MulDivRoundsToNearest) {
    EXPECT_EQ(mulDiv(14, 96, 72), 19);  // 18.67
    EXPECT_EQ(mulDiv(12, 96, 72), 16);
    EXPECT_EQ(mulDiv(3, 1, 2), 2);      // halves away from zero
    EXPECT_EQ(mulDiv(-3, 1, 2), -2);
    EXPECT_EQ(mulDiv(14, 120, 72), 23);  // 23.33
    EXPECT_EQ(mulDiv(5, 7, 1), 35);
    EXPECT_EQ(mulDiv(3, 1, -2), -2);     // a negative divisor turns the sign
    EXPECT_EQ(mulDiv(5, 7, 0), -1);      // no divisor: -1
}

TEST(TextOps, FourteenPointsAsksForNineteenPixelsOfBoldCourier) {
    VirtualPlatform platform;
    auto dc = platform.window(0).getCanvas();
    selectTextFont(*dc, 14);
    const Font previous = dc->selectFont(Font{});
    EXPECT_EQ(previous, (Font{-19, true}));
    selectTextFont(*dc, 14);
    // Liberation Mono Bold stands in for the face: height 22, fixed advance 11 at 19 px.
    EXPECT_EQ(textExtent(*dc, "W"), (Size{11, 22}));
    EXPECT_EQ(textWidth(*dc, "8888"), 44);
    selectTextFont(*dc, 12);
    EXPECT_EQ(textExtent(*dc, "8"), (Size{10, 18}));
}

TEST(TextOps, FillRectCoversLeftToRightMinusOneAndKeepsTheBrush) {
    VirtualPlatform platform;
    VirtualWindow& window = platform.window(0);
    const PixelPicture white(800, 600, pixelOf(255, 255, 255));
    window.setContent(white);
    auto dc = window.getCanvas();
    selectBrushColour(*dc, rgb(1, 2, 3));
    fillRectColour(*dc, {0, 0, 10, 10}, rgb(255, 0, 0));
    // The outline in the context's pen (black), the inside in the fill colour.
    for (int i = 0; i < 10; ++i) {
        const std::uint32_t expected = (i == 0 || i == 9) ? pixelOf(0, 0, 0) : pixelOf(255, 0, 0);
        EXPECT_EQ(window.pixel(i, 5), expected) << i;
        EXPECT_EQ(window.pixel(5, i), expected) << i;
    }
    EXPECT_EQ(window.pixel(10, 5), pixelOf(255, 255, 255));
    EXPECT_EQ(window.pixel(5, 10), pixelOf(255, 255, 255));
    EXPECT_EQ(dc->selectBrush(Brush{}), (Brush{false, rgb(1, 2, 3)}));
    EXPECT_EQ(window.presents(), 1);  // the flush after the fill
}

TEST(TextOps, TextOutAtDrawsOnlyThePrefix) {
    VirtualPlatform platform;
    VirtualWindow& window = platform.window(0);
    window.setLogging(true);
    auto dc = window.getCanvas();
    textOutAt(*dc, 5, 6, "Trace program", 5);
    textOutAt(*dc, 5, 40, "\xC3\xA9t\xC3\xA9", 2);  // characters, not bytes
    ASSERT_EQ(window.records().size(), 2u);
    EXPECT_EQ(window.records()[0].text, "Trace");
    EXPECT_EQ(window.records()[0].area.left, 5);
    EXPECT_EQ(window.records()[0].area.top, 6);
    EXPECT_EQ(window.records()[1].text, "\xC3\xA9t");
}

}  // namespace
}  // namespace orvane
