// The saver windows' small Windows rules: the show's ticks from the performance counter, and
// which system commands the windows swallow.
#include <gtest/gtest.h>

#include "platform/win32/saver_window.h"
#include "platform/win32/win32_platform.h"

namespace orvane {
namespace {

TEST(Win32Ticks, CounterReadingsBecomeWrappingMillisecondsWithoutOverflow) {
    constexpr std::uint64_t k10MHz = 10'000'000;
    // 5 s and 12,345 counts: 12345 / 10^4 = 1.2345 -> 1 ms, truncated like a tick count.
    EXPECT_EQ(counterMilliseconds(5 * k10MHz + 12'345, k10MHz), 5001u);
    // 2^32 + 7 ms after the start wraps to 7, as GetTickCount does.
    EXPECT_EQ(counterMilliseconds(((1ull << 32) + 7) * 10'000, k10MHz), 7u);
    // A 3 GHz counter ten years on: count * 1000 would pass 2^64 (9.46e17 * 1000).
    constexpr std::uint64_t k3GHz = 3'000'000'000;
    constexpr std::uint64_t kTenYearsS = 315'360'000;
    EXPECT_EQ(counterMilliseconds(kTenYearsS * k3GHz + k3GHz / 2, k3GHz),
              static_cast<std::uint32_t>(kTenYearsS * 1000 + 500));
    EXPECT_EQ(counterMilliseconds(123, 0), 0u) << "no counter: no division by zero";
}

TEST(Win32SaverWindow, SwallowsTheScreenSaveCommandWhateverItsLowBitsAndNoOther) {
    EXPECT_TRUE(isScreenSaveCommand(SC_SCREENSAVE));
    EXPECT_TRUE(isScreenSaveCommand(SC_SCREENSAVE | 0x1));  // Windows' own low bits
    EXPECT_TRUE(isScreenSaveCommand(SC_SCREENSAVE | 0xF));
    for (WPARAM other : {SC_CLOSE, SC_MONITORPOWER, SC_KEYMENU, SC_TASKLIST, SC_SCREENSAVE + 0x10,
                         SC_SCREENSAVE - 0x10}) {
        EXPECT_FALSE(isScreenSaveCommand(other)) << std::hex << other;
    }
}

}  // namespace
}  // namespace orvane
