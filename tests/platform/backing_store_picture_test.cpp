// Presenting on the offscreen platform, whose screen grab of a window is what its backing store
// last flushed: drawing alone changes nothing on screen, a present puts the damage there.
#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/qt/backing_store_picture.h"
#include "platform/image/image_canvas.h"
#include "platform/qt/qt_platform.h"
#include "platform/posix/stop_watcher.h"
#include "show/surface.h"

namespace orvane {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

class ShownWindow {
public:
    ShownWindow() : picture(window, kWidth, kHeight, 32, 96) {
        window.setSurfaceType(QSurface::RasterSurface);
        window.setGeometry(0, 0, kWidth, kHeight);
    }
    void show() {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        picture.presentWhole();
    }
    // What the screen shows of the window.
    QImage onScreen() {
        return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    QWindow window;
    BackingStorePicture picture;
};

Surface filledSurface(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    Surface surface(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        Surface::Pixel* row = surface.row(y);
        for (int x = 0; x < kWidth; ++x) {
            row[x] = Surface::toPixel(rgb(red, green, blue));
        }
    }
    return surface;
}

TEST(BackingStorePicture, DamageReachesTheScreenOnlyAtPresentAsOneMergedFlush) {
    ShownWindow w;
    w.show();
    const int flushesBefore = w.picture.flushCount();
    const Surface green = filledSurface(0, 255, 0);
    auto canvas = w.picture.makeCanvas();
    // Three touching cells of one row (drawn out of order) and one cell two rows lower.
    canvas->copyFromSurface(green, Rect::fromSize(32, 20, 16, 20));
    canvas->copyFromSurface(green, Rect::fromSize(0, 20, 16, 20));
    canvas->copyFromSurface(green, Rect::fromSize(16, 20, 16, 20));
    canvas->copyFromSurface(green, Rect::fromSize(64, 60, 16, 20));

    EXPECT_EQ(w.onScreen().pixel(20, 25), qRgb(0, 0, 0)) << "drawn cells must wait for a present";
    w.picture.present();

    EXPECT_EQ(w.picture.flushCount(), flushesBefore + 1);
    const QRegion flushed = w.picture.lastFlushedRegion();
    ASSERT_EQ(flushed.rectCount(), 2);
    EXPECT_EQ(*flushed.begin(), QRect(0, 20, 48, 20));
    EXPECT_EQ(*(flushed.begin() + 1), QRect(64, 60, 16, 20));
    const QImage screen = w.onScreen();
    EXPECT_EQ(screen.pixel(0, 20), qRgb(0, 255, 0));
    EXPECT_EQ(screen.pixel(47, 39), qRgb(0, 255, 0));
    EXPECT_EQ(screen.pixel(48, 20), qRgb(0, 0, 0));
    EXPECT_EQ(screen.pixel(70, 70), qRgb(0, 255, 0));
}

TEST(BackingStorePicture, PresentWithoutDamageDoesNotFlush) {
    ShownWindow w;
    w.show();
    const int flushes = w.picture.flushCount();
    w.picture.present();
    EXPECT_EQ(w.picture.flushCount(), flushes);
}

TEST(BackingStorePicture, ExposeShowsTheRetainedPictureNotAnErasedOne) {
    ShownWindow w;
    QImage desktop(kWidth, kHeight, QImage::Format_RGB32);
    desktop.fill(qRgb(10, 120, 200));
    w.picture.setContent(fromQImage(desktop));
    // Damage drawn before the window is on screen is shown by its first expose.
    w.picture.makeCanvas()->copyFromSurface(filledSurface(0, 0, 255), Rect::fromSize(0, 0, 8, 8));
    w.picture.present();
    EXPECT_EQ(w.picture.flushCount(), 0) << "nothing is flushed to a window not on screen";

    w.show();
    const QImage screen = w.onScreen();
    EXPECT_EQ(screen.pixel(kWidth - 1, kHeight - 1), qRgb(10, 120, 200));
    EXPECT_EQ(screen.pixel(3, 3), qRgb(255, 0, 0));
}

TEST(BackingStorePicture, RegionOfRowBandsKeepsTheRectanglesAndOtherwiseIsTheirUnion) {
    const std::vector<QRect> bands{QRect(0, 0, 16, 20), QRect(32, 0, 16, 20), QRect(0, 20, 64, 20)};
    const QRegion banded = BackingStorePicture::regionOf(bands);
    EXPECT_EQ(banded.rectCount(), 3);
    EXPECT_EQ(banded.boundingRect(), QRect(0, 0, 64, 40));

    // A text cell overlapping two cell rows breaks the banding: the union is built instead.
    const std::vector<QRect> mixed{QRect(0, 0, 16, 20), QRect(8, 10, 30, 22), QRect(0, 20, 16, 20)};
    QRegion expected;
    for (const QRect& r : mixed) {
        expected += r;
    }
    const QRegion region = BackingStorePicture::regionOf(mixed);
    EXPECT_EQ(region, expected);
    EXPECT_TRUE(region.contains(QPoint(37, 31)));
    EXPECT_FALSE(region.contains(QPoint(37, 9)));

    EXPECT_TRUE(BackingStorePicture::regionOf({}).isEmpty());
}

TEST(QtPlatform, PumpAndSleepPresentEveryWindowsPendingDamage) {
    ShownWindow a;
    ShownWindow b;
    a.show();
    b.show();
    QtPlatform platform;
    platform.addPicture(a.picture);
    platform.addPicture(b.picture);
    const Surface red = filledSurface(0, 0, 255);
    const int flushesA = a.picture.flushCount();
    const int flushesB = b.picture.flushCount();

    a.picture.makeCanvas()->copyFromSurface(red, Rect::fromSize(0, 0, 16, 20));
    b.picture.makeCanvas()->copyFromSurface(red, Rect::fromSize(16, 0, 16, 20));
    platform.processPendingMessages();
    EXPECT_EQ(a.picture.flushCount(), flushesA + 1);
    EXPECT_EQ(b.picture.flushCount(), flushesB + 1);
    EXPECT_EQ(b.onScreen().pixel(20, 5), qRgb(255, 0, 0));

    a.picture.makeCanvas()->copyFromSurface(red, Rect::fromSize(0, 40, 16, 20));
    platform.sleep(1);
    EXPECT_EQ(a.picture.flushCount(), flushesA + 2);
    EXPECT_EQ(b.picture.flushCount(), flushesB + 1) << "a window without damage is not flushed";
    EXPECT_EQ(a.onScreen().pixel(5, 45), qRgb(255, 0, 0));
}

TEST(QtPlatform, ClockCalendarAndUserAgreeWithTheSystem) {
    QtPlatform platform;
    const std::uint32_t before = platform.ticks();
    platform.sleep(30);
    const std::uint32_t slept = platform.ticks() - before;
    EXPECT_GE(slept, 30u);
    EXPECT_LT(slept, 5000u);

    const QDateTime local = QDateTime::currentDateTime();
    const LocalDateTime mine = platform.localDateTime();
    const QDateTime mineAsQt(QDate(mine.year, mine.month, mine.day),
                             QTime(mine.hour, mine.minute, mine.second));
    EXPECT_LE(std::abs(mineAsQt.secsTo(local)), 2);

    const std::int64_t qtMs = QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay();
    const std::int64_t dayMs = 24 * 60 * 60 * 1000;
    const std::int64_t difference =
        (static_cast<std::int64_t>(platform.millisecondsSinceMidnightUtc()) - qtMs + dayMs) % dayMs;
    EXPECT_TRUE(difference < 2000 || difference > dayMs - 2000) << difference;

    // The logged-on user is the account this process runs as.
    const passwd* account = getpwuid(geteuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(platform.loggedOnUserName(), std::string(account->pw_name));
}

// A watcher gives back its pipe: a program that makes several leaves no descriptor open.
TEST(StopWatcher, LeavesNoDescriptorOpen) {
    const auto openDescriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    const auto before = openDescriptors();
    for (int i = 0; i < 3; ++i) {
        StopWatcher watcher;
    }
    EXPECT_EQ(openDescriptors(), before);
}

// Until the application object exists, and after it is gone, a stop signal ends the program
// at once with 0: nothing of it is on the screen yet.
TEST(StopWatcherDeathTest, AStopSignalBeforeAttachEndsTheProgramAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            StopWatcher watcher;
            raise(SIGTERM);
            std::this_thread::sleep_for(std::chrono::seconds(5));
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace orvane
