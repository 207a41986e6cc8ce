#include "show/input_rules.h"

#include <cmath>
#include <cstdint>

#include "host/settings.h"
#include "show/show_sequencer.h"

namespace orvane {

InputRules::InputRules(const Settings& settings, ShowControl& control, int windowCount)
    : settings_(settings), control_(control), lastPointer_(windowCount > 0 ? windowCount : 1) {}

void InputRules::windowShown(int window, Point pointer) {
    if (window >= 0 && window < static_cast<int>(lastPointer_.size())) {
        lastPointer_[window] = pointer;
    }
    control_.userActivity = false;
}

void InputRules::mouseMoved(int window, Point pointer) {
    if (window < 0 || window >= static_cast<int>(lastPointer_.size())) {
        return;
    }
    Point& last = lastPointer_[window];
    const std::int64_t dx = pointer.x - last.x;
    const std::int64_t dy = pointer.y - last.y;
    // The sum of squares as a 32-bit integer, the root in floating point.
    const auto squares = static_cast<std::int32_t>(static_cast<std::uint32_t>(dx * dx + dy * dy));
    if (!(std::sqrt(static_cast<double>(squares)) > kMoveThresholdPx)) {
        return;  // slow movement counts once it is more than 5 pixels from the last counted place
    }
    activityOrStop(settings_.useEscapeLmbExit);
    last = pointer;
}

void InputRules::mouseButtonPressed(int, MouseButton button) {
    activityOrStop(settings_.useEscapeLmbExit && button != MouseButton::Left);
}

void InputRules::keyReleased(int, int virtualKey, bool autoRepeat) {
    if (autoRepeat) {
        return;
    }
    activityOrStop(settings_.useEscapeLmbExit && virtualKey != kVirtualKeyEscape);
}

void InputRules::activityOrStop(bool onlyActivity) {
    if (onlyActivity) {
        control_.userActivity = true;
    } else {
        control_.requestStop();
    }
}

}  // namespace orvane
