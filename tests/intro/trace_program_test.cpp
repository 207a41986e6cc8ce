#include <gtest/gtest.h>

#include "intro/trace_program.h"
#include "sequence_test_support.h"
#include "platform/virtual/virtual_show.h"
#include "show/text_ops.h"

namespace orvane {
namespace {

using intro_test::recordsOfKind;

// The origin is 3 widths of "W" across and 2 heights down: 3 x 11 = 33, 2 x 22 = 44.
constexpr int kOriginX = 33;
constexpr int kOriginY = 44;

// The text draws of the window split into the two typed lines, in order.
struct TypedLines {
    std::vector<DrawRecord> callLog;
    std::vector<DrawRecord> running;
};

TypedLines typedLines(const std::vector<DrawRecord>& records) {
    TypedLines lines;
    for (const DrawRecord& text : recordsOfKind(records, DrawRecord::Kind::Text)) {
        (text.text.starts_with("C") ? lines.callLog : lines.running).push_back(text);
    }
    return lines;
}

std::string typedCallLogLine(std::int32_t dateTimeMode, const LocalDateTime& clock) {
    VirtualShow vs;
    vs.settings.dateTimeMode = dateTimeMode;
    vs.platform.localTime = clock;
    ShowSequencer& show = vs.show();
    vs.platform.window(0).setLogging(true);
    traceProgram(show, *show.showDC, show.showWidth, show.showHeight);
    const TypedLines lines = typedLines(vs.platform.window(0).records());
    return lines.callLog.empty() ? std::string() : lines.callLog.back().text;
}

TEST(TraceProgram, CallLogLineIsFixedInModeZeroAndShowsTheLocalDateAndTimeOtherwise) {
    struct Case {
        std::int32_t mode;
        LocalDateTime clock;
        const char* line;
    };
    const char* fixed = "Call trans opt: received. 2-19-98 13:24:18 REC:Log>";  // 51 characters
    const Case cases[] = {
        {0, {2026, 12, 7, 9, 5, 3}, fixed},
        {0, {1999, 1, 31, 23, 59, 59}, fixed},
        {1, {2026, 12, 7, 9, 5, 3}, "Call trans opt: received. 12-07-26 09-05-03 REC:Log>"},
        {2, {2031, 3, 9, 23, 59, 0}, "Call trans opt: received. 03-09-31 23-59-00 REC:Log>"},
        {-1, {2000, 10, 1, 0, 0, 7}, "Call trans opt: received. 10-01-00 00-00-07 REC:Log>"},
        // A clock the system cannot read: midnight of the first of January.
        {1, {}, "Call trans opt: received. 01-01-00 00-00-00 REC:Log>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(typedCallLogLine(c.mode, c.clock), c.line) << "mode " << c.mode;
    }
}

TEST(TraceProgram, TypesBothLinesAtTheOriginInTheTintWithBlinksWhereTheyEnd) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(true);

    traceProgram(show, *show.showDC, show.showWidth, show.showHeight);

    const TypedLines lines = typedLines(window.records());
    ASSERT_EQ(lines.callLog.size(), 51u);
    ASSERT_EQ(lines.running.size(), 22u);
    EXPECT_EQ(lines.running.back().text, "Trace program: running");
    for (const auto* line : {&lines.callLog, &lines.running}) {
        for (const DrawRecord& text : *line) {
            EXPECT_EQ(text.area.left, kOriginX);
            EXPECT_EQ(text.area.top, kOriginY);
            EXPECT_EQ(text.textColour, show.colours().tint);
        }
    }

    // Cursor blocks switched on in the tint, counted at each place: 10 blinks at the origin;
    // at the end of each line the typing's own cursor, then 4 and 2 blinks.
    const auto onAt = [&](int x) {
        int count = 0;
        for (const DrawRecord& r : recordsOfKind(window.records(), DrawRecord::Kind::Rectangle)) {
            if (r.area == Rect{x, kOriginY - 1, x + 11 + 2, kOriginY + 22 + 1} &&
                r.brush.colour == show.colours().tint) {
                ++count;
            }
        }
        return count;
    };
    Canvas& dc = *show.showDC;
    EXPECT_EQ(onAt(kOriginX), 10);
    EXPECT_EQ(onAt(kOriginX + dc.textExtent(lines.callLog.back().text).width), 1 + 4);
    // The 22nd character of the call log line (same width, fixed pitch) passes there too.
    EXPECT_EQ(onAt(kOriginX + dc.textExtent("Trace program: running").width), 1 + 1 + 2);

    // Cleared at the start, before the first line and twice before the second.
    int clears = 0;
    for (const DrawRecord& r : window.records()) {
        clears += intro_test::isFill(r, {0, 0, 800, 600}, kBlack) ? 1 : 0;
    }
    EXPECT_EQ(clears, 4);

    // What stays on screen: the second line and its cursor, nothing of the first.
    const Rect lit = intro_test::litArea(window);
    EXPECT_GE(lit.left, kOriginX);
    EXPECT_LE(lit.right, kOriginX + dc.textExtent("Trace program: running").width + 11 + 1);
    EXPECT_GE(lit.top, kOriginY);
    EXPECT_LE(lit.bottom, kOriginY + 22);
}

TEST(TraceProgram, LastsTheBlinksAndTheTypingWithoutAStop) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();

