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

// One name for each display however it is written: a socket by its name alone (it may be given
// as a path), an X display without its screen number or the "unix" before a local one.
std::string displayKey(const char* given) {
    std::string key = given != nullptr ? given : environment("WAYLAND_DISPLAY");
    if (key.empty()) key = environment("DISPLAY");
    if (key.empty()) return "none";
    if (key.find(':') == std::string::npos) {
        key = key.substr(key.find_last_of('/') + 1);
    } else {
        if (key.rfind("unix:", 0) == 0) key.erase(0, 4);
        const std::size_t dot = key.find('.', key.rfind(':'));
        if (dot != std::string::npos) key.erase(dot);
    }
    for (char& c : key) {
        if (c == '/') c = '_';
    }
    return key.empty() ? "none" : key;
}

}  // namespace

bool claimForSession(SessionRole role, const char* display) {
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
                             (role == SessionRole::Show ? "show-" : "idle-") + displayKey(display) + ".lock";
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
