#include <gtest/gtest.h>

#include "intro/typing.h"
#include "sequence_test_support.h"
#include "platform/virtual/virtual_show.h"
#include "show/random.h"

namespace orvane {
namespace {

using intro_test::ClockedCanvas;
using intro_test::recordsOfKind;

// Liberation Mono Bold at 19 px: "W" advances 11, text height 22.
constexpr int kAdvance = 11;
constexpr int kHeight = 22;

// Gaps between successive text draws, in microseconds.
std::vector<std::uint64_t> gapsUs(const std::vector<intro_test::Stamped>& texts) {
    std::vector<std::uint64_t> gaps;
    for (std::size_t i = 1; i < texts.size(); ++i) {
        gaps.push_back(texts[i].atUs - texts[i - 1].atUs);
    }
    return gaps;
}

// A wait of ms, measured between two draws, is ms on the millisecond tick count: in
// microseconds up to 1 ms less (the tick it starts on is already partly gone) and, with the
// tick reads of its loop (20 us each), less than 2 ms more.
void expectWaitOf(std::uint64_t gapUs, std::uint32_t ms, const std::string& where) {
    EXPECT_GT(gapUs, std::uint64_t{ms} * 1000 - 1000) << where;
    EXPECT_LT(gapUs, std::uint64_t{ms} * 1000 + 2000) << where;
}

TEST(TypeText, EveryPrefixIsDrawnWholeCharactersAtATimeInTheTextColourOnBlack) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    vs.platform.window(0).setLogging(true);
    show.showDC->setTextColour(0x123456);
    show.showDC->setBackgroundColour(kWhite);

    typeText(show, *show.showDC, Cursor::None, 33, 44, 0, 0, "Zoë →0");

    const auto texts = recordsOfKind(vs.platform.window(0).records(), DrawRecord::Kind::Text);
    const std::vector<std::string> expected = {"Z", "Zo", "Zoë", "Zoë ", "Zoë →", "Zoë →0"};
    ASSERT_EQ(texts.size(), expected.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].text, expected[i]);
        EXPECT_EQ(texts[i].area.left, 33);
        EXPECT_EQ(texts[i].area.top, 44);
        EXPECT_EQ(texts[i].textColour, 0x123456u);
        EXPECT_EQ(texts[i].backgroundColour, kBlack);
        EXPECT_TRUE(texts[i].opaque);
    }
    // Without a cursor nothing else is drawn.
    EXPECT_EQ(vs.platform.window(0).records().size(), expected.size());
}

TEST(TypeText, ZeroDelayShowsTheWholeTextAtOnce) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    ClockedCanvas dc(*show.showDC, vs.platform);
    const std::uint64_t before = vs.platform.elapsedUs();

    typeText(show, dc, Cursor::None, 0, 0, 0, 0, "Knock, Knock, Kel.");

    const auto texts = dc.texts();
    ASSERT_EQ(texts.size(), 18u);
    EXPECT_EQ(texts.back().text, "Knock, Knock, Kel.");
    // Nothing but a few tick reads between the first and the last prefix.
    EXPECT_LT(vs.platform.elapsedUs() - before, 1000u);
    EXPECT_EQ(vs.platform.sleepCount(), 0);
}

TEST(TypeText, DoubledLetterWaitsOnlyTheBaseDelayBeforeItsSecondCopy) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    ClockedCanvas dc(*show.showDC, vs.platform);
    // The draws the typing will make: one per character not followed by the same character.
    Random replay = show.random();

    typeText(show, dc, Cursor::None, 0, 0, 50, 1000, "Anna.");

    const auto gaps = gapsUs(dc.texts());
    ASSERT_EQ(gaps.size(), 4u);
    const std::uint32_t afterA = 50 + static_cast<std::uint32_t>(replay(1000));
    const std::uint32_t afterSecondN = 50 + static_cast<std::uint32_t>(replay(1000));
    const std::uint32_t afterSmallA = 50 + static_cast<std::uint32_t>(replay(1000));
    expectWaitOf(gaps[0], afterA, "after A");
    expectWaitOf(gaps[1], 50, "after the first n");
    expectWaitOf(gaps[2], afterSecondN, "after the second n");
    expectWaitOf(gaps[3], afterSmallA, "after a");
}

