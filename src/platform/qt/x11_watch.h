// The show's input on X11, read by the stop watcher's thread from an X connection of its own:
// the keyboard and the pointer grabbed on the first saver window, through the input rules, and
// at a stop every window of the show taken off the screen there and then. Or, for a window the
// program was given to draw in, a stop when that window is destroyed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/settings.h"
#include "platform/posix/stop_watcher.h"
#include "show/geometry.h"

namespace orvane {

// The show's input, for the watch to take over (X11 window ids).
struct InputWatch {
    std::uint32_t grabWindow = 0;            // the first saver window
    std::vector<std::uint32_t> hideOnStop;   // every window of the show, mask strip included
    Settings settings;
    Point pointerAtShow;                     // where the pointer was when the first window showed
};

// The keyboard and the pointer taken on the grab window. Null where that cannot be: not X11, no
// detectable key repeat, the grab refused; the windows' own input handlers then serve.
std::unique_ptr<WatchedInput> grabX11Input(InputWatch watch);
// Null where the window cannot be watched.
std::unique_ptr<WatchedInput> watchX11WindowLife(std::uint32_t window);

}  // namespace orvane
