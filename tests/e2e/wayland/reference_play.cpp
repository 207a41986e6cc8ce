// Plays one reference run of the show on the compositor's outputs, through the program's own
// Wayland windows under the run's fixed clock: each moment's pictures are held against the
// run's rows, each frame is put on screen as the show does. At the end it writes each window's
// picture as a binary PPM (OUT_PREFIX0.ppm, OUT_PREFIX1.ppm, ...), prints "ready", waits for
// the end of its input, and exits 0 when every row matched. The outputs must lie and measure
// as the run's monitors.
// Usage: wayland_reference_play RUN OUT_PREFIX
#include <QGuiApplication>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/wayland/output_surface.h"
#include "platform/wayland/shm_picture.h"
#include "platform/wayland/wayland_connection.h"
#include "ppm_file.h"
#include "reference/reference_show.h"

using namespace orvane;
using namespace orvane::reference;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wayland_reference_play RUN OUT_PREFIX\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // the fonts only
    QGuiApplication application(argc, argv);
    const auto& runs = referenceShowRuns();
    const auto run = std::find_if(runs.begin(), runs.end(), [&](const ShowRun& r) { return r.name == argv[1]; });
    std::string reason;
    auto connection = WaylandConnection::open(reason);
    if (run == runs.end() || !connection) {
        std::fprintf(stderr, "wayland_reference_play: no run '%s' or no compositor %s\n", argv[1], reason.c_str());
        return 1;
    }
    std::vector<std::unique_ptr<OutputSurface>> surfaces;
    RunWindows windows;
    for (const VirtualMonitor& m : run->monitors) {
        const Rect wanted = Rect::fromSize(m.left, m.top, m.width, m.height);
        for (const auto& output : connection->outputs()) {
            if (output->logicalRect() == wanted) {
                surfaces.push_back(std::make_unique<OutputSurface>(
                    *connection, *output, OutputSurface::Kind::Saver, "Win" + std::to_string(surfaces.size())));
            }
        }
    }
    const auto settle = [&] {  // the frames out where the compositor is ready, and its answers
        for (auto& surface : surfaces) {
            surface->present();
        }
        connection->flush();
        return connection->roundtrip();
    };
    settle();
    for (auto& surface : surfaces) {
        if (!surface->shown()) {
            break;
        }
        windows.windows.emplace_back(surface.get(), surface->picture());
    }
    if (windows.windows.size() != run->monitors.size()) {
        std::fprintf(stderr, "wayland_reference_play: the outputs are not the run's monitors\n");
        return 1;
    }
    windows.atMoment = [&](std::uint32_t) {
        usleep(10000);  // time for the compositor to take the last frame, as the show would give
        settle();
    };
    ReferenceRun references(run->name, referencePaths("show"));
    const bool matched = playReferenceRun(*run, references, &windows);
    for (int i = 0; i < 25; ++i) {
        settle();  // the last frames, on a busy machine too
        usleep(20000);
    }
    for (std::size_t i = 0; i < surfaces.size(); ++i) {
        if (!writePpm(argv[2] + std::to_string(i) + ".ppm", surfaces[i]->picture()->snapshot())) {
            return 1;
        }
    }
    if (!matched) {
        std::fprintf(stderr, "wayland_reference_play: %s\n", references.failure().c_str());
    }
    std::cout << "ready" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
    return matched ? 0 : 1;
}
