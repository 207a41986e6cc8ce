#include "idle/session_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace orvane {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// The display the show goes to: the compositor's socket, else the X display. A socket may be
// named by its path, so the name is made safe for a file name.
std::string displayKey() {
    std::string key = environment("WAYLAND_DISPLAY");
    if (key.empty()) key = environment("DISPLAY");
    if (key.empty()) key = "none";
    for (char& c : key) {
        if (c == '/' || c == '\0') c = '_';
    }
    return key;
}

}  // namespace

bool claimForSession(SessionRole role) {
    // The runtime folder is the user's own; without one, a folder of the user's own in /tmp,
    // where another user's folder of that name is passed over.
    std::string folder = environment("XDG_RUNTIME_DIR");
    if (folder.empty()) {
        folder = "/tmp/theorvane-" + std::to_string(getuid());
        mkdir(folder.c_str(), 0700);
        struct stat status {};
        if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            status.st_uid != getuid()) {
            return true;
        }
    }
    const std::string path = folder + "/theorvane-" +
                             (role == SessionRole::Show ? "show-" : "idle-") + displayKey() + ".lock";
    // Kept open, without a name in the program, until the process ends; not passed to children
    // (the watcher's shows take their own).
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return !held;
    }
    return true;
}

}  // namespace orvane
