// Draws on the first output through the program's Wayland pictures, frame after frame as the
// show does (cells copied from a surface, opaque text), waiting between frames for what the
// compositor answers; then writes what the picture holds as a binary PPM, prints "ready" and
// waits for the end of its input. The script compares that file with what the compositor
// shows: a cell missing from one of the buffers shows as a difference.
// Usage: wayland_picture_check OUT.ppm
#include <QGuiApplication>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "platform/wayland/output_surface.h"
#include "platform/wayland/wayland_connection.h"
#include "show/colour.h"
#include "show/surface.h"

using namespace orvane;

namespace {

constexpr int kFrames = 40;
constexpr int kCellsPerFrame = 30;
constexpr int kCellWidth = 16;
constexpr int kCellHeight = 20;

// Sends the frame if the compositor is ready for it, and takes its answers.
void settle(WaylandConnection& connection, OutputSurface& window) {
    window.present();
    connection.flush();
    usleep(20000);
    connection.roundtrip();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wayland_picture_check OUT.ppm\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // the fonts only
    QGuiApplication application(argc, argv);
    std::string reason;
    auto connection = WaylandConnection::open(reason);
    if (!connection || connection->outputs().empty()) {
        std::fprintf(stderr, "wayland_picture_check: %s\n", connection ? "no output" : reason.c_str());
        return 1;
    }
    OutputSurface window(*connection, *connection->outputs().front(), OutputSurface::Kind::Saver,
                         "Win0");
    connection->roundtrip();
    connection->roundtrip();
    if (!window.shown()) {
        std::fprintf(stderr, "wayland_picture_check: the surface was not shown\n");
        return 1;
    }
    const int columns = window.clientWidth() / kCellWidth;
    const int rows = window.clientHeight() / kCellHeight;
    Surface cells(window.clientWidth(), window.clientHeight());
    std::mt19937 random(30);
    auto canvas = window.getCanvas();
    for (int frame = 0; frame < kFrames; ++frame) {
        for (int i = 0; i < kCellsPerFrame; ++i) {
            const int x = static_cast<int>(random() % columns) * kCellWidth;
            const int y = static_cast<int>(random() % rows) * kCellHeight;
            const Colour colour = rgb(static_cast<int>(random() & 0xFF),
                                      static_cast<int>(random() & 0xFF), frame * 6);
            for (int row = y; row < y + kCellHeight; ++row) {
                for (int column = x; column < x + kCellWidth; ++column) {
                    cells.setPixel(column, row, colour);
                }
            }
            canvas->copyFromSurface(cells, Rect::fromSize(x, y, kCellWidth, kCellHeight));
        }
        canvas->setBackgroundMode(BackgroundMode::Opaque);
        canvas->setBackgroundColour(rgb(0, 0, frame * 6));
        canvas->setTextColour(rgb(255, 255 - frame * 6, 0));
        canvas->textOut(static_cast<int>(random() % columns) * kCellWidth,
                        static_cast<int>(random() % rows) * kCellHeight, std::to_string(frame));
        settle(*connection, window);
    }
    for (int i = 0; i < 10; ++i) {
        settle(*connection, window);  // the frames the compositor was not ready for
    }
    canvas.reset();
    const PixelPicture picture = window.picture()->snapshot();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", picture.width, picture.height);
    for (const std::uint32_t pixel : picture.pixels) {
        const unsigned char rgbBytes[3] = {static_cast<unsigned char>(pixel >> 16),
                                           static_cast<unsigned char>(pixel >> 8),
                                           static_cast<unsigned char>(pixel)};
        std::fwrite(rgbBytes, 1, 3, out);
    }
    std::fclose(out);
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
