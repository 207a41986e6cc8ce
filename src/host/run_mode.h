// The mode switch: the first two characters of the first argument, compared exactly; and, tested
// before it as whole arguments, the module options with which a screensaver host (the X11
// screen saver daemon, a settings app's preview pane) starts the program in a window it made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

enum class RunMode { Show, Configure, Preview, Quit, Module };

// Where module mode draws: a window given by id, or the root window of the default screen.
struct ModuleWindow {
    bool rootWindow = false;
    std::uint32_t id = 0;
    bool operator==(const ModuleWindow&) const = default;
};

struct Invocation {
    RunMode mode = RunMode::Quit;
    ModuleWindow window;  // for RunMode::Module
    // A module command line that names no usable window: one line for stderr; the mode is Quit.
    std::string error;
};

inline constexpr const char* kHostWindowVariable = "XSCREENSAVER_WINDOW";

// Where a full-screen show runs: through Qt's windows (X11), or on a Wayland compositor
// directly.
enum class ShowPlatform { Qt, Wayland };

// Names the platform for tests and users: "wayland" or "x11".
inline constexpr const char* kPlatformVariable = "ORVANE_PLATFORM";

// The Wayland show whenever a Wayland display is named, unless ORVANE_PLATFORM chooses;
// forced: its value, waylandDisplay: WAYLAND_DISPLAY's, when set.
ShowPlatform showPlatformOf(const std::optional<std::string>& forced,
                            const std::optional<std::string>& waylandDisplay);

// arguments: the command line after the program name.
RunMode runModeFromArguments(const std::vector<std::string>& arguments);

// The same for the Windows program, where no argument at all is the shell's "Configure" (its
// context menu starts a screen saver bare; a double-click adds /S itself).
RunMode windowsRunModeFromArguments(const std::vector<std::string>& arguments);

// hostWindow: the value of XSCREENSAVER_WINDOW, when set.
Invocation invocationOf(const std::vector<std::string>& arguments,
                        const std::optional<std::string>& hostWindow);

// A window id as hosts write it: decimal, or hexadecimal after "0x"; zero and values beyond
// 32 bits are no window.
std::optional<std::uint32_t> parseWindowId(std::string_view text);

}  // namespace orvane
