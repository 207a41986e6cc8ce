#include "platform/image/image_canvas.h"

#include <QFontMetrics>
#include <QRegion>

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/common/picture_canvas.h"
#include "show/pixel_memory.h"
#include "show/surface.h"

namespace orvane {

namespace {

constexpr const char* kFontFace = "Courier New";
constexpr int kDefaultFontPixels = 16;
constexpr double kCellToCharacterHeight = 0.86;  // character height within a cell height

QColor toQColor(Colour c) {
    const RgbChannels ch = splitColour(c);
    return QColor(ch.red, ch.green, ch.blue);
}

QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

QFont toQFont(const Font& font) {
    QFont f(QString::fromLatin1(kFontFace));
    f.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    f.setFixedPitch(true);
    int pixels = kDefaultFontPixels;
    if (font.height < 0) {
        pixels = -font.height;
    } else if (font.height > 0) {
        pixels = std::max(1, static_cast<int>(font.height * kCellToCharacterHeight));
    }
    f.setPixelSize(std::max(1, pixels));
    f.setBold(font.bold);
    // Whole-pixel advances, as the show's text layout expects of a fixed-pitch face.
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// The surface's pixel word is the picture's own (opaque 0xFFRRGGBB), so a row copies as is.
static_assert(sizeof(Surface::Pixel) == sizeof(QRgb) &&
              Surface::toPixel(rgb(0x12, 0x34, 0x56)) == qRgb(0x12, 0x34, 0x56));

}  // namespace

class ImageCanvas final : public PictureCanvas {
public:
    ImageCanvas(WindowPicture& picture, QImageBackend& backend)
        : PictureCanvas(picture), backend_(backend) {
        setQFont();
    }
    ~ImageCanvas() override { backend_.releasePainter(this); }

    Size textExtent(std::string_view text) override {
        const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        return {metrics_->horizontalAdvance(s), metrics_->height()};
    }

    void textOut(int x, int y, std::string_view text) override {
        const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        const QRect cell(x, y, metrics_->horizontalAdvance(s), metrics_->height());
        QPainter& p = painter();
        if (backgroundMode_ == BackgroundMode::Opaque) {
            p.fillRect(cell, toQColor(backgroundColour_));
        }
        p.setFont(qfont_);
        p.setPen(toQColor(textColour_));
        p.drawText(x, y + metrics_->ascent(), s);
        const Rect area = Rect::fromSize(x, y, cell.width(), cell.height());
        damage(area);
        recordText(area, text);
    }

    void rectangle(const Rect& bounds) override {
        if (bounds.isEmpty()) {
            return;
        }
        QPainter& p = painter();
        const QRect area = toQRect(bounds);
        if (pen_.width <= 1) {
            // A 1-pixel outline inside the bounds, the interior filled with the brush.
            if (!brush_.hollow) {
                p.fillRect(area, toQColor(brush_.colour));
            }
            const QColor outline = toQColor(pen_.colour);
            p.fillRect(QRect(area.left(), area.top(), area.width(), 1), outline);
            p.fillRect(QRect(area.left(), area.bottom(), area.width(), 1), outline);
            p.fillRect(QRect(area.left(), area.top(), 1, area.height()), outline);
            p.fillRect(QRect(area.right(), area.top(), 1, area.height()), outline);
        } else {
            p.setPen(QPen(toQColor(pen_.colour), pen_.width, Qt::SolidLine, Qt::SquareCap,
                          Qt::MiterJoin));
            p.setBrush(brush_.hollow ? QBrush(Qt::NoBrush) : QBrush(toQColor(brush_.colour)));
            p.drawRect(QRectF(bounds.left, bounds.top, bounds.width() - 1, bounds.height() - 1));
        }
        damageShape(bounds);
        recordShape(DrawRecord::Kind::Rectangle, bounds);
    }

    void ellipse(const Rect& bounds) override {
        QPainter& p = painter();
        p.setPen(pen_.width > 0 ? QPen(toQColor(pen_.colour), pen_.width) : QPen(Qt::NoPen));
        p.setBrush(brush_.hollow ? QBrush(Qt::NoBrush) : QBrush(toQColor(brush_.colour)));
        QRectF shape(bounds.left, bounds.top, bounds.width() - 1, bounds.height() - 1);
        // A pen at least as wide as the ellipse covers its interior too, but Qt's stroke of
        // such a small ellipse leaves a hole in the middle: fill the pen's outer edge instead.
        if (pen_.width > 1 && std::min(shape.width(), shape.height()) <= pen_.width) {
            const qreal half = pen_.width / 2.0;
            shape.adjust(-half, -half, half, half);
            p.setPen(Qt::NoPen);
            p.setBrush(QBrush(toQColor(pen_.colour)));
        }
        p.drawEllipse(shape);
        damageShape(bounds);
        recordShape(DrawRecord::Kind::Ellipse, bounds);
        // Each ring of the opening is a frame of its own: nothing else paces it.
        picture_.present();
    }

