// The screen saver's own idle watcher (`theorvane --idle SECONDS`), for desktops that have no
// screen saver host: each time the session has been idle for SECONDS, it starts the show as a
// child process of the same executable and waits for it, then waits for the next idle time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

inline constexpr std::uint32_t kMostIdleSeconds = 86400;

// A whole number of seconds from 1 to kMostIdleSeconds, written in decimal.
std::optional<std::uint32_t> parseIdleSeconds(std::string_view text);

// arguments: what follows "--idle" on the command line. The exit code: 0 when a signal or the
// end of the session stopped it, 2 for bad arguments or a session with no idle source.
int runIdleWatcher(const std::vector<std::string>& arguments);

}  // namespace orvane
