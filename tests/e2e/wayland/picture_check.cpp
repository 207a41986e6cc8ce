// Draws on the first output through the program's Wayland pictures, frame after frame as the
// show does (cells copied from a surface, opaque text), taking the compositor's answers between
// frames, and the same in a picture in memory; then writes that one as a binary PPM, prints
// "ready" and waits for the end of its input. The script compares the file with what the
// compositor shows: a cell, or part of one, missing from a buffer shows as a difference.
// Usage: wayland_picture_check OUT.ppm
#include <QGuiApplication>

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <random>
#include <string>

#include "platform/wayland/output_surface.h"
#include "platform/wayland/wayland_connection.h"
#include "ppm_file.h"
#include "show/colour.h"
#include "show/surface.h"

using namespace orvane;

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
        std::fprintf(stderr, "wayland_picture_check: no output %s\n", reason.c_str());
        return 1;
    }
    OutputSurface window(*connection, *connection->outputs().front(), OutputSurface::Kind::Saver,
                         "Win0");
    const auto settle = [&] {  // the frame out if the compositor is ready, and its answers
        window.present();
        connection->flush();
        usleep(20000);
        return connection->roundtrip();
    };
    if (!settle() || !window.shown()) {
        std::fprintf(stderr, "wayland_picture_check: the surface was not shown\n");
        return 1;
    }
    constexpr int kCellWidth = 16;
    constexpr int kCellHeight = 20;
    Surface cells(window.clientWidth(), window.clientHeight());
    std::mt19937 random(30);
    const int columns = cells.width() / kCellWidth - 1;  // room for the cells off the grid
    const int rows = cells.height() / kCellHeight - 1;
    const auto cellX = [&] { return static_cast<int>(random() % columns) * kCellWidth; };
    const auto cellY = [&] { return static_cast<int>(random() % rows) * kCellHeight; };
    // The same drawing in a picture in memory: what the screen must show.
    WindowPicture expected(window.clientWidth(), window.clientHeight());
    auto canvas = window.getCanvas();
    auto expectedCanvas = expected.makeCanvas();
    for (int frame = 0; frame < 40; ++frame) {
        for (int i = 0; i < 30; ++i) {
            // Every third cell off the show's grid: the picture's own cells drawn in part.
            const int off = i % 3 == 0 ? 7 : 0;
            const Rect cell = Rect::fromSize(cellX() + off, cellY() + off, kCellWidth, kCellHeight);
            const Colour colour = rgb(static_cast<int>(random() & 0xFF), frame * 6, 0x80);
            for (int y = cell.top; y < cell.bottom; ++y) {
                for (int x = cell.left; x < cell.right; ++x) {
                    cells.setPixel(x, y, colour);
                }
            }
            canvas->copyFromSurface(cells, cell);
            expectedCanvas->copyFromSurface(cells, cell);
        }
        const int x = cellX();
        const int y = cellY();
        // Text on every other frame: the rain's frames copy cells only.
        for (Canvas* c : {canvas.get(), expectedCanvas.get()}) {
            if (frame % 2 == 1) {
                break;
            }
            c->setBackgroundMode(BackgroundMode::Opaque);
            c->setBackgroundColour(rgb(0, 0, frame * 6));
            c->setTextColour(rgb(255, 255 - frame * 6, 0));
            c->textOut(x, y, std::to_string(frame));
        }
        settle();
    }
    for (int i = 0; i < 25; ++i) {
        settle();  // the frames the compositor was not ready for, on a busy machine too
    }
    if (!writePpm(argv[1], expected.snapshot())) {
        std::fprintf(stderr, "wayland_picture_check: cannot write %s\n", argv[1]);
        return 1;
    }
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    return 0;
}
