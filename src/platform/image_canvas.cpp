#include "platform/image_canvas.h"

#include <QFontMetrics>

#include <algorithm>
#include <cstring>

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
Rect fromQRect(const QRect& r) { return Rect::fromSize(r.x(), r.y(), r.width(), r.height()); }

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

class ImageCanvas final : public Canvas {
public:
    explicit ImageCanvas(WindowPicture& picture) : picture_(picture) { setQFont(); }
    ~ImageCanvas() override { picture_.releasePainter(this); }

    int bitsPerPixel() const override { return picture_.bitsPerPixel(); }
    int logicalDpiY() const override { return picture_.logicalDpiY(); }

    Font selectFont(const Font& font) override {
        const Font old = font_;
        font_ = font;
        setQFont();
        return old;
    }
    Brush selectBrush(const Brush& brush) override { return std::exchange(brush_, brush); }
    Pen selectPen(const Pen& pen) override { return std::exchange(pen_, pen); }
    void setTextColour(Colour colour) override { textColour_ = colour; }
    Colour textColour() const override { return textColour_; }
    void setBackgroundColour(Colour colour) override { backgroundColour_ = colour; }
    void setBackgroundMode(BackgroundMode mode) override { backgroundMode_ = mode; }

    Size textExtent(std::string_view text) override {
        const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        return {metrics_->horizontalAdvance(s), metrics_->height()};
    }

    void textOut(int x, int y, std::string_view text) override {
        const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        const QRect cell(x, y, metrics_->horizontalAdvance(s), metrics_->height());
        QPainter& p = painter();
        const bool opaque = backgroundMode_ == BackgroundMode::Opaque;
        if (opaque) {
            p.fillRect(cell, toQColor(backgroundColour_));
        }
        p.setFont(qfont_);
        p.setPen(toQColor(textColour_));
        p.drawText(x, y + metrics_->ascent(), s);
        damage(cell);
        if (picture_.logging_) {
            DrawRecord r;
            r.kind = DrawRecord::Kind::Text;
            r.area = fromQRect(cell);
            r.text = std::string(text);
            r.textColour = textColour_;
            r.backgroundColour = backgroundColour_;
            r.opaque = opaque;
            picture_.record(std::move(r));
        }
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
        const int spill = pen_.width / 2 + 1;
        damage(area.adjusted(-spill, -spill, spill, spill));
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
        const int spill = pen_.width / 2 + 1;
        damage(toQRect(bounds).adjusted(-spill, -spill, spill, spill));
        recordShape(DrawRecord::Kind::Ellipse, bounds);
        // Each ring of the opening is a frame of its own: nothing else paces it.
        picture_.present();
    }

    void copyFromSurface(const Surface& surface, const Rect& area) override {
        // Plain integer clipping: the rain copies a thousand cells a frame, and QRect's
        // intersection is an out-of-line call. A rectangle given with a negative size stands
        // for the same area with its edges swapped, as QRect takes it.
        int left = std::min(area.left, area.right);
        int right = std::max(area.left, area.right);
        int top = std::min(area.top, area.bottom);
        int bottom = std::max(area.top, area.bottom);
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min({right, surface.width(), picture_.width()});
        bottom = std::min({bottom, surface.height(), picture_.height()});
        if (right <= left || bottom <= top || area.left == area.right || area.top == area.bottom) {
            return;
        }
        const QRect wanted(left, top, right - left, bottom - top);
        picture_.prepareRawAccess();
        forEachClipped(wanted, [&](const QRect& r) {
            const qsizetype toStride = picture_.bytesPerLine_ / qsizetype{sizeof(QRgb)};
            copyPixelRows(picture_.row(r.top()) + r.left(), toStride, surface.row(r.top()) + r.left(),
                          surface.width(), r.height(), r.width());
            picture_.addDamage(r);
        });
        if (picture_.logging_) {
            DrawRecord r;
            r.kind = DrawRecord::Kind::SurfaceCopy;
            r.area = fromQRect(wanted);
            picture_.record(std::move(r));
        }
    }

    void copyWithin(const Rect& source, Point destination) override {
        const QRect bounds(0, 0, picture_.width(), picture_.height());
        QRect from = toQRect(source) & bounds;
        if (from.isEmpty()) {
            return;
        }
        const QPoint shift(destination.x - source.left, destination.y - source.top);
        QRect to = from.translated(shift) & bounds;
        from = to.translated(-shift);
        if (to.isEmpty()) {
            return;
        }
        // Rows in the order that never reads a row already overwritten.
        const bool downwards = shift.y() > 0;
        picture_.prepareRawAccess();
        forEachClipped(to, [&](const QRect& r) {
            const int rows = r.height();
            for (int i = 0; i < rows; ++i) {
                const int y = downwards ? r.bottom() - i : r.top() + i;
                std::memmove(picture_.row(y) + r.left(),
                             picture_.row(y - shift.y()) + r.left() - shift.x(),
                             sizeof(std::uint32_t) * static_cast<std::size_t>(r.width()));
            }
            picture_.addDamage(r);
        });
        if (picture_.logging_) {
            DrawRecord r;
            r.kind = DrawRecord::Kind::CopyWithin;
            r.area = fromQRect(to);
            r.source = {from.left(), from.top()};
            picture_.record(std::move(r));
        }
    }

