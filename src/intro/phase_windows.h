// The per-window state of a phase, one object per saver window, made in list order when the
// phase sets up and destroyed in list order when it ends, whichever way it ends: the tear-down
// is each object's destructor, so a stop request still releases every window's drawing state.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "show/show_sequencer.h"

namespace orvane {

template <typename WindowState>
class PhaseWindows {
public:
    explicit PhaseWindows(ShowSequencer& show) {
        states_.reserve(show.windows.size());
        for (SaverWindow& window : show.windows) {
            states_.push_back(std::make_unique<WindowState>(show, window));
        }
    }

    ~PhaseWindows() {
        for (std::unique_ptr<WindowState>& state : states_) {
            state.reset();
        }
    }

    PhaseWindows(const PhaseWindows&) = delete;
    PhaseWindows& operator=(const PhaseWindows&) = delete;

    WindowState& operator[](std::size_t index) { return *states_[index]; }
    std::size_t size() const { return states_.size(); }

private:
    std::vector<std::unique_ptr<WindowState>> states_;
};

}  // namespace orvane
