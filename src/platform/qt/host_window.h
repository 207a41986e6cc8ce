// Finds the window a screensaver host gave the program to draw in, on the application's X11
// display: the window named by id, or the root window of the default screen.
#pragma once

#include <optional>
#include <string>

#include "host/run_mode.h"
#include "platform/qt/qt_show.h"

namespace orvane {

// Needs the application object. Nothing, with a one-line reason, when the display is not X11
// or holds no such window.
std::optional<HostWindow> findHostWindow(const ModuleWindow& wanted, std::string& reason);

}  // namespace orvane
