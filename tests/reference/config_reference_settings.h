// The settings the configuration windows' reference run shows, the same in both builds so that
// their rows are the same moments: fixed values, and the sliders' page at both ends of its
// ranges (and the other controls with them).
#pragma once

#include "host/settings.h"

namespace orvane::reference {

inline Settings fixedSettings() {
    Settings s;
    s.phoneNumber = "5550690";
    s.userName = "Ada";
    s.userMode = 2;
    s.dateTimeMode = 0;
    s.showIntro = true;
    s.showTitle = false;
    s.overallSpeed = 2400;
    s.densityFraction = 0.4;
    s.variance = 130;
    s.suspendTimeout = 5;
    s.useEscapeLmbExit = true;
    return s;
}

inline Settings lowestSettings() {
    Settings s = fixedSettings();
    s.overallSpeed = 400;
    s.variance = 0;
    s.densityFraction = 0.1;
    s.tintR = s.tintG = s.tintB = 0;
    return s;
}

inline Settings highestSettings() {
    Settings s = fixedSettings();
    s.overallSpeed = 4000;
    s.variance = 200;
    s.densityFraction = 1.0;
    s.highlightR = s.highlightG = s.highlightB = 255;
    return s;
}

}  // namespace orvane::reference
