// The configuration windows of the Qt build against their reference pictures, at 96 dpi on the
// offscreen platform: the About box as it opens and with each credit set, and the settings
// dialog's three pages with fixed settings, the sliders' page also at both ends of its ranges;
// the About box's colour button in each of its states; and gradients of every shade.
#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QStyleHints>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "config/about_box.h"
#include "config/config_fonts.h"
#include "config/settings_dialog.h"
#include "config/settings_form.h"
#include "platform/image/image_canvas.h"
#include "reference/config_reference_settings.h"
#include "reference/reference_check.h"
#include "widgets/colour_button.h"
#include "widgets/gradient_style.h"
#include "../config/config_test_support.h"

namespace orvane::reference {
namespace {

PixelPicture pictureOf(QWidget& window) {
    QApplication::processEvents();  // posted layout and polish events; the timers are stopped
    return fromQImage(window.grab().toImage());
}

// Where every control of the window stands, visible or not: each one's outline, so that a
// control a pixel out of place or size shows even where its style draws the same pixels.
PixelPicture layoutOf(QWidget& window) {
    QApplication::processEvents();
    QImage image(window.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(QColor(0, 255, 0));
    for (const QWidget* child : window.findChildren<QWidget*>()) {
        painter.drawRect(QRect(child->mapTo(&window, QPoint(0, 0)), child->size() - QSize(1, 1)));
    }
    painter.end();
    return fromQImage(image);
}

TEST(ConfigReference, WindowsLookLikeTheirReferencePictures) {
    ASSERT_EQ(QApplication::primaryScreen()->logicalDotsPerInchY(), 96);
    // A text cursor that blinks would show or not by the wall clock: it stays on.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    ReferenceRun references("dialogs-96dpi", referencePaths("config"));
    // Every picture of a window with text is kept as a PNG: where this machine draws text
    // with other fonts or rasterisers, the picture is compared with it loosely.
    const auto check = [&](const char* moment, const char* window, QWidget& widget) {
        return references.check(moment, window, window, pictureOf(widget), true, kTextByPicture);
    };

    test::TempFolder folder;
    test::RecordingServices recorder;
    Settings settings = fixedSettings();
    {
        AboutBox about(settings, folder.file("TheOrvane.ini"), recorder.make(folder.path()));
        for (QTimer* timer : about.findChildren<QTimer*>()) timer->stop();
        about.show();
        for (QTimer* timer : about.findChildren<QTimer*>()) timer->stop();
        check("shown", "about", about);
        references.check("layout", "about", "about", layoutOf(about), true);
        about.applyCreditSetA();
        check("credits-a", "about", about);
        about.applyCreditSetB();
        check("credits-b", "about", about);
    }

    SettingsDialog dialog(recorder.make(folder.path()).pickColour,
                          recorder.make(folder.path()).showMessage);
    dialog.setValues(settings);
    dialog.show();
    auto* pages = dialog.findChild<QTabWidget*>("pages");
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 3);
    const char* pageNames[] = {"page1-intro", "page2-code", "page3-power-save"};
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        check(pageNames[page], "settings", dialog);
    }
    references.check("layout", "settings", "settings", layoutOf(dialog), true);
    // The sliders at both ends of their ranges (and the other controls with them).
    pages->setCurrentIndex(1);
    dialog.setValues(lowestSettings());
    check("page2-code-lowest", "settings", dialog);
    dialog.setValues(highestSettings());
    check("page2-code-highest", "settings", dialog);

