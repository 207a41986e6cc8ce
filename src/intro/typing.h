// Text typed as on a terminal: the text grows one character at a time at a fixed place,
// optionally followed by a solid block cursor, and a cursor can blink in place while the
// terminal waits. Everything is drawn straight onto the context the caller passes, in the
// font and text colour the caller selected. Each call returns early, leaving the picture as
// drawn so far, once a stop is requested; the caller polls for the stop afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "show/geometry.h"
#include "show/platform.h"

namespace orvane {

class ShowSequencer;

// The waits after each character of "The Orvane has you...": one per character.
constexpr std::array<std::uint32_t, 21> kTypingDelays = {
    600, 500, 400, 120, 120, 120, 120, 850, 650, 120, 120,
    120, 600, 400, 120, 120, 120, 360, 240, 120, 120};

// The cursor blinks only while the sequence "waits": the last part of each half-period is
// spun without sleeping, so the cursor turns on time.
constexpr std::uint32_t kBlinkSpinMs = 40;

enum class Cursor { None, Block };

// The block drawn after a prefix of prefixWidth pixels typed at x, y: one pixel of outline
// around a cell cursorWidth wide and textHeight high.
Rect cursorBlock(int x, int y, int prefixWidth, int cursorWidth, int textHeight);

// Types text at x, y. After each character the wait is baseDelayMs + Random(randomRangeMs),
// or baseDelayMs alone when the next character is the same as the one just shown.
void typeText(ShowSequencer& show, Canvas& dc, Cursor cursor, int x, int y,
              std::uint32_t baseDelayMs, std::int32_t randomRangeMs, std::string_view text);

// Types text at x, y; the wait after character k (from 0) is delaysMs[k]. Characters beyond
// the delays given follow without a wait.
void typeTextTimed(ShowSequencer& show, Canvas& dc, Cursor cursor, int x, int y,
                   std::span<const std::uint32_t> delaysMs, std::string_view text);

// Blinks a cursor at x, y count times, each an off-and-on cycle of periodMs; the cursor is
// left on.
void blinkCursor(ShowSequencer& show, Canvas& dc, std::uint32_t periodMs, int count, int x,
                 int y);

}  // namespace orvane
