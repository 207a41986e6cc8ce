// The custom controls' Windows drawing on memory device contexts, against the shared render
// (the gradient) and the shared colours (the button's edges).
#include <gtest/gtest.h>

#include <windows.h>

#include "widgets/win32/colour_button_paint.h"
#include "widgets/win32/gradient_paint.h"

namespace orvane {
namespace {

// A 32-bit top-down DIB in a memory device context, filled with one colour.
class MemoryPicture {
public:
    MemoryPicture(int width, int height, COLORREF fill) : width_(width) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        const RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~MemoryPicture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    // Red in the low byte, as the show's colours.
    Colour at(int x, int y) const {
        GdiFlush();
        const std::uint32_t p = bits_[y * width_ + x];
        return rgb(static_cast<int>(p >> 16) & 0xFF, static_cast<int>(p >> 8) & 0xFF,
                   static_cast<int>(p) & 0xFF);
    }

private:
    int width_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

Colour system(int index) {
    const COLORREF c = GetSysColor(index);
    return rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

TEST(GradientPaintWin32, TheScreenShowsTheSharedRenderPixelForPixel) {
    GradientStyle style;  // the About box's: green to black, 8-pixel border, 30 degrees
    style.startColour = rgb(0, 128, 0);
    style.endColour = kBlack;
    style.borderThickness = 8;
    MemoryPicture picture(441, 302, RGB(255, 0, 255));  // an odd width: rows are padded
    paintGradient(picture.dc(), style, 441, 302);
    const Bgr24Picture expected = renderedGradient(style, 441, 302);
    for (int y = 0; y < 302; ++y) {
        for (int x = 0; x < 441; ++x) {
            const std::uint8_t* p = expected.row(y) + 3 * x;
            ASSERT_EQ(picture.at(x, y), rgb(p[2], p[1], p[0])) << x << "," << y;
        }
    }
}

TEST(ColourButtonWin32, EdgesInTheSharedColoursRaisedUpSunkenPressedFramedWhenFocused) {
    const Colour face = rgb(0, 193, 0);
    ColourButtonLook look;
    look.face = face;
    look.edges = edgeColoursFor(face);
    ASSERT_EQ(look.edges.dark, rgb(0, 127, 0));
    {
        MemoryPicture up(75, 25, RGB(255, 0, 255));
        drawColourButton(up.dc(), RECT{0, 0, 75, 25}, look);
        EXPECT_EQ(up.at(0, 0), look.edges.light);
        EXPECT_EQ(up.at(74, 0), system(COLOR_3DDKSHADOW)) << "the right edge owns the top-right corner";
        EXPECT_EQ(up.at(74, 24), system(COLOR_3DDKSHADOW));
        EXPECT_EQ(up.at(1, 1), face);
        EXPECT_EQ(up.at(73, 23), look.edges.dark);
        EXPECT_EQ(up.at(2, 2), face);
    }
    {
        look.pressed = true;
        MemoryPicture down(75, 25, RGB(255, 0, 255));
        drawColourButton(down.dc(), RECT{0, 0, 75, 25}, look);
        EXPECT_EQ(down.at(0, 0), look.edges.dark);
        EXPECT_EQ(down.at(74, 24), look.edges.dark);
        EXPECT_EQ(down.at(1, 1), face);
    }
    {
        look.pressed = false;
        look.focused = true;
        MemoryPicture focused(75, 25, RGB(255, 0, 255));
        drawColourButton(focused.dc(), RECT{0, 0, 75, 25}, look);
        EXPECT_EQ(focused.at(0, 0), system(COLOR_WINDOWFRAME));
        EXPECT_EQ(focused.at(1, 1), look.edges.light) << "the raised edges move in by one";
        EXPECT_EQ(focused.at(4, 12), face) << "no dotted focus rectangle unless the button is active";
    }
}

}  // namespace
}  // namespace orvane
