// The show's windows on three offscreen monitors, and input ending (or not ending) the show.
// The first monitor does not start at 0,0 and the third lies left of it, so every window must
// be placed on its own monitor's rectangle.
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

#include "platform/image/image_canvas.h"
#include "platform/qt/qt_show.h"
#include "show/surface.h"

namespace orvane {
namespace {

const QRect kMonitors[] = {QRect(64, 32, 1280, 1024), QRect(1344, 32, 1024, 768),
                           QRect(-736, 232, 800, 600)};
constexpr int kGiveUpMs = 10000;
constexpr int kNotEnded = 99;

Settings quietSettings() {
    Settings settings;
    settings.showTitle = false;
    settings.showIntro = false;
    return settings;
}

// Runs the application's loop until the show quits it (its exit code) or kGiveUpMs pass; then
// the show is stopped too, so a test that fails does not hang.
int runUntilQuit(QtShow& show) {
    QTimer giveUp;
    giveUp.setSingleShot(true);
    bool gaveUp = false;
    QObject::connect(&giveUp, &QTimer::timeout, [&show, &gaveUp] {
        gaveUp = true;
        show.control().requestStop();
        QCoreApplication::exit(kNotEnded);
    });
    giveUp.start(kGiveUpMs);
    const int code = QCoreApplication::exec();
    return gaveUp ? kNotEnded : code;
}

TEST(QtShow, OneBorderlessWindowPerMonitorOnItsRectangleInScreenOrder) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 3);
    QtShow show(quietSettings(), GlyphPicture{});
    ASSERT_EQ(show.windowCount(), 3);
    show.open();
    for (int i = 0; i < 3; ++i) {
        QtSaverWindow& window = show.window(i);
        SCOPED_TRACE(i);
        EXPECT_EQ(window.title(), QStringLiteral("Win%1").arg(i));
        EXPECT_EQ(window.screen(), screens[i]);
        EXPECT_EQ(window.geometry(), kMonitors[i]);
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.flags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(window.flags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(window.cursor().shape(), Qt::BlankCursor);
        EXPECT_EQ(window.clientWidth(), kMonitors[i].width());
        EXPECT_EQ(window.clientHeight(), kMonitors[i].height());
        // The headless platform cannot show the desktop: the first content is black.
        EXPECT_EQ(window.picture().pixel(kMonitors[i].width() / 2, kMonitors[i].height() / 2),
                  qRgb(0, 0, 0));
    }
    EXPECT_EQ(show.mask()->geometry(), QRect(64, 32, 1280, 2));
    EXPECT_TRUE(show.mask()->isVisible());
    EXPECT_TRUE(show.startTimer().isActive());
}

TEST(QtShow, EachWindowFirstShowsItsDesktopPictureAndDrawingReachesItAtThePump) {
    QtShow show(quietSettings(), GlyphPicture{});
    QImage desktop(kMonitors[1].size(), QImage::Format_RGB32);
    desktop.fill(qRgb(30, 60, 90));
    show.window(1).picture().setContent(fromQImage(desktop));
    show.open();
    show.startTimer().stop();  // the show itself is not wanted here
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&show.window(1)));
    const auto onScreen = [&show] {
        QtSaverWindow& window = show.window(1);
        return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_EQ(onScreen().pixel(500, 400), qRgb(30, 60, 90)) << "an exposed window is not erased";

    Surface white(32, 20);
    for (int x = 0; x < 32; ++x) {
        white.setPixel(x, 5, kWhite);
    }
    show.window(1).getCanvas()->copyFromSurface(white, Rect::fromSize(0, 0, 32, 20));
    EXPECT_EQ(onScreen().pixel(10, 5), qRgb(30, 60, 90));
    show.platform().processPendingMessages();
    EXPECT_EQ(onScreen().pixel(10, 5), qRgb(255, 255, 255));
    EXPECT_EQ(onScreen().pixel(10, 6), qRgb(0, 0, 0));
}

// Runs the action once the show is raining. Timers of the test cannot be relied on while the
// show runs inside the start timer's handler, so the show itself calls back.
void whenRaining(QtShow& show, std::function<void()> action) {
    show.control().phaseListener = [action = std::move(action)](ShowPhase phase) {
        if (phase == ShowPhase::Rain) {
            action();
        }
    };
}

