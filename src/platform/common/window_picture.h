// The retained picture of one window, the same on every platform: 32-bit opaque pixels
// 0xFFRRGGBB (blue, green, red and padding in memory, the surfaces' own word), rows top first,
// each row 4 * width bytes. Drawing contexts draw into it through the platform's drawing
// library (its backend) or by direct row copies; the picture keeps the rectangles changed
// since the last present, and its owner decides when and how they reach the screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "show/platform.h"

namespace orvane {

class WindowPicture;

// One drawing operation as it reached the window; kept when logging is on, for tests.
struct DrawRecord {
    enum class Kind { Text, Rectangle, Ellipse, SurfaceCopy, CopyWithin };
    Kind kind = Kind::Text;
    Rect area;  // what it covers (the text cell for text)
    std::string text;
    Colour textColour = 0;
    Colour backgroundColour = 0;
    bool opaque = true;
    Font font;  // for text
    Brush brush;
    Pen pen;
    Point source;  // for CopyWithin
};

// A copy of a picture's pixels, for tests, tools and the desktop under the windows.
struct PixelPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, rows top first

    PixelPicture() = default;
    PixelPicture(int w, int h, std::uint32_t fill = 0xFF000000u);
    bool isNull() const { return width <= 0 || height <= 0; }
    std::uint32_t pixel(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    void setPixel(int x, int y, std::uint32_t p) {
        pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x)] = p;
    }
};

// How a platform's drawing library draws on a picture: it holds the pixel memory (so that the
// library can draw into it) and makes the drawing contexts.
class PictureBackend {
public:
    virtual ~PictureBackend() = default;
    // width * height words, rows top first.
    virtual std::uint32_t* pixels() = 0;
    virtual std::unique_ptr<Canvas> makeCanvas(WindowPicture& picture) = 0;
    // Everything the library has queued is in the pixels before they are read or written
    // directly.
    virtual void finishDrawing() {}
};

// The backend of the drawing library this program is built with (defined by that platform's
// canvas library).
std::unique_ptr<PictureBackend> makePictureBackend(int width, int height);

class WindowPicture {
public:
    // A black picture in memory of the platform's own backend; sizes below 1 become 1. (Inline,
    // so that the backend comes from the canvas library the user links.)
    WindowPicture(int width, int height, int bitsPerPixel = 32, int logicalDpiY = 96)
        : WindowPicture(makePictureBackend(atLeastOne(width), atLeastOne(height)),
                        atLeastOne(width), atLeastOne(height), bitsPerPixel, logicalDpiY) {}
    virtual ~WindowPicture();

    WindowPicture(const WindowPicture&) = delete;
    WindowPicture& operator=(const WindowPicture&) = delete;

protected:
    // A picture over a backend made elsewhere (memory shared with a display server).
    WindowPicture(std::unique_ptr<PictureBackend> backend, int width, int height,
                  int bitsPerPixel, int logicalDpiY);
    // The backend now draws in other memory, holding the same picture.
    void pixelsMoved() { pixels_ = backend_->pixels(); }
    // The backend now draws in other memory of another size (the window itself changed size);
    // contexts already made draw on, clipped to the new size.
    void pixelsMoved(int width, int height) {
        width_ = atLeastOne(width);
        height_ = atLeastOne(height);
        pixelsMoved();
    }

public:
    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    int logicalDpiY() const { return logicalDpiY_; }

    // 0xFFRRGGBB of one pixel.
    std::uint32_t pixel(int x, int y) const;
    PixelPicture snapshot() const;
    // Fills the picture (the desktop under the window, or black where content is null), with
    // no damage recorded.
    void setContent(const PixelPicture& content);

    std::unique_ptr<Canvas> makeCanvas() { return backend_->makeCanvas(*this); }
    PictureBackend& backend() { return *backend_; }

    // Changed areas since the last takeDamage, merged row by row: horizontal neighbours of the
    // same rows become one. The list is the caller's until the next call (no allocation once warm).
    std::vector<Rect>& takeDamage();
    // The same areas merged down columns instead (one sort): what a screen that takes any
    // rectangle costs least with, a run's cells down one column being one strip.
    std::vector<Rect>& takeDamageInColumns();
    // Merges, in place, rectangles of the same columns that touch vertically (a run's cells
    // down one column become one strip); the union covers exactly the same pixels.
    static void mergeColumns(std::vector<Rect>& rects);
    bool hasDamage() const { return !damage_.empty(); }
    // Forgets the changed areas without building the list (nothing to put on a screen).
    void discardDamage() { damage_.clear(); }
    // Called when a context asks for everything drawn to be on screen.
    virtual void present() {}

    void setLogging(bool on) { logging_ = on; }
    bool logging() const { return logging_; }
    const std::vector<DrawRecord>& records() const { return records_; }
    void clearRecords() { records_.clear(); }

    // For drawing contexts and presenters. Direct access: call finishDrawing() first.
    void finishDrawing() const { backend_->finishDrawing(); }
    // Instead, before every pixel of the area is written and none read: a picture whose
    // pixels may first have to be brought in from elsewhere need not bring those.
    virtual void beforeOverwriting(const Rect& area) {
        static_cast<void>(area);
        finishDrawing();
    }
    std::uint32_t* row(int y) { return pixels_ + static_cast<std::ptrdiff_t>(y) * width_; }
    const std::uint32_t* row(int y) const {
        return pixels_ + static_cast<std::ptrdiff_t>(y) * width_;
    }
    void addDamage(const Rect& rect) { damage_.push_back(rect); }
    void record(DrawRecord record) { records_.push_back(std::move(record)); }

private:
    static int atLeastOne(int n) { return n < 1 ? 1 : n; }

    std::unique_ptr<PictureBackend> backend_;
    std::uint32_t* pixels_;
    int width_;
    int height_;
    int bitsPerPixel_;
    int logicalDpiY_;
    std::vector<Rect> damage_;
    std::vector<Rect> merged_;
    bool logging_ = false;
    std::vector<DrawRecord> records_;
};

// The pixel word's channels.
constexpr int redOf(std::uint32_t pixel) { return static_cast<int>(pixel >> 16) & 0xFF; }
constexpr int greenOf(std::uint32_t pixel) { return static_cast<int>(pixel >> 8) & 0xFF; }
constexpr int blueOf(std::uint32_t pixel) { return static_cast<int>(pixel) & 0xFF; }
constexpr std::uint32_t pixelOf(int red, int green, int blue) {
    return 0xFF000000u | (static_cast<std::uint32_t>(red & 0xFF) << 16) |
           (static_cast<std::uint32_t>(green & 0xFF) << 8) | static_cast<std::uint32_t>(blue & 0xFF);
}

}  // namespace orvane
