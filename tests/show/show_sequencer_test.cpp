#include <gtest/gtest.h>

#include <vector>

#include "platform/virtual/virtual_show.h"
#include "show/pixel_memory.h"
#include "show/ticks.h"

namespace orvane {
namespace {

TEST(Ticks, BeforeHoldsAcrossTheWrap) {
    const std::uint32_t beforeWrap = 0xFFFFFFFFu - 15;  // 16 ms before the counter wraps
    const std::uint32_t afterWrap = 16;
    EXPECT_TRUE(tickBefore(beforeWrap, afterWrap));
    EXPECT_FALSE(tickBefore(afterWrap, beforeWrap));
    EXPECT_FALSE(tickBefore(1234, 1234));
    EXPECT_TRUE(tickBefore(1, 0x80000000u));   // exactly half the range apart
    EXPECT_TRUE(tickBefore(1, 0x80000001u));
    EXPECT_FALSE(tickBefore(1, 0x80000002u));  // more than half apart: the later one wrapped
}

TEST(Sequencer, PumpsAtMostOncePerFiftyMilliseconds) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    const int start = vs.platform.pumpCount();
    show.shouldStop();  // the first poll after construction always pumps
    EXPECT_EQ(vs.platform.pumpCount(), start + 1);
    show.shouldStop();  // at once again: no pump
    EXPECT_EQ(vs.platform.pumpCount(), start + 1);
    vs.platform.advance(50'000);
    show.shouldStop();  // 50 ms and a little: not more than 50 whole milliseconds
    EXPECT_EQ(vs.platform.pumpCount(), start + 1);
    vs.platform.advance(1'000);
    show.shouldStop();  // past 50 ms
    EXPECT_EQ(vs.platform.pumpCount(), start + 2);
    int pumpsIn200Ms = vs.platform.pumpCount();
    const std::uint32_t until = vs.platform.elapsedMs() + 200;
    while (vs.platform.elapsedMs() < until) {
        show.shouldStop();
    }
    pumpsIn200Ms = vs.platform.pumpCount() - pumpsIn200Ms;
    EXPECT_GE(pumpsIn200Ms, 3);  // 200 / 51
    EXPECT_LE(pumpsIn200Ms, 4);
}

TEST(Sequencer, AStopRequestedDuringThePumpIsReportedByTheSameCall) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    vs.platform.scriptKeyRelease(0, 0, 'A');
    EXPECT_TRUE(show.shouldStop());
}

TEST(Sequencer, ShortWaitsNeverPump) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    const int pumps = vs.platform.pumpCount();
    EXPECT_FALSE(show.waitOrStop(5));
    EXPECT_EQ(vs.platform.pumpCount(), pumps);
    EXPECT_GE(vs.platform.elapsedMs(), 5u);
}

TEST(Sequencer, LongWaitsReturnEarlyOnAStop) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    vs.platform.scriptAction(300, [&] { vs.control.requestStop(); });
    EXPECT_TRUE(show.waitOrStop(1000));
    EXPECT_GE(vs.platform.elapsedMs(), 300u);
    EXPECT_LT(vs.platform.elapsedMs(), 310u);
}

TEST(Sequencer, WaitsRunTheirFullLengthAcrossTheTickWrap) {
    VirtualShow vs({VirtualMonitor{}}, 0xFFFFFFFFu - 200);
    ShowSequencer& show = vs.show();
    const int sleeps = vs.platform.sleepCount();
    EXPECT_FALSE(show.waitOrStop(1000));
    EXPECT_GE(vs.platform.elapsedMs(), 1000u);
    EXPECT_LT(vs.platform.elapsedMs(), 1010u);
    // A sleep of 1 ms a pass while more than 10 ms remain, then spinning: on the virtual clock,
    // where the passes' tick reads and pumps take the rest, 971 sleeps (972 for a 9 ms spin).
    EXPECT_EQ(vs.platform.sleepCount() - sleeps, 971);
}

TEST(Sequencer, EveryShowSeedsItsGeneratorFromTheTimeOfDay) {
    // The seed is the milliseconds since midnight: shows started at different moments play
    // different rain, and the same moment replays the same one.
    std::vector<std::uint32_t> firstDraws;
    for (std::uint32_t msSinceMidnight : {4242u, 4243u, 36'000'000u, 4242u}) {
        VirtualShow vs;
        vs.platform.utcMsSinceMidnight = msSinceMidnight;
        Random seeded(msSinceMidnight);
        Random& random = vs.show().random();
        firstDraws.push_back(random.next32());
        EXPECT_EQ(firstDraws.back(), seeded.next32()) << msSinceMidnight;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(random.next32(), seeded.next32()) << msSinceMidnight;
        }
    }
    EXPECT_NE(firstDraws[0], firstDraws[1]);
    EXPECT_NE(firstDraws[0], firstDraws[2]);
    EXPECT_EQ(firstDraws[0], firstDraws[3]);
}

TEST(Sequencer, RequestStopBeforeTheShowExistsDoesNothing) {
    ShowControl control;
    control.requestStop();  // no sequencer yet: nothing to stop, nothing breaks
    VirtualShow vs;
    vs.control.requestStop();
    EXPECT_FALSE(vs.show().stopRequested());
    vs.control.requestStop();
    EXPECT_TRUE(vs.show().stopRequested());
}

// Pictures start on a cache line; those of 2 MiB and more on a huge page.
TEST(PixelMemory, PicturesStartOnACacheLineAndLargeOnesOnAHugePage) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    for (const std::size_t bytes : {std::size_t{64}, std::size_t{4096}, kHugePage - 4, kHugePage,
                                    std::size_t{1920} * 1080 * 4}) {
        void* memory = allocatePixelMemory(bytes);
        const auto address = reinterpret_cast<std::uintptr_t>(memory);
        EXPECT_EQ(address % 64, 0u) << bytes;
        if (bytes >= kHugePage) {
            EXPECT_EQ(address % kHugePage, 0u) << bytes;
        }
        static_cast<unsigned char*>(memory)[bytes - 1] = 1;  // all of it is there
        freePixelMemory(memory, bytes);
    }
}

}  // namespace
}  // namespace orvane
