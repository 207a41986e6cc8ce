// Prints what presenting a frame costs on the current display: a 1920 x 1080 window, frames of
// 300 and 3000 changed 16 x 20 cells at random places, each frame presented with one flush.
// Run it on a real X server (or Xvfb); it prints figures and asserts nothing.
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/qt/backing_store_picture.h"
#include "show/surface.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kCellWidth = 16;
constexpr int kCellHeight = 20;
constexpr int kFrames = 200;

}  // namespace

int main(int argc, char** argv) {
    using namespace orvane;
    QGuiApplication app(argc, argv);
    QWindow window;
    window.setSurfaceType(QSurface::RasterSurface);
    window.setFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(0, 0, kWidth, kHeight);
    BackingStorePicture picture(window, kWidth, kHeight, 32, 96);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not exposed\n");
        return 1;
    }
    picture.presentWhole();

    Surface surface(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            surface.setPixel(x, y, static_cast<Colour>((x * 7 + y * 13) & 0xFFFFFF));
        }
    }
    const int columns = kWidth / kCellWidth;
    const int rows = kHeight / kCellHeight;
    std::mt19937 generator(1);
    std::printf("platform %s, %d x %d, %d frames each\n",
                qPrintable(QGuiApplication::platformName()), kWidth, kHeight, kFrames);
    for (int cells : {300, 3000}) {
        std::vector<double> presentMs;
        std::vector<double> drawMs;
        auto canvas = picture.makeCanvas();
        for (int frame = 0; frame < kFrames; ++frame) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < cells; ++i) {
                const int column = static_cast<int>(generator() % columns);
                const int row = static_cast<int>(generator() % rows);
                canvas->copyFromSurface(surface, Rect::fromSize(column * kCellWidth, row * kCellHeight,
                                                                kCellWidth, kCellHeight));
            }
            drawMs.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            picture.present();
            presentMs.push_back(timer.nsecsElapsed() / 1e6);
            QCoreApplication::processEvents();
        }
        std::sort(presentMs.begin(), presentMs.end());
        std::sort(drawMs.begin(), drawMs.end());
        double sum = 0;
        for (double ms : presentMs) {
            sum += ms;
        }
        std::printf("%5d cells: present mean %.2f ms, median %.2f ms, p90 %.2f ms; "
                    "drawing the cells median %.2f ms\n",
                    cells, sum / kFrames, presentMs[kFrames / 2], presentMs[kFrames * 9 / 10],
                    drawMs[kFrames / 2]);
    }
    return 0;
}
