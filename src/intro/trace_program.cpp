#include "intro/trace_program.h"

#include <cstdio>
#include <cstdlib>

#include "host/settings.h"
#include "intro/typing.h"
#include "show/show_sequencer.h"
#include "show/text_ops.h"

namespace orvane {

namespace {

constexpr std::string_view kOriginSample = "W";
constexpr int kOriginColumns = 3;
constexpr int kOriginRows = 2;

void clear(Canvas& dc, int width, int height) { fillRectColour(dc, {0, 0, width, height}, kBlack); }

}  // namespace

std::string callLogLine(std::int32_t dateTimeMode, const LocalDateTime& now) {
    if (dateTimeMode == 0) {
        return kFixedCallLogLine;
    }
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%02d %02d-%02d-%02d", now.month % 100,
                  now.day % 100, std::abs(now.year) % 100, now.hour % 100, now.minute % 100,
                  now.second % 100);
    return std::string(kCallLogPrefix) + stamp + kCallLogSuffix;
}

void traceProgram(ShowSequencer& show, Canvas& dc, int width, int height) {
    const Colour tint = show.colours().tint;

    clear(dc, width, height);
    const int x = kOriginColumns * textWidth(dc, kOriginSample);
    const int y = kOriginRows * textHeight(dc, kOriginSample);

    blinkCursor(show, dc, kTraceCursorPeriodMs, kTraceFirstBlinks, x, y);
    if (show.shouldStop()) {
        return;
    }

    clear(dc, width, height);
    dc.setTextColour(tint);
    selectBrushColour(dc, kBlack);
    const std::string line = callLogLine(show.settings().dateTimeMode, show.platform().localDateTime());
    typeText(show, dc, Cursor::Block, x, y, kTraceTypingDelayMs, 0, line);
    if (show.shouldStop()) {
        return;
    }

    blinkCursor(show, dc, kTraceCursorPeriodMs, kTraceCallLogBlinks, x + textWidth(dc, line), y);
    if (show.shouldStop()) {
        return;
    }

    clear(dc, width, height);
    clear(dc, width, height);
    selectBrushColour(dc, kBlack);
    dc.setTextColour(tint);
    typeText(show, dc, Cursor::Block, x, y, kTraceTypingDelayMs, 0, kTraceRunningLine);
    if (show.shouldStop()) {
        return;
    }

    blinkCursor(show, dc, kTraceCursorPeriodMs, kTraceRunningBlinks,
                x + textWidth(dc, kTraceRunningLine), y);
    show.shouldStop();
}

}  // namespace orvane
