// Window pictures drawn by Qt: the pixels are a QImage's (the same 0xFFRRGGBB words), text,
// rectangles and ellipses go through one QPainter per picture, handed from context to
// context. The real saver windows and the virtual ones on Linux share this code, so what the
// tests see is what the screen shows.
#pragma once

#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>

#include "platform/common/window_picture.h"

namespace orvane {

class ImageCanvas;

class QImageBackend final : public PictureBackend {
public:
    // Over a 32-bit opaque image whose rows are 4 * width bytes.
    explicit QImageBackend(QImage image);
    ~QImageBackend() override;

    std::uint32_t* pixels() override { return reinterpret_cast<std::uint32_t*>(bits_); }
    std::unique_ptr<Canvas> makeCanvas(WindowPicture& picture) override;

    // The live picture; copy it to keep it.
    const QImage& image() const { return image_; }
    // Draws from now on in another image of the same layout: a copy of the current one the
    // caller made, or one of another size when the window's picture was resized (the painter
    // ends here, so nothing drawn keeps the old size).
    void moveTo(QImage image);
    // Called before the pixels are drawn on or read, when their owner may first have to move
    // them (with moveTo) out of memory that is not the program's to touch just then.
    std::function<void()> beforeAccess;
    void finishDrawing() override {
        if (beforeAccess) {
            beforeAccess();
        }
    }

    QPainter& painterFor(const ImageCanvas* canvas);
    void releasePainter(const ImageCanvas* canvas);
    // The painter follows a context's changed state, when that context holds it.
    void stateChanged(const ImageCanvas* canvas);

private:
    QImage image_;
    uchar* bits_;
    QPainter painter_;
    const ImageCanvas* painterOwner_ = nullptr;
};

// The picture as a QImage over its own memory (valid while the picture lives).
const QImage& imageOf(WindowPicture& picture);
QImage toQImage(const PixelPicture& picture);
PixelPicture fromQImage(const QImage& image);

}  // namespace orvane
