// The show on Windows: each monitor's desktop picture taken before anything appears, the
// black mask strip across the top of the primary screen, one saver window per monitor (the
// primary first, captioned "Win0"), and the first window's 20 ms start timer whose tick plays
// the whole show and then closes that window, which quits the message loop with code 0. The
// windows and the mask are topmost; when the monitors change the windows follow theirs.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/common/input_rules.h"
#include "platform/common/platform_show.h"
#include "platform/win32/saver_window.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/window_placement.h"

namespace orvane {

// The monitors as Windows lists them (EnumDisplayMonitors), in the show's order.
std::vector<MonitorArea> systemMonitors();

class Win32Show final : public PlatformShow<Win32SaverWindow> {
public:
    Win32Show(HINSTANCE instance, const Settings& settings, GlyphPicture picture,
              const std::vector<MonitorArea>& monitors);
    ~Win32Show();

    Win32Show(const Win32Show&) = delete;
    Win32Show& operator=(const Win32Show&) = delete;

    // False when no saver window could be made: the program then just ends.
    bool ready() const { return !windows_.empty(); }
    // Shows the mask and the windows, the first one last so that it ends on top, and arms the
    // start timer.
    void open();


private:
    void play();
    // After WM_DISPLAYCHANGE: each window back on its monitor, or out of sight where its
    // monitor is gone; the show goes on. Screen coordinates shift when the primary monitor
    // changes, so each window learns the pointer's place again from its next move.
    void followMonitors();

    HINSTANCE instance_;
    std::vector<MonitorArea> monitors_;
    Win32Platform platform_;
    InputRules rules_;
    HWND mask_ = nullptr;
};

}  // namespace orvane
