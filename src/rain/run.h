// The two small objects the rain (and the title) is made of. A Run is one falling run of
// glyphs in one column: a bright head moving down a row per step and a trail behind it. An
// Interchange is one pending, timed change of one cell: fade to black, dim then replace, or
// replace at once.
#pragma once

#include <array>
#include <cstdint>

namespace orvane {

class Random;
struct Settings;

constexpr int kRunGlyphs = 5;  // the head and the four cells above it
constexpr std::uint32_t kRunStartSpreadMs = 10000;

struct Run {
    std::int32_t stepInterval = 0;  // ms between two steps
    std::int32_t trailLength = 0;   // rows; the trail is erased that many rows above the head
    std::int32_t columnX = 0;       // left edge of the column, fixed at creation
    std::int32_t headY = 0;         // row of the head at the next step, in pixels
    std::array<std::int32_t, kRunGlyphs> glyphs{};  // [0] the head, [k] k rows above it
    std::uint32_t startTick = 0;    // the run does not step before this tick
    std::uint32_t lastStepTick = 0;
    bool falling = false;
    bool finished = false;  // the title's runs only

    // Restarts the run at the top of its column with a new length and speed. Draws, in this
    // order: the trail length, the step interval's random part, the start delay.
    void reset(int surfaceHeight, std::uint32_t now, Random& random, const Settings& settings);
};

// A run in the column at left, reset for a surface of that height.
Run makeRun(int left, int surfaceHeight, std::uint32_t now, Random& random,
            const Settings& settings);

struct Interchange {
    std::int32_t cellX = 0;
    std::int32_t cellY = 0;
    std::uint32_t lastFireTick = 0;  // 0 in a new tail eraser: due at once
    std::int32_t fireInterval = 0;   // due once strictly more than this has passed
    std::int32_t changeKind = 0;
    std::int32_t fireCount = 0;
    int ownerRun = -1;  // index into the window's runs; -1 for a tail eraser
    bool neverFired = false;
};

// A fade-to-black at the top of a run's trail, due at once whatever the tick count.
Interchange makeTailEraser(int left, int top, std::int32_t interval);

// A random spot in the trail of the run at index ownerRun: a timed change of kind changeKind.
Interchange makeSpot(int left, int top, std::uint32_t now, std::int32_t interval,
                     std::int32_t changeKind, int ownerRun);

// True when the interchange is due at now: never fired, or strictly more than its interval
// since its last firing.
bool interchangeDue(const Interchange& interchange, std::uint32_t now);

}  // namespace orvane
