#include "widgets/colour_button.h"

#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(ColourButton, EdgeColoursFollowTheLightnessRules) {
    EXPECT_EQ(edgeColoursFor(rgb(0, 193, 0)).dark, rgb(0, 127, 0));
    EXPECT_EQ(edgeColoursFor(rgb(255, 0, 0)).dark, rgb(168, 0, 0));
    EXPECT_EQ(edgeColoursFor(rgb(0, 0, 200)), (EdgeColours{rgb(100, 100, 255), rgb(0, 0, 132)}));
    // Grey has no saturation: 0.502 * 0.66 * 255 = 84.5 -> 84 (ties to even).
    EXPECT_EQ(edgeColoursFor(rgb(128, 128, 128)).dark, rgb(84, 84, 84));

    ColourButton button("x");
    EXPECT_EQ(button.colour(), button.palette().color(QPalette::Button));
    button.setColour(QColor(0, 0, 200));
    EXPECT_EQ(button.lightColour(), QColor(100, 100, 255));
}

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

TEST(ColourButton, RepaintsWhenItsLookChangesOnly) {
    ColourButton button("&Ok");
    button.setColour(QColor(0, 193, 0));
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QTest::qWait(50);
    PaintCounter counter;
    button.installEventFilter(&counter);
    button.setColour(QColor(0, 193, 0));
    QTest::qWait(50);
    EXPECT_EQ(counter.paints, 0);
    button.setColour(QColor(0, 192, 0));
    QTRY_COMPARE_WITH_TIMEOUT(counter.paints, 1, 1000);
    // The caption's font and the embossed disabled caption show at once.
    button.setEnabled(false);
    QTRY_COMPARE_WITH_TIMEOUT(counter.paints, 2, 1000);
    QFont font = button.font();
    font.setPixelSize(font.pixelSize() > 0 ? font.pixelSize() + 3 : 20);
    button.setFont(font);
    QTRY_COMPARE_WITH_TIMEOUT(counter.paints, 3, 1000);
}

const QColor kFace(0, 193, 0);
const QColor kDark(0, 127, 0);

// A palette colour as it lands in a 24-bit picture (palettes may carry 16-bit channels).
QColor role(const QWidget* widget, QPalette::ColorRole colourRole) {
    return QColor(widget->palette().color(colourRole).rgb());
}

// A 75 x 25 button on a window of its own, so that it can take the keyboard focus.
struct ButtonOnWindow {
    QWidget window;
    ColourButton* button = new ColourButton("&Ok", &window);

    ButtonOnWindow() {
        (new QVBoxLayout(&window))->addWidget(button);
        button->setFixedSize(75, 25);
        button->setColour(kFace);
        QFont font = button->font();
        font.setStyleStrategy(QFont::NoAntialias);  // exact caption colours
        button->setFont(font);
    }
    QImage grab() const { return button->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// The bounding box of the pixels of one colour, away from the button's edges.
QRect boxOf(const QImage& image, const QColor& colour) {
    QRect box;
    for (int y = 5; y < image.height() - 5; ++y) {
        for (int x = 5; x < image.width() - 5; ++x) {
            box |= image.pixelColor(x, y) == colour ? QRect(x, y, 1, 1) : QRect();
        }
    }
    return box;
}

TEST(ColourButton, UpAndPressedLooks) {
    ButtonOnWindow w;
    const QColor shadow = role(w.button, QPalette::Shadow);
    const QImage up = w.grab();
    EXPECT_EQ(up.pixelColor(0, 0), w.button->lightColour());
    EXPECT_EQ(up.pixelColor(73, 0), w.button->lightColour());
    EXPECT_EQ(up.pixelColor(74, 0), shadow);  // the bottom-right edge owns the corner
    EXPECT_EQ(up.pixelColor(0, 24), shadow);
    EXPECT_EQ(up.pixelColor(1, 1), kFace);
    EXPECT_EQ(up.pixelColor(73, 23), kDark);
    EXPECT_EQ(up.pixelColor(2, 2), kFace);

    w.button->setDown(true);
    const QImage pressed = w.grab();
    EXPECT_EQ(pressed.pixelColor(0, 0), kDark);
    EXPECT_EQ(pressed.pixelColor(74, 24), kDark);
    EXPECT_EQ(pressed.pixelColor(73, 23), kFace);
    // The caption moves one pixel right and down.
    const QColor text = role(w.button, QPalette::ButtonText);
    ASSERT_FALSE(boxOf(up, text).isEmpty());
    EXPECT_EQ(boxOf(pressed, text), boxOf(up, text).translated(1, 1));
}

TEST(ColourButton, FocusAndDefaultOutlines) {
    ButtonOnWindow w;
    const QColor frame = role(w.button, QPalette::WindowText);
    const auto focusDots = [&](const QImage& image) {  // down the focus rectangle's left side
        int dots = 0;
        for (int y = 4; y <= 20; ++y) {
            dots += image.pixelColor(4, y) == frame ? 1 : 0;
        }
        return dots;
    };
    const QColor text = role(w.button, QPalette::ButtonText);
    const QRect plainCaption = boxOf(w.grab(), text);
    ASSERT_FALSE(plainCaption.isEmpty());
    // The default button without focus: the outline, then the raised face one pixel in; the
    // caption stays centred where a plain button has it.
    w.button->setDefault(true);
    QImage image = w.grab();
    EXPECT_EQ(image.pixelColor(0, 0), frame);
    EXPECT_EQ(image.pixelColor(1, 1), w.button->lightColour());
    EXPECT_EQ(focusDots(image), 0);
    EXPECT_EQ(boxOf(image, text), plainCaption);

    // Default and focused: the dotted focus rectangle 4 pixels in, every other pixel.
    w.window.show();
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    w.button->setFocus();
    ASSERT_TRUE(w.button->hasFocus());
    EXPECT_EQ(focusDots(w.grab()), 9);  // y = 4, 6, ..., 20

    // Focused but not the default button: the outline only.
    w.button->setDefault(false);
    image = w.grab();
    EXPECT_EQ(image.pixelColor(0, 0), frame);
    EXPECT_EQ(focusDots(image), 0);
}

TEST(ColourButton, DisabledCaptionIsEmbossedAndDoubleClickPressesAgain) {
    ButtonOnWindow w;
    w.button->setEnabled(false);
    const QImage image = w.grab();
    const QRect light = boxOf(image, w.button->lightColour());
    const QRect dark = boxOf(image, w.button->darkColour());
    ASSERT_FALSE(light.isEmpty() || dark.isEmpty());
    // The dark copy sits one pixel up and left of the light one and covers part of it.
    EXPECT_EQ(light.bottomRight(), dark.bottomRight() + QPoint(1, 1));
    EXPECT_EQ(boxOf(image, role(w.button, QPalette::ButtonText)), QRect());

    w.button->setEnabled(true);
    QSignalSpy clicks(w.button, &QPushButton::clicked);
    QTest::mousePress(w.button, Qt::LeftButton);
    QTest::mouseRelease(w.button, Qt::LeftButton);
    QTest::mouseDClick(w.button, Qt::LeftButton);
    QTest::mouseRelease(w.button, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 2);
}

}  // namespace
}  // namespace orvane
