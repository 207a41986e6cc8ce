// When the idle watcher starts a show. The idle source says when the session has been idle for
// the idle time and when input came again; holds (a locked or sleeping session, an inhibition)
// keep the show off. A hold that ends while the session is still idle counts as input: the
// show comes once the session has stayed idle for the whole idle time after it. One show per
// idle period.
#pragma once

#include <cstdint>
#include <optional>

namespace orvane {

class ShowSchedule {
public:
    explicit ShowSchedule(std::int64_t idleMs) : idleMs_(idleMs) {}

    void idle(std::int64_t nowMs) {
        if (!idle_) dueMs_ = nowMs;
        idle_ = true;
    }
    void active() {
        idle_ = false;
        shown_ = false;
    }
    void hold(bool held, std::int64_t nowMs) {
        if (held_ && !held) dueMs_ = nowMs + idleMs_;
        held_ = held;
    }
    // The show went without input (the lock screen or sleep took it away): the next may come
    // once that hold ends.
    void taken() { shown_ = false; }
    // Started, or one that would start must wait for input and a new idle period (a lock asked
    // for that no lock screen may follow, sleep).
    void shown() { shown_ = true; }
    // The show ended by itself, at input as a rule: a new idle period is needed, whether or not
    // the source has told of that input yet.
    void ended() {
        idle_ = false;
        shown_ = false;
    }

    bool held() const { return held_; }
    // Whether the show is due now, if nothing holds it off.
    bool due(std::int64_t nowMs) const { return idle_ && !shown_ && !held_ && nowMs >= dueMs_; }
    // How long until it may be due (nothing while it waits for the source or a hold).
    std::optional<std::int64_t> waitMs(std::int64_t nowMs) const {
        if (!idle_ || shown_ || held_) return std::nullopt;
        return dueMs_ > nowMs ? dueMs_ - nowMs : 0;
    }

private:
    std::int64_t idleMs_;
    std::int64_t dueMs_ = 0;
    bool idle_ = false;
    bool held_ = false;
    bool shown_ = false;
};

}  // namespace orvane
