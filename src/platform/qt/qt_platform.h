// Time, the event pump and machine facts on the real system. Every pump and every sleep first
// puts the pictures' pending damage on screen, so each frame the show draws is presented once.
#pragma once

#include <vector>

#include "show/platform.h"

namespace orvane {

class ScreenPicture;

class QtPlatform final : public Platform {
public:
    void addPicture(ScreenPicture& picture) { pictures_.push_back(&picture); }
    void presentAll();

    std::uint32_t ticks() override;
    // Presents, then sleeps what is left of the time.
    void sleep(std::uint32_t milliseconds) override;
    void processPendingMessages() override;
    std::uint32_t millisecondsSinceMidnightUtc() override;
    LocalDateTime localDateTime() override;
    std::optional<std::string> loggedOnUserName() override;

private:
    std::vector<ScreenPicture*> pictures_;
};

}  // namespace orvane
