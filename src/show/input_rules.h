// What input does to the show: it either asks the show to stop or, when the settings keep
// ending to Escape and the left button, only reports activity (which wakes the power save).
// Pointer positions are screen coordinates, so every window compares like with like.
#pragma once

#include <vector>

#include "show/geometry.h"

namespace orvane {

class ShowControl;
struct Settings;

enum class MouseButton { Left, Right, Middle, Other };

constexpr int kVirtualKeyEscape = 27;
constexpr double kMoveThresholdPx = 5.0;

class InputRules {
public:
    InputRules(const Settings& settings, ShowControl& control, int windowCount);

    // A window became visible: remember where the pointer is and clear the activity flag.
    void windowShown(int window, Point pointer);
    void mouseMoved(int window, Point pointer);
    void mouseButtonPressed(int window, MouseButton button);
    // Releases of a held key's repeats are not key releases.
    void keyReleased(int window, int virtualKey, bool autoRepeat);

private:
    void activityOrStop(bool onlyActivity);

    const Settings& settings_;
    ShowControl& control_;
    std::vector<Point> lastPointer_;
};

}  // namespace orvane
