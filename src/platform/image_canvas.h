// Drawing contexts on a retained QImage. The real saver windows and the virtual ones share
// this code, so what tests see is what the screen shows. The picture keeps the rectangles
// changed since the last present; the owner decides when they reach the screen.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRegion>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "show/platform.h"

namespace orvane {

class ImageCanvas;

// One drawing operation as it reached the window; kept when logging is on, for tests.
struct DrawRecord {
    enum class Kind { Text, Rectangle, Ellipse, SurfaceCopy, CopyWithin };
    Kind kind = Kind::Text;
    Rect area;  // what it covers (the text cell for text)
    std::string text;
    Colour textColour = 0;
    Colour backgroundColour = 0;
    bool opaque = true;
    Brush brush;
    Pen pen;
    Point source;  // for CopyWithin
};

// The retained picture of one window.
class WindowPicture {
public:
    WindowPicture(int width, int height, int bitsPerPixel = 32, int logicalDpiY = 96);
    virtual ~WindowPicture();

protected:
    // A picture over memory made elsewhere (shared with a display server): 32-bit opaque
    // pixels, each row 4 * width bytes.
    WindowPicture(QImage image, int bitsPerPixel, int logicalDpiY);

public:

    WindowPicture(const WindowPicture&) = delete;
    WindowPicture& operator=(const WindowPicture&) = delete;

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    int bitsPerPixel() const { return bitsPerPixel_; }
    int logicalDpiY() const { return logicalDpiY_; }
    // The live picture; keep a copy with snapshot(), never by copying this reference.
    const QImage& image() const { return image_; }
    QImage snapshot() const { return image_.copy(); }
    QRgb pixel(int x, int y) const { return image_.pixel(x, y); }

    // Fills the picture (the desktop under the window, or black), with no damage recorded.
    void setContent(const QImage& content);

    std::unique_ptr<Canvas> makeCanvas();

    // Changed areas since the last takeDamage, merged row by row: horizontal neighbours of the
    // same rows become one. The list is the caller's until the next call (no allocation once warm).
    std::vector<QRect>& takeDamage();
    // The same areas merged down columns instead (one sort): what a server that takes any
    // rectangle costs least with, a run's cells down one column being one strip.
    std::vector<QRect>& takeDamageInColumns();
    // Merges, in place, rectangles of the same columns that touch vertically (a run's cells
    // down one column become one strip); the union covers exactly the same pixels.
    static void mergeColumns(std::vector<QRect>& rects);
    bool hasDamage() const { return !damage_.empty(); }
    // Forgets the changed areas without building the list (nothing to put on a screen).
    void discardDamage() { damage_.clear(); }
    // Called when a context asks for everything drawn to be on screen.
    virtual void present() {}

    void setLogging(bool on) { logging_ = on; }
    const std::vector<DrawRecord>& records() const { return records_; }
    void clearRecords() { records_.clear(); }

private:
    friend class ImageCanvas;

    void addDamage(const QRect& rect);
    void record(DrawRecord record);
    QPainter& painterFor(const ImageCanvas* canvas);
    void releasePainter(const ImageCanvas* canvas);
    // Called before raw pixel writes: makes sure the image is not shared.
    void prepareRawAccess() { bits_ = image_.bits(); }
    std::uint32_t* row(int y) { return reinterpret_cast<std::uint32_t*>(bits_ + y * bytesPerLine_); }

    QImage image_;
    uchar* bits_ = nullptr;
    qsizetype bytesPerLine_ = 0;
    int bitsPerPixel_;
    int logicalDpiY_;
    std::vector<QRect> damage_;
    std::vector<QRect> merged_;
    bool logging_ = false;
    std::vector<DrawRecord> records_;
    QPainter painter_;
    const ImageCanvas* painterOwner_ = nullptr;
};

}  // namespace orvane
