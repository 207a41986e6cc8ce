#include "platform/qt/backing_store_picture.h"

#include "platform/image/image_canvas.h"

#include <QPainter>
#include <QWindow>

#include <cstring>

namespace orvane {

namespace {

// setRects trusts its input: rectangles sorted by row then column, every rectangle starting on
// a row sharing that row's height, rows not overlapping, neighbours in a row apart.
bool formsRowBands(const std::vector<QRect>& rects) {
    for (std::size_t i = 1; i < rects.size(); ++i) {
        const QRect& previous = rects[i - 1];
        const QRect& r = rects[i];
        if (r.top() == previous.top()) {
            if (r.height() != previous.height() || r.left() <= previous.right() + 1) {
                return false;
            }
        } else if (r.top() <= previous.bottom()) {
            return false;
        }
    }
    return true;
}

bool isDirectCopyFormat(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied ||
           format == QImage::Format_ARGB32;
}

}  // namespace

BackingStorePicture::BackingStorePicture(QWindow& window, int width, int height,
                                         int bitsPerPixel, int logicalDpiY)
    : ScreenPicture(width, height, bitsPerPixel, logicalDpiY), window_(window), store_(&window) {}

QRegion BackingStorePicture::regionOf(const std::vector<QRect>& rects) {
    QRegion region;
    if (rects.empty()) {
        return region;
    }
    if (formsRowBands(rects)) {
        region.setRects(rects.data(), static_cast<int>(rects.size()));
        return region;
    }
    for (const QRect& r : rects) {
        region += r;
    }
    return region;
}

void BackingStorePicture::present() {
    const std::vector<Rect>& rects = takeDamage();
    if (rects.empty() || !window_.isExposed()) {
        return;
    }
    qrects_.clear();
    for (const Rect& r : rects) {
        qrects_.emplace_back(r.left, r.top, r.width(), r.height());
    }
    copyAndFlush(regionOf(qrects_));
}

void BackingStorePicture::presentWhole() {
    takeDamage();
    if (!window_.isExposed()) {
        return;
    }
    copyAndFlush(QRegion(0, 0, width(), height()));
}

void BackingStorePicture::copyAndFlush(const QRegion& region) {
    const QSize size(width(), height());
    if (store_.size() != size) {
        store_.resize(size);
    }
    store_.beginPaint(region);
    QPaintDevice* device = store_.paintDevice();
    const QImage& source = imageOf(*this);
    auto* target = device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    if (target != nullptr && isDirectCopyFormat(target->format()) &&
        target->devicePixelRatio() == 1.0 && target->size() == source.size()) {
        // Same pixel layout (opaque 0xffRRGGBB): rows are copied as they are.
        uchar* targetBits = target->bits();
        const qsizetype targetStride = target->bytesPerLine();
        for (const QRect& r : region) {
            const QRect clipped = r & source.rect();
            const std::size_t bytes = sizeof(std::uint32_t) * static_cast<std::size_t>(clipped.width());
            for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
                std::memcpy(targetBits + y * targetStride + 4 * clipped.left(),
                            source.constScanLine(y) + 4 * clipped.left(), bytes);
            }
        }
    } else {
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (const QRect& r : region) {
            painter.drawImage(r.topLeft(), source, r);
        }
    }
    store_.endPaint();
    store_.flush(region);
    ++flushCount_;
    lastFlushed_ = region;
}

}  // namespace orvane
