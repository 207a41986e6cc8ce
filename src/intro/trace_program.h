// The first intro sequence: a terminal receiving a call. A cursor blinks on a black screen,
// the call-log line is typed and the cursor blinks at its end, then the screen clears and
// "Trace program: running" is typed with a short blink. Drawn on the first window only.
#pragma once

#include <cstdint>
#include <string>

#include "show/platform.h"

namespace orvane {

class ShowSequencer;

constexpr std::uint32_t kTraceCursorPeriodMs = 680;
constexpr int kTraceFirstBlinks = 10;
constexpr int kTraceCallLogBlinks = 4;
constexpr int kTraceRunningBlinks = 2;
constexpr std::uint32_t kTraceTypingDelayMs = 20;

inline constexpr const char* kFixedCallLogLine = "Call trans opt: received. 2-19-98 13:24:18 REC:Log>";
inline constexpr const char* kCallLogPrefix = "Call trans opt: received. ";
inline constexpr const char* kCallLogSuffix = " REC:Log>";
inline constexpr const char* kTraceRunningLine = "Trace program: running";

// The line typed first: the fixed one for date-time mode 0, otherwise the local date and time
// as month-day-year hour-minute-second, each two digits.
std::string callLogLine(std::int32_t dateTimeMode, const LocalDateTime& now);

// The whole sequence on dc (width x height); returns when done or stopped.
void traceProgram(ShowSequencer& show, Canvas& dc, int width, int height);

}  // namespace orvane
