// Time, the pump and machine facts for the show on Wayland. The pump runs what arrived from
// the compositor and from input, and puts each picture's pending frame on its surface; a sleep
// pumps whenever something arrives in the meantime, so a frame the compositor was not ready
// for goes out as soon as it is.
#pragma once

#include <functional>

#include "platform/qt/qt_platform.h"
#include "show/platform.h"

namespace orvane {

class WaylandPlatform final : public Platform {
public:
    // pump: takes what arrived and presents; wakeFd: readable when something arrived.
    WaylandPlatform(std::function<void()> pump, std::function<void()> drain, int wakeFd);

    std::uint32_t ticks() override { return facts_.ticks(); }
    void sleep(std::uint32_t milliseconds) override;
    void processPendingMessages() override;
    std::uint32_t millisecondsSinceMidnightUtc() override {
        return facts_.millisecondsSinceMidnightUtc();
    }
    LocalDateTime localDateTime() override { return facts_.localDateTime(); }
    std::optional<std::string> loggedOnUserName() override { return facts_.loggedOnUserName(); }

private:
    QtPlatform facts_;  // the clock and the system's facts are the same as with Qt's windows
    std::function<void()> pump_;
    std::function<void()> drain_;
    int wakeFd_;
};

}  // namespace orvane
