// What every platform's show holds and does alike: the names and timings its windows share, the
// settings and glyphs it plays with, its control, and the start of the show on its saver windows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/settings.h"
#include "show/glyph_sheet.h"
#include "show/show_sequence.h"
#include "show/show_sequencer.h"

namespace orvane {

// From the first window's showing to the show's start.
constexpr int kStartDelayMs = 20;
// The black strip across the top of the primary monitor, under the saver windows.
constexpr int kMaskHeightPx = 2;
inline constexpr const char* kMaskName = "Form3";
// The saver windows' names, the first (on the primary monitor) Win0.
inline std::string saverWindowName(int index) { return "Win" + std::to_string(index); }

class PlatformShow {
public:
    PlatformShow(const Settings& settings, GlyphPicture picture)
        : settings_(settings), glyphs_(std::move(picture)) {}

    ShowControl& control() { return control_; }

protected:
    // Plays the whole show on the saver windows, first window first; returns once it has been
    // stopped.
    template <typename Window>
    void playOn(Platform& platform, const std::vector<std::unique_ptr<Window>>& windows) {
        std::vector<ShowWindow*> list;
        for (const auto& window : windows) {
            list.push_back(window.get());
        }
        startShow(control_, platform, settings_, glyphs_, list);
    }

    Settings settings_;
    GlyphPicture glyphs_;
    ShowControl control_;
};

}  // namespace orvane
