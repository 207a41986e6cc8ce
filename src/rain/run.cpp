#include "rain/run.h"

#include "host/settings.h"
#include "show/random.h"
#include "show/show_sequencer.h"
#include "show/ticks.h"

namespace orvane {

void Run::reset(int surfaceHeight, std::uint32_t now, Random& random, const Settings& settings) {
    const int rows = surfaceHeight / kRowPitch;
    trailLength = random(rows) + rows / 4;
    headY = 0;
    // Saver windows are at least a row high; a smaller one must not divide by zero.
    stepInterval = random(settings.variance / 2) + (rows > 0 ? settings.overallSpeed / rows : 0);
    startTick = now + static_cast<std::uint32_t>(random(kRunStartSpreadMs));
    lastStepTick = now;
    falling = true;
    finished = false;
}

Run makeRun(int left, int surfaceHeight, std::uint32_t now, Random& random,
            const Settings& settings) {
    Run run;
    run.columnX = left;
    run.reset(surfaceHeight, now, random, settings);
    return run;
}

Interchange makeTailEraser(int left, int top, std::int32_t interval) {
    Interchange eraser;
    eraser.cellX = left;
    eraser.cellY = top;
    eraser.fireInterval = interval;
    eraser.neverFired = true;
    return eraser;
}

Interchange makeSpot(int left, int top, std::uint32_t now, std::int32_t interval,
                     std::int32_t changeKind, int ownerRun) {
    Interchange spot;
    spot.cellX = left;
    spot.cellY = top;
    spot.lastFireTick = now;
    spot.fireInterval = interval;
    spot.changeKind = changeKind;
    spot.ownerRun = ownerRun;
    return spot;
}

bool interchangeDue(const Interchange& interchange, std::uint32_t now) {
    return interchange.neverFired ||
           tickBefore(interchange.lastFireTick + static_cast<std::uint32_t>(interchange.fireInterval),
                      now);
}

}  // namespace orvane
