#include "idle/idle_watcher.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "idle/idle_source.h"
#include "idle/session_claim.h"
#include "idle/session_watch.h"
#include "idle/show_schedule.h"

extern char** environ;

namespace orvane {

namespace {

// How long a show has to leave after SIGTERM before it is killed.
constexpr int kShowStopGraceMs = 5000;
constexpr int kReapStepMs = 10;
// How often a desktop's list of inhibitions that held the show off is asked again.
constexpr std::int64_t kAskAgainMs = 5000;

std::int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

short defaultEvents() { return POLLIN; }

void log(const char* format, const char* text = "", long number = 0) {
    std::fprintf(stderr, "theorvane: ");
    std::fprintf(stderr, format, text, number);
    std::fputc('\n', stderr);
}

// This very executable: its path, so that the show's process has the program's name; the
// kernel's link where the file was replaced since (an upgrade).
std::string ownExecutable() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "/proc/self/exe";
    const std::string self(path, static_cast<std::size_t>(length));
    return access(self.c_str(), X_OK) == 0 ? self : "/proc/self/exe";
}

// The show, as `theorvane /s` of this very executable, with the signals as a new program has them.
pid_t startShow(const std::string& executable) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t handled;
    sigemptyset(&handled);
    for (const int s : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&handled, s);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &handled);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char name[] = "theorvane";
    char mode[] = "/s";
    char* arguments[] = {name, mode, nullptr};
    pid_t child = 0;
    const int error = posix_spawn(&child, executable.c_str(), nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        log("cannot start the show: %s", std::strerror(error));
        return 0;
    }
    return child;
}

// Reaps the show if it has ended; a show that did not end by itself normally is logged.
bool reaped(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) != child) {
        return false;
    }
    if (WIFSIGNALED(status)) {
        log("the show ended by signal %s%ld", "", WTERMSIG(status));
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        log("the show ended with exit code %s%ld", "", WEXITSTATUS(status));
    }
    return true;
}

void stopShow(pid_t child) {
    if (child == 0) return;
    kill(child, SIGTERM);
    for (int waited = 0; waited < kShowStopGraceMs; waited += kReapStepMs) {
        if (reaped(child)) return;
        const timespec step{0, kReapStepMs * 1'000'000L};
        nanosleep(&step, nullptr);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

}  // namespace

short IdleSource::events() const { return defaultEvents(); }

// A source left out of the build: as a session that does not offer it, saying why.
#if !ORVANE_IDLE_EXT_NOTIFY && !ORVANE_IDLE_KDE
std::unique_ptr<IdleSource> openWaylandIdle(std::uint32_t, std::string& missing) {
    missing += "; built without Wayland idle time (wayland-client and the idle protocols)";
    return nullptr;
}
#endif
#if !ORVANE_IDLE_MUTTER
std::unique_ptr<IdleSource> openMutterIdle(std::uint32_t, std::string& missing) {
    missing += "; built without mutter's idle monitor (sd-bus)";
    return nullptr;
}
#endif
#if !ORVANE_IDLE_X11
std::unique_ptr<IdleSource> openX11Idle(std::uint32_t, std::string& missing) {
    missing += "; built without X11 idle time (xcb-screensaver, xcb-res)";
    return nullptr;
}
#endif

std::optional<std::uint32_t> parseIdleSeconds(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value < 1 || value > kMostIdleSeconds) return std::nullopt;
    return value;
}

