// A show on the virtual platform, set up the way the first window's start timer sets it up,
// for tests, tools and benchmarks: make one, adjust settings and the platform, then either
// play the whole show or take the sequencer and drive single phases.
#pragma once

#include <memory>
#include <vector>

#include "host/settings.h"
#include "platform/virtual/virtual_platform.h"
#include "show/glyph_sheet.h"
#include "platform/common/input_rules.h"
#include "show/show_sequencer.h"

namespace orvane {

class VirtualShow {
public:
    explicit VirtualShow(std::vector<VirtualMonitor> monitors = {VirtualMonitor{}},
                         std::uint32_t startTick = 0, int bitsPerPixel = 32);

    // The sequencer with the show-wide values set (made on first use from the settings then
    // in force; the random seed comes from platform.utcMsSinceMidnight).
    ShowSequencer& show();

    // Plays the whole show to its end (it ends when scripted input asks it to stop).
    void play();

    Settings settings;
    VirtualPlatform platform;
    // The windows play() draws in, when not the platform's own: a real platform's windows under
    // the virtual clock, one per monitor in the monitors' order.
    std::vector<ShowWindow*> drawIn;
    ShowControl control;
    InputRules rules;
    GlyphPicture picture;

private:
    std::unique_ptr<Canvas> showDC_;
    std::unique_ptr<ShowSequencer> sequencer_;
};

}  // namespace orvane
