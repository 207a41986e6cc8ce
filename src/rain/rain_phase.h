// The last phase of the show: the code rain on every window until a stop is requested, with
// its frame pacing and the power save that suspends it after the idle time the settings give.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "show/colour.h"

namespace orvane {

class ShowSequencer;
class RainWindow;

// Told after every pass of the phase (a rain frame, or a wake of the power save) with every
// window's rain: for tools and long tests that watch the rain's state.
using RainPassObserver =
    std::function<void(const std::vector<std::unique_ptr<RainWindow>>& windows, bool suspended)>;

constexpr std::uint32_t kRainFramePeriodMs = 40;
constexpr std::uint32_t kRainFrameNoSleepMs = 20;  // work this long or longer: no sleep at all
constexpr std::uint32_t kPowerSaveWakeMs = 100;
constexpr std::uint32_t kPowerSaveMessageMs = 6000;  // the text moves this often
constexpr std::int64_t kMsPerMinute = 60000;
constexpr int kPowerSaveTextPoints = 12;
constexpr Colour kPowerSaveTextColour = rgb(0, 128, 0);
constexpr int kPowerSaveLineSpacingPx = 16;
constexpr int kPowerSaveTextRoomPx = 528;  // x is drawn from the window width less this

constexpr const char* kPowerSaveTitleLine = "Power Save - The Orvane is suspended";
constexpr const char* kPowerSaveResumeLine = "Move mouse to resume. LMB or Escape to exit.";
constexpr const char* kPowerSaveExitLine = "Move mouse or press key to exit.";

// The sleep after a rain frame whose work took workMs: the rest of 40 ms, and none at all
// after 20 ms or more of work.
std::uint32_t rainFrameSleepMs(std::uint32_t workMs);

// True when idleMs is strictly more than the timeout (minutes; 0 or less: never). The limit is
// taken in 64 bits, so a timeout beyond the 32-bit tick range is simply never reached.
bool idleLimitPassed(std::uint32_t idleMs, std::int32_t suspendTimeoutMinutes);

// Sets the rain up on every window, runs frames about every 40 ms (or the power-save screen)
// until a stop is requested, then tears the rain down on every window.
void runRainPhase(ShowSequencer& show, const RainPassObserver& observer = {});

}  // namespace orvane