    traceProgram(show, *show.showDC, show.showWidth, show.showHeight);

    // 6.8 s + 51 x 20 ms + 2.72 s + 22 x 20 ms + 1.36 s = 12.34 s, plus the tick reads (the
    // virtual clock's reads cost a few microseconds: well under the 16 ms that a blink period
    // a millisecond longer would add).
    EXPECT_GE(vs.platform.elapsedMs(), 12340u);
    EXPECT_LE(vs.platform.elapsedMs(), 12345u);
}

TEST(TraceProgram, StopDuringTheFirstBlinkLeavesOnlyTheCursor) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    // Something on the window before: the sequence clears it first.
    fillRectColour(*show.showDC, {0, 0, 800, 600}, 0x808080);
    // 500 ms lies in the first "on" half (340 to 680 ms).
    vs.platform.scriptAction(500, [&] { vs.control.requestStop(); });
    window.setLogging(true);

    traceProgram(show, *show.showDC, show.showWidth, show.showHeight);

    EXPECT_LE(vs.platform.elapsedMs(), 552u);
    EXPECT_TRUE(recordsOfKind(window.records(), DrawRecord::Kind::Text).empty());
    // The inside of the block: the width of "W" by the height of "H".
    EXPECT_EQ(intro_test::litArea(window), (Rect{kOriginX + 1, kOriginY, kOriginX + 12, kOriginY + 22}));
}

TEST(TraceProgram, StopWhileTypingLeavesThePartLineAndReturnsAtOnce) {
    VirtualShow vs;
    ShowSequencer& show = vs.show();
    WindowPicture& window = vs.platform.window(0);
    window.setLogging(true);
    // Typing starts after the 6.8 s blink; 200 ms later about ten characters stand.
    vs.platform.scriptAction(7000, [&] { vs.control.requestStop(); });

    traceProgram(show, *show.showDC, show.showWidth, show.showHeight);

    EXPECT_GE(vs.platform.elapsedMs(), 7000u);
    EXPECT_LE(vs.platform.elapsedMs(), 7002u);
    const TypedLines lines = typedLines(window.records());
    ASSERT_GE(lines.callLog.size(), 8u);
    ASSERT_LE(lines.callLog.size(), 11u);
    EXPECT_TRUE(lines.running.empty());
    // The last thing drawn is the cursor after the part line, not a clear.
    const DrawRecord& last = window.records().back();
    EXPECT_EQ(last.kind, DrawRecord::Kind::Rectangle);
    EXPECT_EQ(last.brush.colour, show.colours().tint);
    const Rect lit = intro_test::litArea(window);
    EXPECT_EQ(lit.right, last.area.right - 1);
}

}  // namespace
}  // namespace orvane
