// The reference show: the whole show played on the virtual platform with everything fixed (the
// seed, the start tick, the local time, the user's name, the desktop under the windows, every
// setting), each window's picture taken at fixed moments of the virtual clock and checked
// against the table tests/reference/show.refs. Several runs cover the settings that change
// what is seen.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/settings.h"
#include "platform/virtual/virtual_platform.h"
#include "reference/reference_check.h"

namespace orvane::reference {

// Pictures every stepMs from fromMs to toMs (inclusive), in ms of virtual time since the
// show began.
struct Stretch {
    std::uint32_t fromMs;
    std::uint32_t toMs;
    std::uint32_t stepMs;
};

struct ShowRun {
    std::string name;
    std::vector<VirtualMonitor> monitors;
    int bitsPerPixel = 32;
    std::function<void(Settings&)> adjust;  // from the fixed settings every run starts with
    std::vector<Stretch> stretches;
    std::vector<std::pair<std::uint32_t, int>> keyPictures;  // (moment, window) with a PNG
    // A mouse move of the first window's pointer at these moments (more than 5 pixels each).
    std::vector<std::uint32_t> mouseMovesMs;
};

// The runs, in the order they are played.
const std::vector<ShowRun>& referenceShowRuns();

// The settings the run plays with: every setting fixed, then the run's own changes.
Settings runSettings(const ShowRun& run);

// The picture the monitor shows before the show starts (part of one fixed desktop).
PixelPicture desktopPicture(const VirtualMonitor& monitor);

// Where a run is drawn when not in the virtual platform's windows: a window for each of the
// run's monitors, in their order, and what to do at each moment before the pictures are taken
// (time stands still meanwhile).
struct RunWindows {
    std::vector<PictureWindow*> windows;
    std::function<void(std::uint32_t ms)> atMoment;
};

// Plays the run (in the virtual platform's windows, or elsewhere's) and checks (or, when
// blessing, records) every moment's pictures; the show stops after the last moment or at the
// first difference. Returns what finish() returns.
bool playReferenceRun(const ShowRun& run, ReferenceRun& references,
                      const RunWindows* elsewhere = nullptr);

// A moment's name in the table: milliseconds with leading zeros, so the rows sort in time.
std::string momentName(std::uint32_t ms);

}  // namespace orvane::reference
