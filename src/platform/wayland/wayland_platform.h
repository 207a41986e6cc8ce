// Time, the pump and machine facts for the show on Wayland. The pump runs what arrived from
// the compositor and from input, and puts each picture's pending frame on its surface; a sleep
// pumps whenever something arrives in the meantime, so a frame the compositor was not ready
// for goes out as soon as it is. While the compositor shows none of the show's surfaces (its
// outputs powered off, the surfaces hidden), a sleep or a pump holds the show until it does
// again, or until the show is to stop, and the show's clock stands still meanwhile: every
// timing of the show is measured against it, so the show goes on where it was, with nothing
// to catch up.
#pragma once

#include <functional>

#include "platform/qt/qt_platform.h"
#include "show/platform.h"

namespace orvane {

class WaylandPlatform final : public Platform {
public:
    // pump: takes what arrived and presents; wakeFd: readable when something arrived;
    // unseen: nothing of the show is being shown, and it is not to stop.
    WaylandPlatform(std::function<void()> pump, std::function<void()> drain, int wakeFd,
                    std::function<bool()> unseen);

    std::uint32_t ticks() override { return facts_.ticks() - heldMs_; }
    void sleep(std::uint32_t milliseconds) override;
    void processPendingMessages() override;
    std::uint32_t millisecondsSinceMidnightUtc() override {
        return facts_.millisecondsSinceMidnightUtc();
    }
    LocalDateTime localDateTime() override { return facts_.localDateTime(); }
    std::optional<std::string> loggedOnUserName() override { return facts_.loggedOnUserName(); }

    // How often a held show looks for a stop signal (which comes through Qt's queue).
    static constexpr int kHeldPollMs = 250;

private:
    void holdWhileUnseen();

    QtPlatform facts_;  // the clock and the system's facts are the same as with Qt's windows
    std::function<void()> pump_;
    std::function<void()> drain_;
    int wakeFd_;
    std::function<bool()> unseen_;
    std::uint32_t heldMs_ = 0;  // the time the show was held, left out of its clock
};

}  // namespace orvane
