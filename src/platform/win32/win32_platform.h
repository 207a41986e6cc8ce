// Time, the message pump and machine facts on Windows. Every pump and every sleep first puts
// the windows' pending damage on screen, so each frame the show draws is presented once.
#pragma once

#include <cstdint>
#include <vector>

#include "show/platform.h"

namespace orvane {

class WindowPicture;

// A performance counter reading in milliseconds, wrapping at 32 bits as the show's ticks do;
// exact for any count and frequency (no overflow of count * 1000).
std::uint32_t counterMilliseconds(std::uint64_t count, std::uint64_t frequency);

// While one lives, the system timer steps by 1 ms (timeBeginPeriod), so that Sleep keeps the
// show's 40 ms frames, typing delays and 10 ms erasers instead of rounding them up to the
// default 15.6 ms steps. Given back on every way out of its scope.
class FineTimerResolution {
public:
    FineTimerResolution();
    ~FineTimerResolution();
    FineTimerResolution(const FineTimerResolution&) = delete;
    FineTimerResolution& operator=(const FineTimerResolution&) = delete;

private:
    bool granted_ = false;
};

class Win32Platform final : public Platform {
public:
    Win32Platform();

    void addPicture(WindowPicture& picture) { pictures_.push_back(&picture); }
    void presentAll();

    // Milliseconds of the performance counter, in 1 ms steps (GetTickCount steps by 15.6 ms);
    // wraps every 49.7 days, as the show expects.
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
    std::uint64_t counterFrequency_ = 0;
};

}  // namespace orvane
