#include "platform/common/input_rules.h"

#include <cmath>
#include <cstdint>

#include "host/settings.h"
#include "show/show_sequencer.h"

namespace orvane {

InputRules::InputRules(const Settings& settings, ShowControl& control, int windowCount)
    : InputRules(settings, windowCount) {
    control_ = &control;
}

InputRules::InputRules(const Settings& settings, int windowCount)
    : settings_(settings),
      control_(nullptr),
      lastPointer_(windowCount > 0 ? windowCount : 1),
      pointerKnown_(lastPointer_.size(), true) {}

Point InputRules::lastPointer(int window) const {
    if (window < 0 || window >= static_cast<int>(lastPointer_.size())) {
        return {};
    }
    return lastPointer_[static_cast<std::size_t>(window)];
}

void InputRules::windowShown(int window, Point pointer) {
    if (window >= 0 && window < static_cast<int>(lastPointer_.size())) {
        lastPointer_[window] = pointer;
        pointerKnown_[window] = true;
    }
    if (control_ != nullptr) {
        control_->userActivity = false;
    }
}

void InputRules::forgetPointer(int window) {
    if (window >= 0 && window < static_cast<int>(pointerKnown_.size())) {
        pointerKnown_[window] = false;
    }
}

InputEffect InputRules::mouseMoved(int window, Point pointer) {
    if (window < 0 || window >= static_cast<int>(lastPointer_.size())) {
        return InputEffect::None;
    }
    Point& last = lastPointer_[window];
    if (!pointerKnown_[window]) {
        pointerKnown_[window] = true;
        last = pointer;
        return InputEffect::None;
    }
    const std::int64_t dx = pointer.x - last.x;
    const std::int64_t dy = pointer.y - last.y;
    // The sum of squares as a 32-bit integer, the root in floating point.
    const auto squares = static_cast<std::int32_t>(static_cast<std::uint32_t>(dx * dx + dy * dy));
    if (!(std::sqrt(static_cast<double>(squares)) > kMoveThresholdPx)) {
        return InputEffect::None;  // slow movement counts once it is more than 5 pixels from the last counted place
    }
    last = pointer;
    return activityOrStop(settings_.useEscapeLmbExit);
}

InputEffect InputRules::mouseButtonPressed(int, MouseButton button) {
    return activityOrStop(settings_.useEscapeLmbExit && button != MouseButton::Left);
}

InputEffect InputRules::keyReleased(int, int virtualKey, bool autoRepeat) {
    if (autoRepeat) {
        return InputEffect::None;
    }
    return activityOrStop(settings_.useEscapeLmbExit && virtualKey != kVirtualKeyEscape);
}

InputEffect InputRules::activityOrStop(bool onlyActivity) {
    const InputEffect effect = onlyActivity ? InputEffect::Activity : InputEffect::Stop;
    if (control_ != nullptr) {
        applyInputEffect(*control_, effect);
    }
    return effect;
}

int virtualKeyOfKeysym(std::uint32_t keysym) {
    constexpr std::uint32_t kKeysymEscape = 0xff1b;
    if (keysym == kKeysymEscape) {
        return kVirtualKeyEscape;
    }
    if (keysym >= 'a' && keysym <= 'z') {
        return static_cast<int>(keysym - 'a' + 'A');
    }
    if ((keysym >= 'A' && keysym <= 'Z') || (keysym >= '0' && keysym <= '9')) {
        return static_cast<int>(keysym);
    }
    return 0;
}

void applyInputEffect(ShowControl& control, InputEffect effect) {
    if (effect == InputEffect::Activity) {
        control.userActivity = true;
    } else if (effect == InputEffect::Stop) {
        control.requestStop();
    }
}

}  // namespace orvane
