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

class X11Watch final : public WatchedInput {
public:
    // Null where it cannot: not X11, no detectable key repeat, the grab refused. The windows'
    // own input handlers then serve.
    static std::unique_ptr<X11Watch> grabInput(InputWatch watch);
    // Null where the window cannot be watched.
    static std::unique_ptr<X11Watch> windowLife(std::uint32_t window);
    ~X11Watch() override;

    X11Watch(const X11Watch&) = delete;
    X11Watch& operator=(const X11Watch&) = delete;

    int prepare(int& timeoutMs) override;
    void take(bool readable) override;
    void showStopping() override;

    struct Connection;

private:
    explicit X11Watch(std::unique_ptr<Connection> connection);

    std::unique_ptr<Connection> connection_;
};

}  // namespace orvane
