// The window picture every platform shares: damage merging and the contexts' excluded areas.
#include <gtest/gtest.h>

#include <vector>

#include "platform/common/picture_canvas.h"
#include "platform/common/window_picture.h"

namespace orvane {
namespace {

// How often each pixel of a small grid is covered by the rectangles.
std::vector<int> coverage(const std::vector<Rect>& rects, int width, int height) {
    std::vector<int> count(static_cast<std::size_t>(width * height), 0);
    for (const Rect& r : rects) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                ++count[static_cast<std::size_t>(y * width + x)];
            }
        }
    }
    return count;
}

std::vector<bool> covered(const std::vector<Rect>& rects, int width, int height) {
    std::vector<bool> any;
    for (int c : coverage(rects, width, height)) {
        any.push_back(c > 0);
    }
    return any;
}

// The direct path merges a frame's rows into column strips: fewer rectangles, not one pixel
// more or less.
TEST(WindowPicture, ColumnMergeCoversExactlyTheSamePixels) {
    std::vector<Rect> rects;
    for (int i = 0; i < 400; ++i) {
        const int column = (i * 37) % 23;
        rects.push_back(Rect::fromSize(column * 16, (i * 11) % 31 * 20, 16 * (1 + i % 3), 20));
    }
    std::vector<Rect> merged = rects;
    WindowPicture::mergeColumns(merged);
    EXPECT_EQ(covered(merged, 400, 640), covered(rects, 400, 640));
    EXPECT_LT(merged.size(), rects.size());

    // A run's five cells down one column become one strip; a gap of one row keeps two.
    std::vector<Rect> run;
    for (int row = 4; row < 9; ++row) {
        run.push_back(Rect::fromSize(80, row * 20, 16, 20));
    }
    run.push_back(Rect::fromSize(80, 201, 16, 20));
    WindowPicture::mergeColumns(run);
    EXPECT_EQ(run, (std::vector<Rect>{Rect::fromSize(80, 80, 16, 100), Rect::fromSize(80, 201, 16, 20)}));
}

TEST(WindowPicture, RowMergeJoinsTouchingCellsOfTheSameRowsOnly) {
    WindowPicture picture(200, 100);
    picture.addDamage(Rect::fromSize(32, 0, 16, 20));
    picture.addDamage(Rect::fromSize(0, 0, 16, 20));
    picture.addDamage(Rect::fromSize(16, 0, 16, 20));
    picture.addDamage(Rect::fromSize(64, 0, 16, 20));   // a gap: its own
    picture.addDamage(Rect::fromSize(48, 20, 16, 20));  // another row: its own
    picture.addDamage(Rect::fromSize(80, 0, 16, 10));   // touching, other height: its own
    EXPECT_EQ(picture.takeDamage(),
              (std::vector<Rect>{Rect::fromSize(0, 0, 48, 20), Rect::fromSize(64, 0, 16, 20),
                                 Rect::fromSize(80, 0, 16, 10), Rect::fromSize(48, 20, 16, 20)}));
    EXPECT_FALSE(picture.hasDamage());
    // A present sends what changed since the last one, nothing it sent before.
    picture.addDamage(Rect::fromSize(0, 40, 16, 20));
    EXPECT_EQ(picture.takeDamage(), (std::vector<Rect>{Rect::fromSize(0, 40, 16, 20)}));
    picture.addDamage(Rect::fromSize(0, 60, 16, 20));
    picture.addDamage(Rect::fromSize(16, 60, 16, 20));
    EXPECT_EQ(picture.takeDamage(), (std::vector<Rect>{Rect::fromSize(0, 60, 32, 20)}));
    picture.addDamage(Rect::fromSize(0, 80, 16, 20));
    EXPECT_EQ(picture.takeDamage(), (std::vector<Rect>{Rect::fromSize(0, 80, 16, 20)}));
    for (int frame = 0; frame < 2; ++frame) {
        picture.addDamage(Rect::fromSize(frame * 16, 0, 16, 20));
        picture.addDamage(Rect::fromSize(frame * 16, 20, 16, 20));
        EXPECT_EQ(picture.takeDamageInColumns(),
                  (std::vector<Rect>{Rect::fromSize(frame * 16, 0, 16, 40)}));
    }
}

