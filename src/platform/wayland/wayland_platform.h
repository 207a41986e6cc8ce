// Time, the pump and machine facts for the show on Wayland. The pump runs what arrived from
// the compositor and from input, and puts each picture's pending frame on its surface; a sleep
// pumps whenever something arrives, so a frame the compositor was not ready for goes out as
// soon as it is. While the compositor shows none of the show's surfaces (outputs powered off,
// surfaces hidden), a sleep or a pump holds the show until it does or the show is to stop, and
// the show's clock stands still meanwhile: the show goes on where it was, nothing to catch up.
#pragma once

#include <functional>

#include "platform/posix/posix_platform.h"

namespace orvane {

class Wakeup;

class WaylandPlatform final : public PosixPlatform {
public:
    // pump: takes what arrived and presents; wake: notified when something arrived (input, a
    // stop, the compositor's events); unseen: nothing of the show is being shown, and it is not
    // to stop.
    WaylandPlatform(std::function<void()> pump, const Wakeup& wake, std::function<bool()> unseen);

    std::uint32_t ticks() override { return PosixPlatform::ticks() - heldMs_; }
    void sleep(std::uint32_t milliseconds) override;
    void processPendingMessages() override;

    // How often a held show pumps when nothing woke it.
    static constexpr int kHeldPollMs = 250;

private:
    void holdWhileUnseen();
    // Sleeps until something arrives or the time is up; true when something arrived.
    bool waitForWake(int milliseconds);

    std::function<void()> pump_;
    const Wakeup& wake_;
    std::function<bool()> unseen_;
    std::uint32_t heldMs_ = 0;  // the time the show was held, left out of its clock
};

}  // namespace orvane