int runIdleWatcher(const std::vector<std::string>& arguments) {
    const std::optional<std::uint32_t> seconds =
        arguments.size() == 1 ? parseIdleSeconds(arguments[0]) : std::nullopt;
    if (!seconds) {
        std::fprintf(stderr, "theorvane: --idle takes one whole number of seconds from 1 to %u%s%s%s\n",
                     kMostIdleSeconds, arguments.empty() ? "" : ", not '",
                     arguments.empty() ? "" : arguments[0].c_str(), arguments.empty() ? "" : "'");
        return 2;
    }
    if (!claimForSession(SessionRole::IdleWatcher)) {
        std::fprintf(stderr, "theorvane: an idle watcher already runs for this session\n");
        return 2;
    }
    // Signals are read from a descriptor beside the source's, so that the wait is one poll().
    sigset_t handled;
    sigemptyset(&handled);
    for (const int s : {SIGTERM, SIGINT, SIGHUP, SIGCHLD}) sigaddset(&handled, s);
    sigprocmask(SIG_BLOCK, &handled, nullptr);
    const int signals = signalfd(-1, &handled, SFD_CLOEXEC | SFD_NONBLOCK);

    // The first source the session offers, in this order.
    std::string missing;
    std::unique_ptr<IdleSource> source = openWaylandIdle(*seconds, missing);
    if (!source) source = openMutterIdle(*seconds, missing);
    if (!source) source = openX11Idle(*seconds, missing);
    if (!source || signals < 0) {
        std::fprintf(stderr, "theorvane: no idle time to watch here: %s\n",
                     missing.size() > 2 ? missing.c_str() + 2 : "no signals");
        return 2;
    }
    SessionWatch session;
    std::fprintf(stderr, "theorvane: the show starts after %u s of idle time (read through %s)\n",
                 *seconds, source->name());
    if (!session.found().empty()) {
        std::fprintf(stderr, "theorvane: the session's own say: %s\n", session.found().c_str());
    }
#if !ORVANE_IDLE_SESSION
    std::fprintf(stderr, "theorvane: built without sd-bus: the session's lock, sleep and "
                         "inhibitions are not known\n");
#endif

    ShowSchedule schedule(std::int64_t{*seconds} * 1000);
    pid_t child = 0;
    bool asked = false;  // a desktop's list of inhibitions held the show off
    std::int64_t askAgainMs = 0;
    auto endShow = [&] {
        if (child == 0) return;
        stopShow(child);
        child = 0;
        schedule.taken();
        session.setShowActive(false);
    };
    for (;;) {
        std::int64_t now = nowMs();
        // A lock or sleep takes the show away at once; so does activity a program reports.
        if (session.locked() || session.sleeping()) endShow();
        if (session.takeStopRequest()) {
            endShow();
            schedule.shown();
        }
        if (session.takeActivity()) {
            endShow();
            schedule.hold(true, now);
            schedule.hold(false, now);
        }
        if (asked && now >= askAgainMs) {
            asked = session.askInhibitors() != nullptr;
            askAgainMs = now + kAskAgainMs;
        }
        const bool held = asked || session.locked() || session.sleeping() ||
                          session.servedInhibitions() > 0;
        schedule.hold(held, now);
        if (child == 0 && schedule.due(now)) {
            if (const char* holder = session.askInhibitors()) {
                log("idle, but %s asks for the screen to stay as it is: the show waits", holder);
                asked = true;
                askAgainMs = now + kAskAgainMs;
                schedule.hold(true, now);
            } else if ((child = startShow(ownExecutable())) != 0) {
                schedule.shown();
                session.setShowActive(true);
            } else {
                schedule.shown();  // logged; the next idle period tries again
            }
        }

        int timeout = source->timeoutMs();
        auto shorten = [&timeout](std::int64_t ms) {
            const int wait = static_cast<int>(std::clamp<std::int64_t>(ms, 0, 86'400'000));
            if (timeout < 0 || wait < timeout) timeout = wait;
        };
        if (session.timeoutMs() >= 0) shorten(session.timeoutMs());
        if (const auto wait = schedule.waitMs(now); wait && child == 0) shorten(*wait);
        if (asked) shorten(askAgainMs - now);

        source->prepare();
        std::vector<pollfd> waits{{signals, POLLIN, 0}, {source->fd(), source->events(), 0}};
        session.appendWaits(waits);
        const int ready = poll(waits.data(), waits.size(), timeout);
        now = nowMs();
        if (ready < 0) {
            source->cancel();
            continue;
        }
        if ((waits[0].revents & POLLIN) != 0) {
            signalfd_siginfo info{};
            while (read(signals, &info, sizeof info) == sizeof info) {
                if (info.ssi_signo != SIGCHLD) {
                    source->cancel();
                    stopShow(child);
                    return 0;
                }
            }
            if (child != 0 && reaped(child)) {
                child = 0;
                schedule.ended();
                session.setShowActive(false);
            }
        }
        IdleSource::News news = IdleSource::News::Nothing;
        if (waits[1].revents != 0) {
            news = source->wake(true);
        } else if (ready == 0) {
            news = source->wake(false);
        } else {
            source->cancel();
        }
        session.process();
        switch (news) {
        case IdleSource::News::Gone:
            // The session is over: so is the watcher.
            stopShow(child);
            return 0;
        case IdleSource::News::Idle:
            schedule.idle(now);
            if (session.locked()) log("idle, but the session is locked: no show");
            if (session.servedInhibitions() > 0) {
                log("idle, but a program asks for the screen to stay as it is: the show waits");
            }
            break;
        case IdleSource::News::Active:
            schedule.active();
            asked = false;
            break;
        case IdleSource::News::Nothing:
            break;
        }
    }
}

}  // namespace orvane
