// Time, the message pump and machine facts on Windows. Every pump and every sleep first puts
// the windows' pending damage on screen, so each frame the show draws is presented once.
#pragma once

#include <vector>

#include "show/platform.h"

namespace orvane {

class WindowPicture;

class Win32Platform final : public Platform {
public:
    void addPicture(WindowPicture& picture) { pictures_.push_back(&picture); }
    void presentAll();

    // GetTickCount: wraps every 49.7 days, as the show expects.
    std::uint32_t ticks() override;
    // Presents, then sleeps what is left of the time.
    void sleep(std::uint32_t milliseconds) override;
    // PeekMessageW until the queue is empty. A quit message met here is put back for the
    // program's own loop, and the show is told to stop through onQuit.
    void processPendingMessages() override;
    std::uint32_t millisecondsSinceMidnightUtc() override;
    LocalDateTime localDateTime() override;
    std::optional<std::string> loggedOnUserName() override;

    // Runs when a quit message arrives while the show pumps.
    void (*onQuit)(void* context) = nullptr;
    void* onQuitContext = nullptr;

private:
    std::vector<WindowPicture*> pictures_;
};

}  // namespace orvane
