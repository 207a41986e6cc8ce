// A push button drawn entirely by us in a face colour of the caller's choice, with light and
// dark edge colours derived from it so that any colour looks raised when up and sunken when
// pressed. Otherwise it behaves like an ordinary push button.
#pragma once

#include <QColor>
#include <QPushButton>

#include "show/colour.h"
#include "widgets/colour_button_colours.h"

namespace orvane {

class ColourButton : public QPushButton {
    Q_OBJECT

public:
    explicit ColourButton(const QString& caption = {}, QWidget* parent = nullptr);

    QColor colour() const { return colour_; }
    QColor lightColour() const { return light_; }
    QColor darkColour() const { return dark_; }
    // Derives the edge colours and repaints; the same colour again changes nothing.
    void setColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    enum class CaptionState { Up, Down, Disabled };

    void drawFace(QPainter& painter, QRect& area, bool pressed) const;
    void drawCaption(QPainter& painter, const QRect& area, CaptionState state) const;
    void drawFocusRectangle(QPainter& painter, const QRect& area) const;

    QColor colour_;
    QColor light_;
    QColor dark_;
};

}  // namespace orvane