TEST(ClipRegion, VisiblePartsAreTheAreaLessEveryExcludedRectangleWithoutOverlap) {
    ClipRegion clip;
    clip.exclude({10, 10, 30, 20});
    clip.exclude({25, 0, 35, 40});
    const std::vector<Rect> parts = clip.visibleParts({0, 0, 40, 30});
    const std::vector<int> count = coverage(parts, 40, 30);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool hidden = (x >= 10 && x < 30 && y >= 10 && y < 20) || (x >= 25 && x < 35);
            EXPECT_EQ(count[static_cast<std::size_t>(y * 40 + x)], hidden ? 0 : 1) << x << "," << y;
        }
    }
}

TEST(WindowPicture, ShapesAndCopiesWithoutAreaDrawAndDamageNothing) {
    WindowPicture picture(40, 30);
    auto dc = picture.makeCanvas();
    dc->selectBrush(Brush{false, rgb(255, 0, 0)});
    dc->selectPen(Pen{rgb(0, 0, 255), 1});
    for (const Rect& r : {Rect{10, 10, 10, 20}, Rect{10, 10, 20, 10}, Rect{0, 0, 0, 0}}) {
        dc->rectangle(r);
        dc->copyWithin(r, {20, 5});
    }
    EXPECT_FALSE(picture.hasDamage());
    EXPECT_EQ(picture.snapshot().pixels, PixelPicture(40, 30).pixels);
}

// A 1-pixel pen outlines the ellipse in its own colour around the brush's interior; a wider
// pen strokes a rectangle's edge centred on it (a 2-pixel pen covers one pixel outside).
TEST(WindowPicture, PensOutlineShapesAtTheirWidth) {
    WindowPicture picture(80, 40);
    auto dc = picture.makeCanvas();
    const std::uint32_t blue = pixelOf(0, 0, 255);
    const std::uint32_t red = pixelOf(255, 0, 0);
    const std::uint32_t black = pixelOf(0, 0, 0);
    dc->selectBrush(Brush{false, rgb(255, 0, 0)});
    dc->selectPen(Pen{rgb(0, 0, 255), 1});
    dc->ellipse({0, 0, 21, 21});
    EXPECT_EQ(picture.pixel(0, 10), blue);
    EXPECT_EQ(picture.pixel(10, 0), blue);
    EXPECT_EQ(picture.pixel(10, 10), red);
    EXPECT_EQ(picture.pixel(0, 0), black);
    dc->selectPen(Pen{rgb(0, 0, 255), 2});
    dc->rectangle({40, 10, 60, 30});
    const std::uint32_t across[] = {black, blue, blue, red};  // x = 38 to 41 at y = 20
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(picture.pixel(38 + i, 20), across[i]) << 38 + i;
    }
}

TEST(WindowPicture, ContentIsClippedToThePictureAndTheRestIsBlack) {
    WindowPicture picture(4, 3);
    PixelPicture content(2, 5, pixelOf(9, 8, 7));
    picture.setContent(content);
    EXPECT_EQ(picture.pixel(1, 2), pixelOf(9, 8, 7));
    EXPECT_EQ(picture.pixel(2, 0), pixelOf(0, 0, 0));
    EXPECT_FALSE(picture.hasDamage());
    picture.setContent(PixelPicture{});
    EXPECT_EQ(picture.pixel(0, 0), pixelOf(0, 0, 0));
    // A window given no size (a monitor reported as 0 x -1) still has one pixel to draw on.
    WindowPicture none(0, -1);
    EXPECT_EQ(none.width(), 1);
    EXPECT_EQ(none.height(), 1);
    none.setContent(content);
    EXPECT_EQ(none.pixel(0, 0), pixelOf(9, 8, 7));
}

}  // namespace
}  // namespace orvane
