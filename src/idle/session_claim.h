// One show and one idle watcher per session: each holds a lock file in the user's runtime folder
// for its whole life, named after the display it shows on. The kernel drops the lock with the
// process, however it ends.
#pragma once

namespace orvane {

enum class SessionRole { Show, IdleWatcher };

// False when another process holds the role for this display: the given one (a Wayland socket or
// an X display), else the compositor's, else the X server's. A runtime folder that cannot be used
// claims nothing and answers true: the program then runs as it would without the check.
bool claimForSession(SessionRole role, const char* display = nullptr);

}  // namespace orvane
