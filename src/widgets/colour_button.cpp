#include "widgets/colour_button.h"

#include <QPainter>

namespace orvane {

namespace {

constexpr int kFocusInsetPx = 4;
// Flags of the caption: our own centring does the layout, the flags keep the mnemonic.
constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextShowMnemonic;

QColor toQColor(Colour colour) {
    const RgbChannels c = splitColour(colour);
    return QColor(c.red, c.green, c.blue);
}

Colour fromQColor(const QColor& colour) {
    return rgb(colour.red(), colour.green(), colour.blue());
}

// A 1-pixel outline on the edge pixels of r.
void drawOutline(QPainter& painter, const QRect& r, const QColor& colour) {
    if (r.isEmpty()) {
        return;
    }
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), colour);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), colour);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), colour);
}

void drawFilledRectangle(QPainter& painter, const QRect& r, const QColor& pen,
                         const QColor& fill) {
    painter.fillRect(r, fill);
    drawOutline(painter, r, pen);
}

// A 1-pixel raised or sunken frame: top and left edges in one colour, bottom and right
// (which own the top-right and bottom-left corners) in the other; r shrinks by 1.
void drawFrame3d(QPainter& painter, QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    if (r.isEmpty()) {
        return;
    }
    painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    r.adjust(1, 1, -1, -1);
}

}  // namespace

ColourButton::ColourButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {
    setColour(palette().color(QPalette::Button));
}

void ColourButton::setColour(const QColor& colour) {
    const QColor plain = colour.toRgb();
    if (colour_.isValid() && plain.rgb() == colour_.rgb()) {
        return;
    }
    colour_ = QColor(plain.rgb());
    const EdgeColours edges = edgeColoursFor(fromQColor(colour_));
    light_ = toQColor(edges.light);
    dark_ = toQColor(edges.dark);
    update();
}

void ColourButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // isDefault() follows the button that Enter would press, as focus moves in a dialog.
    const bool active = isDefault();
    const bool focused = hasFocus();
    const bool pressed = isDown();
    const QColor frameColour = palette().color(QPalette::WindowText);
    const CaptionState state = !isEnabled() ? CaptionState::Disabled
                               : pressed    ? CaptionState::Down
                                            : CaptionState::Up;

    QRect area = rect();
    if (active || focused) {
        drawOutline(painter, area, frameColour);
        area.adjust(1, 1, -1, -1);
    }
    drawFace(painter, area, pressed);
    if (active) {
        area = rect().adjusted(1, 1, -1, -1);
    }
    if (pressed) {
        area.translate(1, 1);
    }
    if (!text().isEmpty()) {
        drawCaption(painter, area, state);
    }
    if (active && focused) {
        drawFocusRectangle(painter, rect().adjusted(kFocusInsetPx, kFocusInsetPx, -kFocusInsetPx,
                                                    -kFocusInsetPx));
    }
}

void ColourButton::drawFace(QPainter& painter, QRect& area, bool pressed) const {
    if (pressed) {
        drawFilledRectangle(painter, area, dark_, colour_);
        area.adjust(1, 1, -1, -1);
        return;
    }
    drawFilledRectangle(painter, area, light_, colour_);
    drawFrame3d(painter, area, light_, palette().color(QPalette::Shadow));
    drawFrame3d(painter, area, colour_, dark_);
}

void ColourButton::drawCaption(QPainter& painter, const QRect& area, CaptionState state) const {
    painter.setFont(font());
    const QRect measured = painter.fontMetrics().boundingRect(
        QRect(area.topLeft(), area.size()), Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic,
        text());
    QRect textRect(area.topLeft(), measured.size());
    textRect.translate((area.width() - textRect.width()) / 2,
                       (area.height() - textRect.height()) / 2);
    painter.setBrush(Qt::NoBrush);
    if (state == CaptionState::Disabled) {
        painter.setPen(light_);
        painter.drawText(textRect, kCaptionFlags, text());
        textRect.translate(-1, -1);
        painter.setPen(dark_);
        painter.drawText(textRect, kCaptionFlags, text());
        return;
    }
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(textRect, kCaptionFlags, text());
}

void ColourButton::drawFocusRectangle(QPainter& painter, const QRect& area) const {
    // A dotted line: every other pixel along the edges, starting at the corner.
    const QColor colour = palette().color(QPalette::WindowText);
    for (int x = area.left(); x <= area.right(); x += 2) {
        painter.fillRect(QRect(x, area.top(), 1, 1), colour);
        painter.fillRect(QRect(x, area.bottom(), 1, 1), colour);
    }
    for (int y = area.top(); y <= area.bottom(); y += 2) {
        painter.fillRect(QRect(area.left(), y, 1, 1), colour);
        painter.fillRect(QRect(area.right(), y, 1, 1), colour);
    }
}

}  // namespace orvane