    EXPECT_TRUE(references.finish()) << references.failure();
}

// Every state of the colour button side by side, at two sizes so that the caption's centring
// and the focus dots meet both parities of the free space. The palette's caption and frame
// colours differ from the defaults, so that a caption or frame drawn in another colour shows.
TEST(ConfigReference, ColourButtonStatesLookLikeTheirReferencePicture) {
    ReferenceRun references("buttons-96dpi", referencePaths("config"));
    QWidget window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::ButtonText, QColor(0, 0, 160));
    palette.setColor(QPalette::WindowText, QColor(160, 0, 96));
    window.setPalette(palette);
    auto* button = new ColourButton("&Ok", &window);
    button->setFont(dialogFont(96));
    button->setColour(QColor(0, 193, 0));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    struct State {
        bool down, enabled, isDefault, focused;
    };
    const State states[] = {{false, true, false, false}, {true, true, false, false},
                            {false, false, false, false}, {false, true, true, false},
                            {false, true, false, true},  {false, true, true, true},
                            {true, true, true, true}};
    const QSize sizes[] = {{75, 26}, {76, 25}};
    constexpr int kCellWidth = 80;
    constexpr int kCellHeight = 30;
    QImage sheet(kCellWidth * static_cast<int>(std::size(states)),
                 kCellHeight * static_cast<int>(std::size(sizes)), QImage::Format_RGB32);
    sheet.fill(QColor(128, 128, 128));
    QPainter painter(&sheet);
    for (int row = 0; row < static_cast<int>(std::size(sizes)); ++row) {
        button->setFixedSize(sizes[row]);
        for (int column = 0; column < static_cast<int>(std::size(states)); ++column) {
            const State& state = states[column];
            button->setEnabled(state.enabled);
            button->setDown(state.down);
            button->setDefault(state.isDefault);
            if (state.focused) {
                button->setFocus();
            } else {
                button->clearFocus();
            }
            ASSERT_EQ(button->hasFocus(), state.focused);
            painter.drawImage(column * kCellWidth, row * kCellHeight, button->grab().toImage());
        }
    }
    painter.end();
    references.check("states", "button", "button", fromQImage(sheet), true, kTextByPicture);
    EXPECT_TRUE(references.finish()) << references.failure();
}

// Gradients beside each other: each shade, borders inside and outside the picture, pattern
// centres away from the corner, rotations of each quadrant, periods shorter than the picture.
TEST(ConfigReference, GradientsLookLikeTheirReferencePicture) {
    struct Look {
        ShadeMode shade;
        int border, rotation, period, centreX, centreY;
    };
    const Look looks[] = {{ShadeMode::Saturate, 3, 10, 37, 50, 25},
                          {ShadeMode::Saturate, -1, 30, 0, 50, 25},
                          {ShadeMode::Saturate, 8, 30, 0, 0, 0},
                          {ShadeMode::Wrap, 8, 135, 37, -7, -3},
                          {ShadeMode::Sine, 20, -45, 5, 0, 0},
                          {ShadeMode::Wrap, 1, 200, 128, 0, 0}};
    constexpr int kWidth = 64;
    constexpr int kHeight = 57;
    PixelPicture sheet(kWidth * static_cast<int>(std::size(looks)), kHeight);
    for (std::size_t i = 0; i < std::size(looks); ++i) {
        GradientStyle style;
        style.startColour = rgb(0, 128, 0);
        style.endColour = rgb(200, 10, 255);
        style.shadeMode = looks[i].shade;
        style.borderThickness = looks[i].border;
        style.rotation = looks[i].rotation;
        style.period = looks[i].period;
        style.patternCentreX = looks[i].centreX;
        style.patternCentreY = looks[i].centreY;
        const Bgr24Picture picture = renderedGradient(style, kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const std::uint8_t* bgr = picture.row(y) + 3 * x;
                sheet.setPixel(static_cast<int>(i) * kWidth + x, y, pixelOf(bgr[2], bgr[1], bgr[0]));
            }
        }
    }
    ReferenceRun references("gradients", referencePaths("config"));
    references.check("looks", "gradient", "gradient", std::move(sheet), true);
    EXPECT_TRUE(references.finish()) << references.failure();
}

}  // namespace
}  // namespace orvane::reference

// The fonts fontconfig prefers follow the locale's language (a Japanese locale picks a Japanese
// face for the dialogs' text): the pictures are taken in the C locale whatever the user's.
int main(int argc, char** argv) {
    qputenv("LC_ALL", "C.UTF-8");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