TEST(TypeText, CursorFollowsEachPrefixAndTheOldOneIsPaintedBlack) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(true);
    const Colour colour = 0x00C0FF;
    show.showDC->setTextColour(colour);

    typeText(show, *show.showDC, Cursor::Block, 33, 44, 0, 0, "Hi");

    // A block is the prefix's end, one row up, the width of "W" plus 2, the height plus 2.
    const auto block = [&](std::string_view prefix) {
        const int left = 33 + show.showDC->textExtent(prefix).width;
        return Rect{left, 43, left + kAdvance + 2, 44 + kHeight + 1};
    };
    const auto& records = window.records();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_TRUE(intro_test::isFill(records[0], block(""), kBlack));
    EXPECT_EQ(records[1].text, "H");
    EXPECT_TRUE(intro_test::isFill(records[2], block("H"), colour));
    EXPECT_TRUE(intro_test::isFill(records[3], block("H"), kBlack));
    EXPECT_EQ(records[4].text, "Hi");
    EXPECT_TRUE(intro_test::isFill(records[5], block("Hi"), colour));

    // On screen: the last block's inside in the colour, its one-pixel outline black.
    const Rect last = block("Hi");
    EXPECT_EQ(window.pixel(last.left + 1, last.top + 1) & 0xFFFFFFu, intro_test::rgbOf(colour));
    EXPECT_EQ(window.pixel(last.right - 2, last.bottom - 2) & 0xFFFFFFu, intro_test::rgbOf(colour));
    EXPECT_EQ(window.pixel(last.left, last.top + 5) & 0xFFFFFFu, 0u);
    EXPECT_EQ(window.pixel(last.right - 1, last.top + 5) & 0xFFFFFFu, 0u);
}

TEST(TypeText, StopDuringAWaitReturnsAtOnceWithTheTextAsDrawn) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    ClockedCanvas dc(*show.showDC, vs.platform);
    vs.platform.scriptAction(105, [&] { vs.control.requestStop(); });

    typeText(show, dc, Cursor::Block, 0, 30, 20, 0, "Trace program: running");

    // Characters come about 20.5 ms apart (20 waits of 1 ms plus tick reads): the sixth is
    // drawn near 102 ms, and the stop at 105 ms ends the wait after it.
    EXPECT_GE(vs.platform.elapsedMs(), 105u);
    EXPECT_LE(vs.platform.elapsedMs(), 107u);
    const auto texts = dc.texts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts.back().text, "Trace ");
    // The last call is the cursor after the sixth character.
    ASSERT_FALSE(dc.calls.empty());
    EXPECT_EQ(dc.calls.back().kind, DrawRecord::Kind::Rectangle);
    EXPECT_EQ(dc.calls.back().area.left, show.showDC->textExtent("Trace ").width);
}

TEST(TypeTextTimed, EachCharacterWaitsItsOwnDelayLongestAfterTheEighth) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    ClockedCanvas dc(*show.showDC, vs.platform);
    const std::uint64_t before = vs.platform.elapsedUs();

    typeTextTimed(show, dc, Cursor::None, 0, 0, kTypingDelays, "The Orvane has you...");

    const auto texts = dc.texts();
    ASSERT_EQ(texts.size(), 21u);
    const auto gaps = gapsUs(texts);
    for (std::size_t k = 0; k < gaps.size(); ++k) {
        expectWaitOf(gaps[k], kTypingDelays[k], "after character " + std::to_string(k + 1));
    }
    const auto longest = std::max_element(gaps.begin(), gaps.end());
    EXPECT_EQ(longest - gaps.begin(), 7) << "the longest pause follows the eighth character";
    expectWaitOf(*longest, 850, "longest");
    // 600 + 500 + 400 + 4 x 120 + 850 + 650 + 3 x 120 + 600 + 400 + 3 x 120 + 360 + 240
    // + 2 x 120 = 6040 ms, the last wait included; drawing the 21 texts adds about 1.3 ms of
    // the virtual clock, so the total stays under 6042 ms.
    const std::uint64_t total = vs.platform.elapsedUs() - before;
    EXPECT_GE(total, 6'040'000u);
    EXPECT_LT(total, 6'042'000u);
    // The clock's millisecond ticks blur a delay one millisecond off: the table itself is held
    // to the delays as written.
    EXPECT_EQ(kTypingDelays, (std::array<std::uint32_t, 21>{600, 500, 400, 120, 120, 120, 120,
                                                             850, 650, 120, 120, 120, 600, 400,
                                                             120, 120, 120, 360, 240, 120, 120}));
}

