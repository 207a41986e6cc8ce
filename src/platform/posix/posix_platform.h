// The clock and the machine facts the show asks for, the same on every POSIX platform; each
// platform adds its own sleep and message pump.
#pragma once

#include "show/platform.h"

namespace orvane {

class PosixPlatform : public Platform {
public:
    // The steady clock in milliseconds, wrapping every 49.7 days as the show expects.
    std::uint32_t ticks() override;
    std::uint32_t millisecondsSinceMidnightUtc() final;
    LocalDateTime localDateTime() final;
    std::optional<std::string> loggedOnUserName() final;
};

}  // namespace orvane
