#include "platform/wayland/wayland_platform.h"

#include <QCoreApplication>

#include <poll.h>

namespace orvane {

WaylandPlatform::WaylandPlatform(std::function<void()> pump, std::function<void()> drain,
                                 int wakeFd, std::function<bool()> unseen)
    : pump_(std::move(pump)), drain_(std::move(drain)), wakeFd_(wakeFd),
      unseen_(std::move(unseen)) {}

void WaylandPlatform::holdWhileUnseen() {
    if (!unseen_ || !unseen_()) {
        return;
    }
    const std::uint32_t start = facts_.ticks();
    do {
        pollfd fd{wakeFd_, POLLIN, 0};
        if (poll(&fd, 1, kHeldPollMs) > 0) {
            drain_();
        }
        QCoreApplication::processEvents();
        pump_();
    } while (unseen_());
    heldMs_ += facts_.ticks() - start;
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
        pollfd fd{wakeFd_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(milliseconds - spent)) > 0) {
            drain_();
            pump_();
        }
    }
}

void WaylandPlatform::processPendingMessages() {
    // Stop signals reach the show through the application's queue.
    QCoreApplication::processEvents();
    pump_();
    holdWhileUnseen();
}

}  // namespace orvane