TEST(TypeTextTimed, CharactersBeyondTheDelaysFollowWithoutAWait) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    ClockedCanvas dc(*show.showDC, vs.platform);
    // Two delays given; what lies past them in memory is never read.
    const std::array<std::uint32_t, 3> delays = {100, 200, 5000};

    typeTextTimed(show, dc, Cursor::None, 0, 0, std::span(delays).first(2), "abcd");

    const auto gaps = gapsUs(dc.texts());
    ASSERT_EQ(gaps.size(), 3u);
    expectWaitOf(gaps[0], 100, "a");
    expectWaitOf(gaps[1], 200, "b");
    EXPECT_LT(gaps[2], 1000u);
}

TEST(BlinkCursor, ZeroOrNegativeCountDrawsNothingAndTakesNoTime) {
    for (int count : {0, -3}) {
        VirtualShow vs;
        ShowSequencer& show = vs.show();
        vs.platform.window(0).setLogging(true);
        const std::uint32_t before = vs.platform.elapsedMs();

        blinkCursor(show, *show.showDC, 680, count, 10, 10);

        EXPECT_TRUE(vs.platform.window(0).records().empty()) << count;
        EXPECT_EQ(vs.platform.elapsedMs(), before) << count;
    }
}

TEST(BlinkCursor, AlternatesBlackAndTintEveryHalfPeriodAndEndsOn) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    ClockedCanvas dc(*show.showDC, vs.platform);
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(true);

    blinkCursor(show, dc, 680, 3, 100, 50);

    const Rect block{100, 49, 100 + kAdvance + 2, 50 + kHeight + 1};
    const auto& records = window.records();
    ASSERT_EQ(records.size(), 6u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_TRUE(intro_test::isFill(records[i], block, i % 2 == 0 ? kBlack : show.colours().tint))
            << i;
    }
    // Each half lasts 340 ms.
    ASSERT_EQ(dc.calls.size(), 6u);
    for (std::size_t i = 1; i < dc.calls.size(); ++i) {
        expectWaitOf(dc.calls[i].atUs - dc.calls[i - 1].atUs, 340, "half " + std::to_string(i));
    }
    EXPECT_GE(vs.platform.elapsedMs(), 3u * 680u);
    EXPECT_LT(vs.platform.elapsedMs(), 3u * 680u + 10u);
    EXPECT_EQ(window.pixel(105, 60) & 0xFFFFFFu, intro_test::rgbOf(show.colours().tint));
}

TEST(BlinkCursor, LastFortyMillisecondsOfEachHalfAreWaitedWithoutSleeping) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();

    blinkCursor(show, *show.showDC, 680, 1, 0, 30);

    // Two halves of 340 ms, each sleeping only while more than 40 ms remain: 300 ms in steps
    // of 1 ms plus two tick reads (1.04 ms) is 289 sleeps a half on the virtual clock (one
    // more millisecond of spinning would make it 288); sleeping to the end would take 327.
    EXPECT_EQ(vs.platform.sleepCount(), 2 * 289);
    EXPECT_GE(vs.platform.elapsedMs(), 680u);
}

TEST(BlinkCursor, StopReturnsWithinOnePollLeavingTheCursorAsDrawn) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(true);
    vs.platform.scriptAction(500, [&] { vs.control.requestStop(); });

    blinkCursor(show, *show.showDC, 680, 10, 0, 30);

    // The poll pumps at most every 50 ms: the stop is seen by 551 ms at the latest, in the
    // first "on" half (340 to 680 ms).
    EXPECT_GE(vs.platform.elapsedMs(), 500u);
    EXPECT_LE(vs.platform.elapsedMs(), 552u);
    ASSERT_EQ(window.records().size(), 2u);
    EXPECT_EQ(window.records().back().brush.colour, show.colours().tint);
}

}  // namespace
}  // namespace orvane
