#include "widgets/gradient_panel.h"

#include <functional>

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(GradientPanel, ShowsTheRenderedPictureAndItsChildren) {
    GradientPanel panel;
    panel.resize(440, 302);
    panel.setStartColour(rgb(0, 128, 0));
    panel.setEndColour(kBlack);
    panel.setBorderThickness(8);
    auto* child = new QLabel(&panel);
    child->setGeometry(400, 280, 10, 10);
    child->setAutoFillBackground(true);
    child->setPalette(QPalette(Qt::red));
    const QImage shown = panel.grab().toImage().convertToFormat(QImage::Format_BGR888);
    const Bgr24Picture rendered = renderedGradient(panel.style(), 440, 302);
    const QImage expected(rendered.bytes.data(), 440, 302, rendered.stride(), QImage::Format_BGR888);
    EXPECT_EQ(shown.copy(0, 0, 400, 280), expected.copy(0, 0, 400, 280));
    EXPECT_EQ(shown.pixelColor(405, 285), QColor(Qt::red));
}

TEST(GradientPanel, HighSpeedKeepsThePictureUntilAChangeOrResize) {
    GradientPanel panel;
    panel.setPerformanceMode(PerformanceMode::HighSpeed);
    panel.resize(60, 40);
    panel.grab();
    EXPECT_EQ(panel.renderCount(), 1);
    EXPECT_TRUE(panel.hasRetainedPicture());
    panel.grab();  // an uncovered window only copies the retained picture
    panel.grab();
    EXPECT_EQ(panel.renderCount(), 1);
    panel.resize(80, 40);
    panel.grab();
    EXPECT_EQ(panel.renderCount(), 2);
    // Every setter renders again, even with the value the panel has.
    const std::function<void()> setters[] = {
        [&] { panel.setStartColour(kWhite); },       [&] { panel.setEndColour(kBlack); },
        [&] { panel.setBorderThickness(0); },        [&] { panel.setRotation(30); },
        [&] { panel.setPeriod(0); },                 [&] { panel.setPatternCentreX(0); },
        [&] { panel.setPatternCentreY(0); },         [&] { panel.setShadeMode(ShadeMode::Saturate); },
        [&] { panel.setStyle(panel.style()); },
        [&] { panel.setPerformanceMode(PerformanceMode::HighSpeed); }};
    int renders = panel.renderCount();
    for (const auto& set : setters) {
        set();
        panel.grab();
        EXPECT_EQ(panel.renderCount(), ++renders);
    }
}

// On a panel on the screen a change shows by itself, without anything else asking for a paint.
TEST(GradientPanel, AChangeRepaintsAShownPanel) {
    GradientPanel panel;
    panel.setPerformanceMode(PerformanceMode::HighSpeed);
    panel.resize(60, 40);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QTest::qWait(50);
    const int shown = panel.renderCount();
    ASSERT_GE(shown, 1);
    panel.setRotation(45);
    for (int i = 0; i < 100 && panel.renderCount() == shown; ++i) {
        QTest::qWait(10);
    }
    EXPECT_EQ(panel.renderCount(), shown + 1);
}

TEST(GradientPanel, LowerMemoryRendersEveryPaintAndFreesThePicture) {
    GradientPanel panel;  // a new panel saves memory
    panel.resize(60, 40);
    const QImage first = panel.grab().toImage();
    const QImage second = panel.grab().toImage();
    EXPECT_EQ(panel.renderCount(), 2);
    EXPECT_FALSE(panel.hasRetainedPicture());
    EXPECT_EQ(first, second);
}

}  // namespace
}  // namespace orvane
