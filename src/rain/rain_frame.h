// One frame of code rain on one window. Every due run moves one row down (its head and the
// four cells above it drawn afresh, the top of its trail handed to a tail eraser); random
// cells inside the trails become pending changes at a rate that swings slowly between 100
// and 8100 a second; every due change fires (fade to black, dim then replace, replace);
// ended runs are brought back toward a target that takes a random walk; and the fade gets
// coarser while frames are slow. Everything is drawn into the surface and reaches the window
// as copies of the changed cells.
#pragma once

#include <cstdint>

namespace orvane {

class RainWindow;

constexpr int kHeadOverrunRows = 3;  // heads are drawn down to three rows below the bottom
constexpr std::int32_t kTailEraserIntervalMs = 10;
constexpr std::int32_t kSpotFireIntervalMs = 100;
constexpr int kDimAmount = 6;
constexpr int kDimFirings = 15;
constexpr int kMaxSpotsPerFrame = 1000;
constexpr int kRateOffsetPerSecond = 100;
constexpr double kTwoPi = 6.2831852;  // the value the rate's phase turns by
constexpr std::uint32_t kSlowFrameMs = 40;
// A darkening takes the low byte of the step, so beyond 255 fades would stop reaching black.
constexpr int kDarkenStepCeiling = 255;

// Change kinds of the random spots (drawn as Random(99)); a tail eraser is kind 0.
constexpr int kSpotKinds = 99;
constexpr int kLastFadeKind = 3;
constexpr int kLastDimKind = 8;

void rainFrameStep(RainWindow& window);

}  // namespace orvane
