// The show on a Wayland compositor: the mask strip (where the layer shell allows one under the
// show), one saver surface per output, the first (Win0) on the primary output (the desktop's
// own, else the one at logical 0,0), and the show after the start delay. Outputs plugged in
// mid-show are covered in black; one unplugged takes its surface with it; one whose size, scale
// or mode changes gets a picture of the new size. While the compositor shows none of the saver
// surfaces, the show is held (see WaylandPlatform). The program ends with 0 when input, a stop
// signal or the compositor's going ends the show; a compositor without outputs, or one that
// refuses a surface, gets a one-line reason and a non-zero code.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/platform_show.h"
#include "platform/posix/wakeup.h"
#include "platform/wayland/output_surface.h"
#include "platform/wayland/seat_input.h"
#include "platform/wayland/wayland_connection.h"
#include "platform/wayland/wayland_platform.h"

namespace orvane {

class StopWatcher;

class WaylandShow final : public PlatformShow<OutputSurface> {
public:
    WaylandShow(const Settings& settings, GlyphPicture picture,
                std::unique_ptr<WaylandConnection> connection);
    ~WaylandShow();

    WaylandShow(const WaylandShow&) = delete;
    WaylandShow& operator=(const WaylandShow&) = delete;

    // Puts a surface on every output; false, with the reason, where the compositor has no
    // outputs or refuses a surface.
    bool open(std::string& reason);
    // Plays the show until it is asked to stop; returns the exit code.
    int run(StopWatcher& watcher);

private:
    void pump();
    bool stopAsked() const;
    bool unseen() const;
    void coverOutput(WaylandOutput& output);
    void outputGone(WaylandOutput& output);
    void outputMoved(WaylandOutput& output);
    std::unique_ptr<OutputSurface> makeSurface(WaylandOutput& output, OutputSurface::Kind kind,
                                               const std::string& name);

    std::unique_ptr<WaylandConnection> connection_;  // first: everything below is on it
    Wakeup wake_;  // input, a stop, or the compositor's events for the show arrived
    std::unique_ptr<SeatInput> input_;
    std::unique_ptr<OutputSurface> mask_;
    std::vector<std::unique_ptr<OutputSurface>> covers_;
    WaylandPlatform platform_;
    bool gone_ = false;        // the compositor went away
    bool closeAsked_ = false;  // the compositor asked a toplevel to close
    // From the stop watcher's thread: a stop signal or input that ends the show, and activity.
    std::atomic<bool> stopped_{false};
    std::atomic<bool> activity_{false};
};

// Whether a compositor answers at WAYLAND_DISPLAY.
bool waylandCompositorAnswers();

// Runs the show on the compositor WAYLAND_DISPLAY names; the exit code.
int runWaylandShow(const Settings& settings, GlyphPicture picture, StopWatcher& watcher);

}  // namespace orvane
