// The top of the show: the show-wide state set up from the first window, then the phases in
// their fixed order until a stop is requested.
#pragma once

#include <vector>

#include "show/platform.h"

namespace orvane {

class ShowControl;
class ShowSequencer;
struct GlyphPicture;
struct Settings;

inline constexpr const char* kLowColourLine1 =
    "This screensaver requires a 16-bit or higher screen mode";
inline constexpr const char* kLowColourLine2 = "Otherwise it doesn't look very good!!!";
constexpr int kLowColourMaxBitsPerPixel = 8;
// The show and the tests' virtual show ask the same question of the first window.
constexpr bool isLowColour(int bitsPerPixel) { return bitsPerPixel <= kLowColourMaxBitsPerPixel; }
constexpr std::uint32_t kAfterTitlePauseMs = 300;

// Sets the sequencer up for the saver windows, first window first, as a show starts: the show's
// drawing context (on the first window, with the text font), its size and colour depth, the
// windows and the control.
void prepareShow(ShowSequencer& show, Canvas& showDC, ShowControl& control,
                 const std::vector<ShowWindow*>& windows);

// Called by the first window's start timer with every saver window, first window first.
// Returns once the show has been stopped.
void startShow(ShowControl& control, Platform& platform, const Settings& settings,
               const GlyphPicture& picture, const std::vector<ShowWindow*>& windows);

// Plays the phases in order; returns when a stop was requested.
void runShow(ShowSequencer& show);

}  // namespace orvane
