#include "platform/wayland/wayland_platform.h"

#include <QCoreApplication>

#include <poll.h>

namespace orvane {

WaylandPlatform::WaylandPlatform(std::function<void()> pump, std::function<void()> drain,
                                 int wakeFd)
    : pump_(std::move(pump)), drain_(std::move(drain)), wakeFd_(wakeFd) {}

void WaylandPlatform::sleep(std::uint32_t milliseconds) {
    const std::uint32_t start = ticks();
    pump_();
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
}

}  // namespace orvane
