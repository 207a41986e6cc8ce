// The show's sequencer: one object per show that holds the stop request, the stop poll and the
// waits every phase uses, the saver windows, the show-wide drawing values, and what the show
// builds from the settings when it starts (the glyph sheet, the tint colours, the random
// generator). There is no worker thread: the show is one long call that keeps the windows
// responsive by pumping messages from its polls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "show/glyph_sheet.h"
#include "show/platform.h"
#include "show/random.h"
#include "show/surface.h"

namespace orvane {

struct Settings;
class ShowControl;

constexpr std::uint32_t kPumpIntervalMs = 50;
constexpr std::uint32_t kWaitSpinMs = 10;
constexpr int kColumnPitch = 16;
constexpr int kRowPitch = 20;
constexpr int kTextPointSize = 14;

// The parts of the show, in the order they are played. The rain's power save is told as a
// part of its own when it begins, and Rain again when the rain resumes from it.
enum class ShowPhase { LowColourWarning, Opening, Title, TitlePause, TraceProgram, PhoneTrace,
                       WakeUpMessages, Rain, PowerSave };

// One saver window with the state that outlives a single phase.
struct SaverWindow {
    ShowWindow* window = nullptr;
    bool phaseDone = false;
    std::uint32_t lastFrameTick = 0;  // end of the last rain (or title) frame on this window
};

class ShowSequencer {
public:
    // Builds the glyph sheet and the tint colours and seeds the random generator from the
    // time of day.
    ShowSequencer(Platform& platform, const Settings& settings, const GlyphPicture& picture);

    Platform& platform() { return platform_; }
    const Settings& settings() const { return settings_; }
    std::uint32_t now() { return platform_.ticks(); }

    // The stop poll: pumps messages at most once per 50 ms, then tells whether to stop.
    bool shouldStop();
    // Waits while pumping messages; true when a stop was requested.
    bool waitOrStop(std::uint32_t milliseconds);
    void requestStop() { stopRequested_ = true; }
    bool stopRequested() const { return stopRequested_; }

    std::vector<SaverWindow> windows;

    // Told as each part of the show begins (for tools and tests that follow the show).
    std::function<void(ShowPhase)> phaseListener;
    void enterPhase(ShowPhase phase) {
        if (phaseListener) {
            phaseListener(phase);
        }
    }

    // Show-wide drawing values, set when the show starts.
    Canvas* showDC = nullptr;  // the first window's context, kept for the whole show
    int showWidth = 0;
    int showHeight = 0;
    bool lowColour = false;
    int textPointSize = kTextPointSize;
    // Where the input rules report activity that does not end the show (read by the power save).
    ShowControl* control = nullptr;

    const Surface& glyphSheet() const { return glyphSheet_; }
    const TintColours& colours() const { return colours_; }
    Random& random() { return random_; }

private:
    Platform& platform_;
    const Settings& settings_;
    std::uint32_t lastPumpTick_ = 0;
    bool neverPumped_ = true;
    bool stopRequested_ = false;
    Surface glyphSheet_;
    TintColours colours_;
    Random random_;
};

// Process-wide show control: the current sequencer, which input asks to stop, and the flag
// for input that only counts as activity.
class ShowControl {
public:
    void requestStop() {
        if (current != nullptr) {
            current->requestStop();
        }
    }

    ShowSequencer* current = nullptr;
    bool userActivity = false;
    // Handed to each show as it starts.
    std::function<void(ShowPhase)> phaseListener;
};

}  // namespace orvane
