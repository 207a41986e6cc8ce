// What every platform's show holds and does alike: the names and timings its windows share, the
// settings and glyphs it plays with, its control, its saver windows and the start of the show.
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

template <typename Window>
class PlatformShow {
public:
    PlatformShow(const Settings& settings, GlyphPicture picture)
        : settings_(settings), glyphs_(std::move(picture)) {}

    ShowControl& control() { return control_; }
    int windowCount() const { return static_cast<int>(windows_.size()); }
    Window& window(int index) { return *windows_.at(static_cast<std::size_t>(index)); }

protected:
    // Plays the whole show on the saver windows; returns once it has been stopped.
    void playOn(Platform& platform) {
        std::vector<ShowWindow*> list;
        for (const auto& window : windows_) {
            list.push_back(window.get());
        }
        startShow(control_, platform, settings_, glyphs_, list);
    }

    Settings settings_;
    GlyphPicture glyphs_;
    ShowControl control_;
    // The first on the primary monitor. A show's own members that the windows use go after
    // them: its destructor lets the windows go first.
    std::vector<std::unique_ptr<Window>> windows_;
};

}  // namespace orvane
