// Draws through the program's own Wayland windows, writes as PPMs what the screen must then
// show (for the sway test to hold against grim's pictures), prints "ready", waits for the end
// of its input, and exits 0 when its own checks passed. "picture OUT.ppm": on the output at 0,0,
// cells copied from a surface (some off the show's grid) and, every other frame, text, against
// the same drawing in memory. "run RUN OUT_PREFIX": a reference run on the outputs that match
// its monitors, each moment held against its rows; OUT_PREFIX0.ppm... are the last pictures.
#include <QGuiApplication>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>

#include "platform/image/image_canvas.h"
#include "platform/wayland/output_surface.h"
#include "platform/wayland/shm_picture.h"
#include "platform/wayland/wayland_connection.h"
#include "reference/reference_show.h"
#include "show/colour.h"
#include "show/surface.h"

using namespace orvane;

namespace {

bool writePpm(const std::string& file, const PixelPicture& picture) {
    return toQImage(picture).save(QString::fromStdString(file), "PPM");
}

class Check {
public:
    explicit Check(WaylandConnection& connection) : connection_(connection) {}

    // A window on the output, shown; null where the compositor did not show it.
    OutputSurface* open(WaylandOutput& output) {
        windows_.push_back(
            std::make_unique<OutputSurface>(connection_, output, OutputSurface::Kind::Saver,
                                            "Win" + std::to_string(windows_.size())));
        settle();
        return windows_.back()->shown() ? windows_.back().get() : nullptr;
    }
    // The frames out where the compositor is ready, and its answers.
    void settle() {
        for (auto& window : windows_) {
            window->present();
        }
        connection_.flush();
        usleep(20000);
        connection_.roundtrip();
    }
    void finish() {
        for (int i = 0; i < 25; ++i) {
            settle();  // the last frames, on a busy machine too
        }
    }

private:
    WaylandConnection& connection_;
    std::vector<std::unique_ptr<OutputSurface>> windows_;
};

bool drawPicture(Check& check, OutputSurface& window, const std::string& out) {
    constexpr int kCellWidth = 16;
    constexpr int kCellHeight = 20;
    Surface cells(window.clientWidth(), window.clientHeight());
    std::mt19937 random(30);
    const int columns = cells.width() / kCellWidth - 1;  // room for the cells off the grid
    const int rows = cells.height() / kCellHeight - 1;
    const auto cellX = [&] { return static_cast<int>(random() % columns) * kCellWidth; };
    const auto cellY = [&] { return static_cast<int>(random() % rows) * kCellHeight; };
    WindowPicture expected(window.clientWidth(), window.clientHeight());
    auto canvas = window.getCanvas();
    auto expectedCanvas = expected.makeCanvas();
    for (int frame = 0; frame < 40; ++frame) {
        for (int i = 0; i < 30; ++i) {
            const int off = i % 3 == 0 ? 7 : 0;  // every third cell off the grid
            const Rect cell = Rect::fromSize(cellX() + off, cellY() + off, kCellWidth, kCellHeight);
            const Colour colour = rgb(static_cast<int>(random() & 0xFF), frame * 6, 0x80);
            for (int y = cell.top; y < cell.bottom; ++y) {
                std::fill_n(cells.row(y) + cell.left, cell.width(), Surface::toPixel(colour));
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
        check.settle();
    }
    check.finish();
    return writePpm(out, expected.snapshot());
}

bool playRun(Check& check, WaylandConnection& connection, const std::string& name,
             const std::string& out) {
    using namespace orvane::reference;
    const ShowRun* run = nullptr;
    for (const ShowRun& r : referenceShowRuns()) {
        run = r.name == name ? &r : run;
    }
    RunWindows windows;
    for (const VirtualMonitor& m : run != nullptr ? run->monitors : std::vector<VirtualMonitor>{}) {
        for (const auto& output : connection.outputs()) {
            if (output->logicalRect() == Rect::fromSize(m.left, m.top, m.width, m.height)) {
                if (OutputSurface* window = check.open(*output)) {
                    windows.windows.push_back(window);
                }
            }
        }
    }
    if (run == nullptr || windows.windows.size() != run->monitors.size()) {
        std::fprintf(stderr, "wayland_screen_check: no run '%s' with these outputs\n",
                     name.c_str());
        return false;
    }
    windows.atMoment = [&](std::uint32_t) { check.settle(); };
    ReferenceRun references(run->name, referencePaths("show"));
    const bool matched = playReferenceRun(*run, references, &windows);
    if (!matched) {
        std::fprintf(stderr, "wayland_screen_check: %s\n", references.failure().c_str());
    }
    check.finish();
    for (std::size_t i = 0; i < windows.windows.size(); ++i) {
        if (!writePpm(out + std::to_string(i) + ".ppm", windows.windows[i]->shownPicture()->snapshot())) {
            return false;
        }
    }
    return matched;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!((mode == "picture" && argc == 3) || (mode == "run" && argc == 4))) {
        std::fprintf(stderr, "usage: wayland_screen_check picture OUT.ppm | run RUN OUT_PREFIX\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // the fonts only
    QGuiApplication application(argc, argv);
    std::string reason;
    auto connection = WaylandConnection::open(reason);
    if (!connection || connection->outputs().empty()) {
        std::fprintf(stderr, "wayland_screen_check: no output %s\n", reason.c_str());
        return 1;
    }
    Check check(*connection);
    bool passed = false;
    if (mode == "run") {
        passed = playRun(check, *connection, argv[2], argv[3]);
    } else {
        // The output at 0,0, where the show puts Win0, whatever order the compositor announces
        // the outputs in (sway 1.10 tells of the second one first).
        const auto& outputs = connection->outputs();
        const auto atOrigin = std::find_if(outputs.begin(), outputs.end(), [](const auto& o) {
            const Rect rect = o->logicalRect();
            return rect.left == 0 && rect.top == 0;
        });
        if (OutputSurface* window = check.open(atOrigin != outputs.end() ? **atOrigin
                                                                          : *outputs.front())) {
            passed = drawPicture(check, *window, argv[2]);
        }
    }
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    return passed ? 0 : 1;
}
