#include "intro/typing.h"

#include <functional>
#include <string>
#include <vector>

#include "show/show_sequencer.h"
#include "show/text_ops.h"
#include "show/ticks.h"
#include "show/utf8.h"

namespace orvane {

namespace {

constexpr std::string_view kCursorWidthSample = "W";
constexpr std::string_view kCursorHeightSample = "H";

// The wait after the character at index (from 0) of the text's characters.
using DelayAfter = std::function<std::uint32_t(const std::vector<std::string>&, std::size_t)>;

// Waits until the deadline while keeping the windows responsive; true when a stop came.
bool waitForNextCharacter(ShowSequencer& show, std::uint32_t deadline) {
    while (tickBefore(show.now(), deadline)) {
        show.platform().processPendingMessages();
        show.platform().sleep(1);
        if (show.stopRequested()) {
            return true;
        }
    }
    return false;
}

void typeWith(ShowSequencer& show, Canvas& dc, Cursor cursor, int x, int y,
              std::string_view text, const DelayAfter& delayAfter) {
    dc.setBackgroundColour(kBlack);
    dc.setBackgroundMode(BackgroundMode::Opaque);
    const int cursorWidth = textWidth(dc, kCursorWidthSample);
    const std::vector<std::string> characters = utf8Characters(text);
    if (characters.empty()) {
        return;
    }
    const int wholeHeight = textHeight(dc, text);
    std::string shown;
    for (std::size_t p = 1; p <= characters.size(); ++p) {
        if (cursor == Cursor::Block) {
            fillRectColour(dc, cursorBlock(x, y, textWidth(dc, shown), cursorWidth, wholeHeight),
                           kBlack);
        }
        shown += characters[p - 1];
        dc.textOut(x, y, shown);
        dc.flush();
        if (cursor == Cursor::Block) {
            const Size extent = textExtent(dc, shown);
            fillRectColour(dc, cursorBlock(x, y, extent.width, cursorWidth, extent.height),
                           dc.textColour());
            selectBrushColour(dc, kBlack);
        }
        const std::uint32_t deadline = show.now() + delayAfter(characters, p - 1);
        if (waitForNextCharacter(show, deadline)) {
            return;
        }
    }
}

// One half of a blink: polls for a stop throughout and sleeps only while more than the spin
// time remains. True when a stop came.
bool waitHalfPeriod(ShowSequencer& show, std::uint32_t halfPeriodMs) {
    const std::uint32_t end = show.now() + halfPeriodMs;
    for (std::uint32_t now = show.now(); tickBefore(now, end); now = show.now()) {
        if (show.shouldStop()) {
            return true;
        }
        if (static_cast<std::uint32_t>(end - now) > kBlinkSpinMs) {
            show.platform().sleep(1);
        }
    }
    return false;
}

}  // namespace

Rect cursorBlock(int x, int y, int prefixWidth, int cursorWidth, int textHeight) {
    return {x + prefixWidth, y - 1, x + prefixWidth + cursorWidth + 2, y + textHeight + 1};
}

void typeText(ShowSequencer& show, Canvas& dc, Cursor cursor, int x, int y,
              std::uint32_t baseDelayMs, std::int32_t randomRangeMs, std::string_view text) {
    typeWith(show, dc, cursor, x, y, text,
             [&](const std::vector<std::string>& characters, std::size_t index) {
                 // A doubled letter follows at the base pace: no random part before it.
                 const bool doubled =
                     index + 1 < characters.size() && characters[index + 1] == characters[index];
                 if (doubled) {
                     return baseDelayMs;
                 }
                 return baseDelayMs + static_cast<std::uint32_t>(show.random()(randomRangeMs));
             });
}

void typeTextTimed(ShowSequencer& show, Canvas& dc, Cursor cursor, int x, int y,
                   std::span<const std::uint32_t> delaysMs, std::string_view text) {
    typeWith(show, dc, cursor, x, y, text,
             [&](const std::vector<std::string>&, std::size_t index) {
                 return index < delaysMs.size() ? delaysMs[index] : 0u;
             });
}

void blinkCursor(ShowSequencer& show, Canvas& dc, std::uint32_t periodMs, int count, int x,
                 int y) {
    const int cursorWidth = textWidth(dc, kCursorWidthSample);
    const int cursorHeight = textHeight(dc, kCursorHeightSample);
    if (count <= 0) {
        return;
    }
    const Rect block = cursorBlock(x, y, 0, cursorWidth, cursorHeight);
    const std::uint32_t halfPeriodMs = periodMs / 2;
    for (int i = 0; i < count; ++i) {
        fillRectColour(dc, block, kBlack);
        if (waitHalfPeriod(show, halfPeriodMs)) {
            return;
        }
        fillRectColour(dc, block, show.colours().tint);
        if (waitHalfPeriod(show, halfPeriodMs)) {
            return;
        }
    }
}

}  // namespace orvane
