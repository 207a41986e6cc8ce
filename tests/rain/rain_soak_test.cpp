// A day of rain on the virtual platform: three monitors of different sizes, the tick count
// wrapping ten minutes in, the power save coming on and being woken again and again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "platform/virtual/virtual_show.h"
#include "rain/rain_phase.h"
#include "rain/rain_window.h"

namespace orvane {
namespace {

constexpr std::uint32_t kMinuteMs = 60'000;
constexpr std::uint32_t kHourMs = 60 * kMinuteMs;

// A day, or fewer hours where ORVANE_SOAK_HOURS says so (the sanitizer run is ten times slower).
std::uint32_t soakHours() {
    const char* hours = std::getenv("ORVANE_SOAK_HOURS");
#ifdef ORVANE_SANITIZED_BUILD
    constexpr int kDefaultHours = 3;
#else
    constexpr int kDefaultHours = 24;
#endif
    const int h = hours != nullptr ? std::atoi(hours) : kDefaultHours;
    return static_cast<std::uint32_t>(std::clamp(h, 3, 24));
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

TEST(RainSoak, ADayOnThreeMonitorsAcrossTheTickWrap) {
    const std::uint32_t kDayMs = soakHours() * kHourMs;
    VirtualShow vs({VirtualMonitor{0, 0, 320, 240}, VirtualMonitor{320, 0, 480, 200},
                    VirtualMonitor{800, 0, 240, 400}},
                   0xFFFFFFFFu - 10 * kMinuteMs);
    vs.settings.suspendTimeout = 5;  // minutes
    vs.settings.useEscapeLmbExit = true;  // input wakes the power save instead of ending the show
    vs.settings.densityFraction = 1.0;
    vs.platform.utcMsSinceMidnight = 4242;
    // A pointer move every hour: five minutes of rain, then power save until the next one.
    int moves = 0;
    for (std::uint32_t at = kHourMs; at < kDayMs; at += kHourMs, ++moves) {
        vs.platform.scriptMouseMove(at, moves % 3, Point{moves % 2 ? 0 : 400, 100});
    }
    vs.platform.scriptAction(kDayMs, [&] { vs.control.requestStop(); });

    std::size_t mostInterchanges = 0;
    std::size_t mostOnWindow[3] = {};
    int suspends = 0;
    int wakes = 0;
    bool wasSuspended = false;
    std::uint64_t rainFrames = 0;
    long residentAfterTwoHours = -1;
    long residentAtEnd = -1;
    bool sawWrap = false;
    std::uint32_t previousTick = vs.platform.peekTicks();
    runRainPhase(vs.show(), [&](const std::vector<std::unique_ptr<RainWindow>>& windows,
                                bool suspended) {
        if (suspended && !wasSuspended) ++suspends;
        if (!suspended && wasSuspended) ++wakes;
        wasSuspended = suspended;
        if (!suspended) ++rainFrames;
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const std::size_t n = windows[i]->interchanges.size();
            mostInterchanges = std::max(mostInterchanges, n);
            mostOnWindow[i] = std::max(mostOnWindow[i], n);
        }
        const std::uint32_t tick = vs.platform.peekTicks();
        sawWrap = sawWrap || tick < previousTick;
        previousTick = tick;
        const std::uint32_t elapsed = vs.platform.elapsedMs();
        if (residentAfterTwoHours < 0 && elapsed >= 2 * kHourMs) {
            residentAfterTwoHours = residentKilobytes();
        }
        if (residentAtEnd < 0 && elapsed >= kDayMs - kMinuteMs) {
            residentAtEnd = residentKilobytes();
        }
    });

    EXPECT_GE(vs.platform.elapsedMs(), kDayMs);
    EXPECT_TRUE(sawWrap);
    EXPECT_EQ(suspends, moves + 1);  // every idle stretch ends in power save, the last one too
    EXPECT_EQ(wakes, moves);
    EXPECT_GT(rainFrames, soakHours() * 5 * kMinuteMs / 40 * 9 / 10);  // five minutes of every hour
    // The interchange lists stay bounded: the random spots come at most 8100 a second and live
    // at most 4.4 s; tail erasers add one per step of a falling run.
    EXPECT_LT(mostInterchanges, 5000u);
    for (std::size_t n : mostOnWindow) {
        EXPECT_GT(n, 0u);
    }
    ASSERT_GT(residentAfterTwoHours, 0);
#ifndef ORVANE_SANITIZED_BUILD  // AddressSanitizer keeps freed memory in quarantine on purpose
    EXPECT_LT(residentAtEnd - residentAfterTwoHours, 4096) << "kilobytes grown after two hours";
#endif
    RecordProperty("most_interchanges", static_cast<int>(mostInterchanges));
    std::cout << "most interchanges on a window: " << mostOnWindow[0] << ", " << mostOnWindow[1]
              << ", " << mostOnWindow[2] << "; rain frames " << rainFrames << "; resident "
              << residentAfterTwoHours << " kB after 2 h, " << residentAtEnd << " kB at the end\n";
}

}  // namespace
}  // namespace orvane
