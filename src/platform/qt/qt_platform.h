// Time, the event pump and machine facts on the real system. Every pump and every sleep first
// puts the pictures' pending damage on screen, so each frame the show draws is presented once.
#pragma once

#include <vector>

#include "platform/posix/posix_platform.h"

namespace orvane {

class ScreenPicture;

class QtPlatform final : public PosixPlatform {
public:
    void addPicture(ScreenPicture& picture) { pictures_.push_back(&picture); }
    void presentAll();

    // Presents, then sleeps what is left of the time.
    void sleep(std::uint32_t milliseconds) override;
    void processPendingMessages() override;

private:
    std::vector<ScreenPicture*> pictures_;
};

}  // namespace orvane