    void excludeClipRect(const Rect& area) override {
        if (!clip_) {
            clip_ = QRegion(0, 0, picture_.width(), picture_.height());
        }
        *clip_ -= QRegion(toQRect(area));
        if (picture_.painterOwner_ == this) {
            picture_.painter_.setClipRegion(*clip_);
        }
    }

    void flush() override { picture_.present(); }

    void applyPainterState(QPainter& p) const {
        if (clip_) {
            p.setClipRegion(*clip_);
        } else {
            p.setClipping(false);
        }
    }

private:
    QPainter& painter() { return picture_.painterFor(this); }

    void damage(const QRect& rect) {
        const QRect bounded = rect & QRect(0, 0, picture_.width(), picture_.height());
        if (!bounded.isEmpty()) {
            picture_.addDamage(bounded);
        }
    }

    template <typename F>
    void forEachClipped(const QRect& rect, F&& f) {
        if (!clip_) {
            f(rect);
            return;
        }
        for (const QRect& r : *clip_ & QRegion(rect)) {
            f(r);
        }
    }

    void recordShape(DrawRecord::Kind kind, const Rect& bounds) {
        if (!picture_.logging_) {
            return;
        }
        DrawRecord r;
        r.kind = kind;
        r.area = bounds;
        r.brush = brush_;
        r.pen = pen_;
        picture_.record(std::move(r));
    }

    void setQFont() {
        qfont_ = toQFont(font_);
        metrics_.emplace(qfont_);
    }

    WindowPicture& picture_;
    Font font_;
    QFont qfont_;
    std::optional<QFontMetrics> metrics_;
    Brush brush_;
    Pen pen_;
    Colour textColour_ = kBlack;
    Colour backgroundColour_ = kWhite;
    BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
    std::optional<QRegion> clip_;
};

namespace {

// The picture's pixels in the same memory as the surfaces' (see pixel_memory.h): cell rows
// copied from a surface then land on one cache line each, not two.
QImage windowImage(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
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

WindowPicture::WindowPicture(int width, int height, int bitsPerPixel, int logicalDpiY)
    : WindowPicture(windowImage(width, height), bitsPerPixel, logicalDpiY) {}

WindowPicture::WindowPicture(QImage image, int bitsPerPixel, int logicalDpiY)
    : image_(std::move(image)), bitsPerPixel_(bitsPerPixel), logicalDpiY_(logicalDpiY) {
    image_.fill(Qt::black);
    bits_ = image_.bits();
    bytesPerLine_ = image_.bytesPerLine();
}

WindowPicture::~WindowPicture() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

void WindowPicture::setContent(const QImage& content) {
    if (painter_.isActive()) {
        painter_.end();
        painterOwner_ = nullptr;
    }
    QPainter p(&image_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(image_.rect(), Qt::black);
    if (!content.isNull()) {
        p.drawImage(0, 0, content);
    }
}

std::unique_ptr<Canvas> WindowPicture::makeCanvas() { return std::make_unique<ImageCanvas>(*this); }

void WindowPicture::addDamage(const QRect& rect) { damage_.push_back(rect); }

std::vector<QRect>& WindowPicture::takeDamage() {
    merged_.clear();
    if (damage_.size() < 2) {
        merged_.swap(damage_);
        return merged_;
    }
    // Row-sorted, horizontal neighbours of the same rows merged: one region build per present.
    std::sort(damage_.begin(), damage_.end(), [](const QRect& a, const QRect& b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    for (const QRect& r : damage_) {
        if (!merged_.empty()) {
            QRect& last = merged_.back();
            if (last.top() == r.top() && last.height() == r.height() && r.left() <= last.right() + 1) {
                last.setRight(std::max(last.right(), r.right()));
                continue;
            }
        }
        merged_.push_back(r);
    }
    damage_.clear();
    return merged_;
}

std::vector<QRect>& WindowPicture::takeDamageInColumns() {
    merged_.clear();
    merged_.swap(damage_);
    mergeColumns(merged_);
    return merged_;
}

void WindowPicture::mergeColumns(std::vector<QRect>& rects) {
    if (rects.size() < 2) {
        return;
    }
    std::sort(rects.begin(), rects.end(), [](const QRect& a, const QRect& b) {
        if (a.left() != b.left()) {
            return a.left() < b.left();
        }
        return a.right() != b.right() ? a.right() < b.right() : a.top() < b.top();
    });
    std::size_t kept = 0;
    for (std::size_t i = 1; i < rects.size(); ++i) {
        QRect& last = rects[kept];
        const QRect& r = rects[i];
        if (r.left() == last.left() && r.right() == last.right() && r.top() <= last.bottom() + 1) {
            last.setBottom(std::max(last.bottom(), r.bottom()));
        } else {
            rects[++kept] = r;
        }
    }
    rects.resize(kept + 1);
}

void WindowPicture::record(DrawRecord record) { records_.push_back(std::move(record)); }

QPainter& WindowPicture::painterFor(const ImageCanvas* canvas) {
    if (painterOwner_ != canvas || !painter_.isActive()) {
        if (!painter_.isActive()) {
            painter_.begin(&image_);
        }
        painterOwner_ = canvas;
        canvas->applyPainterState(painter_);
    }
    return painter_;
}

void WindowPicture::releasePainter(const ImageCanvas* canvas) {
    if (painterOwner_ == canvas) {
        if (painter_.isActive()) {
            painter_.end();
        }
        painterOwner_ = nullptr;
    }
}

}  // namespace orvane
