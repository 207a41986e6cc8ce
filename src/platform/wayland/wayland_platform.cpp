#include "platform/wayland/wayland_platform.h"

#include <poll.h>

#include "platform/posix/wakeup.h"

namespace orvane {

WaylandPlatform::WaylandPlatform(std::function<void()> pump, const Wakeup& wake,
                                 std::function<bool()> unseen)
    : pump_(std::move(pump)), wake_(wake), unseen_(std::move(unseen)) {}

bool WaylandPlatform::waitForWake(int milliseconds) {
    pollfd fd{wake_.fd(), POLLIN, 0};
    if (poll(&fd, 1, milliseconds) > 0) {
        wake_.drain();
        return true;
    }
    return false;
}

void WaylandPlatform::holdWhileUnseen() {
    if (!unseen_ || !unseen_()) {
        return;
    }
    const std::uint32_t start = PosixPlatform::ticks();
    do {
        waitForWake(kHeldPollMs);
        pump_();
    } while (unseen_());
    heldMs_ += PosixPlatform::ticks() - start;
}

void WaylandPlatform::sleep(std::uint32_t milliseconds) {
    const std::uint32_t start = ticks();
    pump_();
    holdWhileUnseen();
    for (;;) {
        const std::uint32_t spent = ticks() - start;
        if (spent >= milliseconds) {
            return;
        }
        if (waitForWake(static_cast<int>(milliseconds - spent))) {
            pump_();
        }
    }
}

void WaylandPlatform::processPendingMessages() {
    pump_();
    holdWhileUnseen();
}

}  // namespace orvane
