// What input does to the show: it either asks the show to stop or, when the settings keep
// ending to Escape and the left button, only reports activity (which wakes the power save).
// Pointer positions are screen coordinates, so every window compares like with like.
#pragma once

#include <cstdint>
#include <vector>

#include "show/geometry.h"

namespace orvane {

class ShowControl;
struct Settings;

enum class MouseButton { Left, Right, Middle, Other };

// A platform's button, given its codes of the three buttons that have names.
constexpr MouseButton buttonOfCode(unsigned code, unsigned left, unsigned middle, unsigned right) {
    return code == left     ? MouseButton::Left
           : code == middle ? MouseButton::Middle
           : code == right  ? MouseButton::Right
                            : MouseButton::Other;
}

// What one input means for the show.
enum class InputEffect { None, Activity, Stop };

constexpr int kVirtualKeyEscape = 27;
constexpr double kMoveThresholdPx = 5.0;

// Each input call applies its effect to the show control (when there is one) and returns it.
class InputRules {
public:
    InputRules(const Settings& settings, ShowControl& control, int windowCount);
    // Rules that only tell what input means, for a watcher that acts on the effect itself.
    InputRules(const Settings& settings, int windowCount);

    // A window became visible: remember where the pointer is and clear the activity flag.
    void windowShown(int window, Point pointer);
    // Where the pointer stands over the window is not known (it could not be read, or the
    // screen's coordinates moved under it): its next motion there only tells it.
    void forgetPointer(int window);
    InputEffect mouseMoved(int window, Point pointer);
    InputEffect mouseButtonPressed(int window, MouseButton button);
    // Releases of a held key's repeats are not key releases.
    InputEffect keyReleased(int window, int virtualKey, bool autoRepeat);

    // Where the pointer was last counted on the window.
    Point lastPointer(int window) const;

private:
    InputEffect activityOrStop(bool onlyActivity);

    const Settings& settings_;
    ShowControl* control_;
    std::vector<Point> lastPointer_;
    std::vector<bool> pointerKnown_;
};

// The key of an X11 or xkbcommon keysym as the rules know keys: Escape 27, letters and digits
// their upper-case character code, anything else 0.
int virtualKeyOfKeysym(std::uint32_t keysym);

// Stop asks the show to stop; Activity raises the activity flag.
void applyInputEffect(ShowControl& control, InputEffect effect);

}  // namespace orvane
