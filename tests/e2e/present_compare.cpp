// Draws a known sequence through the Qt canvas of a real window (rain cells copied from a
// surface, the wipe's rings, a whole-window clear, text, a copy within the window), presents
// each step by the path the environment chooses, reads the window back from the X server and
// compares it with the window picture pixel for pixel. Prints the path and each step; exit code
// 0 when every step matched, 1 at the first mismatch, 2 when it cannot run (no X11).
// With "argb" the window is 32 bits deep (a visual with alpha, as a compositing desktop or a
// daemon may give), otherwise the screen's 24.
// Usage: present_compare [x11-shm|backingstore] [argb]   (run on a real X server or Xvfb)
#include <QGuiApplication>
#include <QSurfaceFormat>
#include <QTest>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "platform/image/image_canvas.h"
#include "platform/qt/screen_picture.h"
#include "show/platform.h"
#include "show/surface.h"
#include "show/text_ops.h"

namespace {

using namespace orvane;

constexpr int kWidth = 640;
constexpr int kHeight = 400;

// The first pixel that differs, or -1.
long firstDifference(xcb_connection_t* connection, xcb_window_t window, const QImage& expected) {
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, kWidth, kHeight, ~0u),
        nullptr);
    if (image == nullptr || xcb_get_image_data_length(image) < 4 * kWidth * kHeight) {
        std::free(image);
        return 0;
    }
    const auto* pixels = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image));
    long difference = -1;
    for (int y = 0; y < kHeight && difference < 0; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t want = expected.pixel(x, y) & 0xFFFFFFu;
            const std::uint32_t got = pixels[y * kWidth + x] & 0xFFFFFFu;
            if (want != got) {
                std::printf("  pixel %d,%d: window %06x, picture %06x\n", x, y, got, want);
                difference = long{y} * kWidth + x;
                break;
            }
        }
    }
    std::free(image);
    return difference;
}

int depthOf(xcb_connection_t* connection, xcb_window_t window) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const int depth = geometry != nullptr ? geometry->depth : 0;
    std::free(geometry);
    return depth;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        setenv(kPresentPathVariable, argv[1], 1);
    }
    QGuiApplication app(argc, argv);
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        std::fprintf(stderr, "present_compare: needs an X11 display\n");
        return 2;
    }
    QWindow window;
    window.setSurfaceType(QSurface::RasterSurface);
    window.setFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(0, 0, kWidth, kHeight);
    if (argc > 2 && std::strcmp(argv[2], "argb") == 0) {
        QSurfaceFormat format = window.format();
        format.setAlphaBufferSize(8);
        window.setFormat(format);
    }
    std::unique_ptr<ScreenPicture> picture = makeScreenPicture(window, kWidth, kHeight, 24, 96);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "present_compare: the window was not exposed\n");
        return 2;
    }
    picture->presentWhole();
    std::printf("path %s\n", picture->pathName());
    std::printf("depth %d\n", depthOf(x11->connection(), static_cast<xcb_window_t>(window.winId())));

    Surface surface(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            surface.setPixel(x, y, rgb((x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF));
        }
    }
    auto canvas = picture->makeCanvas();
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"rain cells", [&] {
             // A run's five cells down one column, and scattered single cells.
             for (int row = 3; row < 8; ++row) {
                 canvas->copyFromSurface(surface, Rect::fromSize(5 * 16, row * 20, 16, 20));
             }
             for (int i = 0; i < 200; ++i) {
                 canvas->copyFromSurface(surface, Rect::fromSize((i * 37) % 40 * 16, (i * 11) % 20 * 20, 16, 20));
             }
         }},
        {"strips of different widths touching", [&] {
             // Three cells of a row over one cell: merged rows of other widths stay apart.
             for (int column = 10; column < 13; ++column) {
                 canvas->copyFromSurface(surface, Rect::fromSize(column * 16, 12 * 20, 16, 20));
             }
             canvas->copyFromSurface(surface, Rect::fromSize(10 * 16, 13 * 20, 16, 20));
             canvas->copyFromSurface(surface, Rect::fromSize(30 * 16, 14 * 20, 16, 20));
             canvas->copyFromSurface(surface, Rect::fromSize(30 * 16, 15 * 20, 48, 20));
         }},
        {"wipe rings", [&] {
             // Over a picture, as the wipe goes over the desktop: a ring's edge that reached
             // the window picture but not the screen shows.
             canvas->copyFromSurface(surface, Rect::fromSize(0, 0, kWidth, kHeight));
             canvas->selectPen({kBlack, 60});
             canvas->selectBrush({true, kBlack});
             for (int r = 10; r < 200; r += 30) {
                 canvas->ellipse({320 - r, 200 - r, 320 + r, 200 + r});  // each ring presents
             }
         }},
        {"cells on the rings", [&] {
             for (int i = 0; i < 300; ++i) {
                 canvas->copyFromSurface(surface, Rect::fromSize((i * 13) % 40 * 16, (i * 7) % 20 * 20, 16, 20));
             }
         }},
        {"text", [&] {
             canvas->setTextColour(rgb(80, 248, 7));
             canvas->setBackgroundColour(kBlack);
             canvas->textOut(30, 300, "CALL LOG 5550690");
         }},
        {"copy within the window", [&] { canvas->copyWithin({0, 0, 320, 200}, {300, 180}); }},
        {"whole-window clear", [&] { fillRectColour(*canvas, {0, 0, kWidth, kHeight}, kBlack); }},
        {"cells after the clear", [&] {
             for (int i = 0; i < 50; ++i) {
                 canvas->copyFromSurface(surface, Rect::fromSize((i * 3) % 40 * 16, (i * 17) % 20 * 20, 16, 20));
             }
         }},
    };
    auto* connection = x11->connection();
    const auto windowId = static_cast<xcb_window_t>(window.winId());
    int failed = 0;
    for (const auto& [name, draw] : steps) {
        draw();
        picture->present();
        QCoreApplication::processEvents();
        const long difference = firstDifference(connection, windowId, imageOf(*picture));
        std::printf("%s: %s\n", difference < 0 ? "same" : "DIFFERENT", name);
        failed += difference < 0 ? 0 : 1;
    }
    return failed == 0 ? 0 : 1;
}