    void applyPainterState(QPainter& p) const {
        if (clip_.isSet()) {
            QRegion region(0, 0, picture_.width(), picture_.height());
            for (const Rect& r : clip_.excluded()) {
                region -= QRegion(toQRect(r));
            }
            p.setClipRegion(region);
        } else {
            p.setClipping(false);
        }
    }

protected:
    void stateChanged() override {
        if (!(font_ == qfontOf_)) {
            setQFont();
        }
        if (clip_.excluded().size() != clipApplied_) {
            clipApplied_ = clip_.excluded().size();
            backend_.stateChanged(this);
        }
    }

private:
    QPainter& painter() { return backend_.painterFor(this); }

    void setQFont() {
        qfontOf_ = font_;
        qfont_ = toQFont(font_);
        metrics_.emplace(qfont_);
    }

    QImageBackend& backend_;
    Font qfontOf_;
    std::size_t clipApplied_ = 0;
    QFont qfont_;
    std::optional<QFontMetrics> metrics_;
};

QImageBackend::QImageBackend(QImage image) : image_(std::move(image)), bits_(image_.bits()) {}

QImageBackend::~QImageBackend() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

void QImageBackend::moveTo(QImage image) {
    if (painter_.isActive()) {
        painter_.end();
    }
    image_ = std::move(image);
    bits_ = image_.bits();
    painterOwner_ = nullptr;  // the next context to draw begins again, with its own state
}

std::unique_ptr<Canvas> QImageBackend::makeCanvas(WindowPicture& picture) {
    return std::make_unique<ImageCanvas>(picture, *this);
}

QPainter& QImageBackend::painterFor(const ImageCanvas* canvas) {
    if (beforeAccess) {
        beforeAccess();
    }
    if (painterOwner_ != canvas || !painter_.isActive()) {
        if (!painter_.isActive()) {
            painter_.begin(&image_);
        }
        painterOwner_ = canvas;
        canvas->applyPainterState(painter_);
    }
    return painter_;
}

void QImageBackend::releasePainter(const ImageCanvas* canvas) {
    if (painterOwner_ == canvas) {
        if (painter_.isActive()) {
            painter_.end();
        }
        painterOwner_ = nullptr;
    }
}

void QImageBackend::stateChanged(const ImageCanvas* canvas) {
    if (painterOwner_ == canvas && painter_.isActive()) {
        canvas->applyPainterState(painter_);
    }
}

namespace {

// The picture's pixels in the same memory as the surfaces' (see pixel_memory.h): cell rows
// copied from a surface then land on one cache line each, not two.
QImage windowImage(int width, int height) {
    const qsizetype bytesPerLine = qsizetype{width} * qsizetype{sizeof(QRgb)};
    const auto bytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height);
    auto* memory = static_cast<uchar*>(allocatePixelMemory(bytes));
    struct Owned {
        void* memory;
        std::size_t bytes;
    };
    auto* owned = new Owned{memory, bytes};
    return QImage(
        memory, width, height, bytesPerLine, QImage::Format_RGB32,
        [](void* info) {
            auto* o = static_cast<Owned*>(info);
            freePixelMemory(o->memory, o->bytes);
            delete o;
        },
        owned);
}

}  // namespace

std::unique_ptr<PictureBackend> makePictureBackend(int width, int height) {
    return std::make_unique<QImageBackend>(windowImage(width, height));
}

const QImage& imageOf(WindowPicture& picture) {
    return static_cast<QImageBackend&>(picture.backend()).image();
}

QImage toQImage(const PixelPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width,
                    picture.width, reinterpret_cast<QRgb*>(image.scanLine(y)));
    }
    return image;
}

PixelPicture fromQImage(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    PixelPicture picture(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            picture.setPixel(x, y, 0xFF000000u | line[x]);
        }
    }
    return picture;
}

}  // namespace orvane