TEST(QtShow, KeyReleaseOnAnyWindowEndsTheShowClosingOnlyTheFirstWindow) {
    QtShow show(quietSettings(), GlyphPicture{});
    show.open();
    bool runningBeforeKey = false;
    whenRaining(show, [&] {
        runningBeforeKey = show.control().current != nullptr;
        QTest::keyRelease(&show.window(2), Qt::Key_A);
    });
    EXPECT_EQ(runUntilQuit(show), 0);
    EXPECT_TRUE(runningBeforeKey);
    EXPECT_FALSE(show.window(0).isVisible());
    EXPECT_EQ(show.window(0).cursor().shape(), Qt::ArrowCursor) << "pointer restored at close";
    EXPECT_TRUE(show.window(1).isVisible()) << "the other windows live until the program exits";
    EXPECT_FALSE(show.startTimer().isActive());
}

TEST(QtShow, InputBeforeTheStartTimerTicksIsIgnored) {
    QtShow show(quietSettings(), GlyphPicture{});
    bool runningLater = false;
    whenRaining(show, [&] {
        runningLater = show.control().current != nullptr && !show.control().current->stopRequested();
        QTest::keyRelease(&show.window(0), Qt::Key_Escape);
    });
    show.open();
    // Delivered at once, without running the event loop (QTest's click may wait, and the start
    // timer would then begin the show inside it).
    QTest::keyRelease(&show.window(0), Qt::Key_Escape);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), show.window(1).mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&show.window(1), &press);
    ASSERT_TRUE(show.startTimer().isActive()) << "the input must come before the first tick";
    EXPECT_EQ(runUntilQuit(show), 0);
    EXPECT_TRUE(runningLater);
}

TEST(QtShow, WithEscapeAndLeftButtonExitOtherInputOnlyCountsAsActivity) {
    Settings settings = quietSettings();
    settings.useEscapeLmbExit = true;
    QtShow show(settings, GlyphPicture{});
    show.open();
    bool activityAfterKey = false;
    bool activityAfterRightClick = false;
    bool runningAfterBoth = false;
    whenRaining(show, [&] {
        QTest::keyRelease(&show.window(1), Qt::Key_Space);
        activityAfterKey = show.control().userActivity;
        show.control().userActivity = false;
        QTest::mouseClick(&show.window(0), Qt::RightButton);
        activityAfterRightClick = show.control().userActivity;
        runningAfterBoth = !show.control().current->stopRequested();
        QTest::keyRelease(&show.window(1), Qt::Key_Escape);
    });
    EXPECT_EQ(runUntilQuit(show), 0);
    EXPECT_TRUE(activityAfterKey);
    EXPECT_TRUE(activityAfterRightClick);
    EXPECT_TRUE(runningAfterBoth);
}

TEST(QtShow, PointerMovementCountsFromWhereThePointerWasWhenShown) {
    const QPoint start(400, 300);
    QCursor::setPos(start);
    QtShow show(quietSettings(), GlyphPicture{});
    show.open();
    const QPoint origin = show.window(0).geometry().topLeft();
    bool runningAfterSmallMove = false;
    whenRaining(show, [&] {
        QTest::mouseMove(&show.window(0), start + QPoint(3, 4) - origin);  // 5 px: not more
        runningAfterSmallMove = !show.control().current->stopRequested();
        QTest::mouseMove(&show.window(0), start + QPoint(6, 0) - origin);
    });
    EXPECT_EQ(runUntilQuit(show), 0);
    EXPECT_TRUE(runningAfterSmallMove);
}

}  // namespace
}  // namespace orvane

int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    QByteArray screens;
    for (const QRect& m : orvane::kMonitors) {
        screens += QStringLiteral(R"({"name": "m%1", "x": %2, "y": %3, "width": %4, "height": %5, )"
                                  R"("logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1})")
                       .arg(screens.isEmpty() ? 0 : screens.count('{'))
                       .arg(m.x())
                       .arg(m.y())
                       .arg(m.width())
                       .arg(m.height())
                       .toUtf8();
        screens += ',';
    }
    screens.chop(1);
    file.write(R"({"windowFrameMargins": false, "screens": [)" + screens + "]}");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
