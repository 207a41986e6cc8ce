// What ends the program at once, even when the show's own thread (nice 10) waits long for the
// processor: a thread of normal priority that sleeps until a stop signal (SIGTERM, SIGINT,
// SIGHUP) arrives or an input it watches (the X11 grab, the Wayland seats) has something. When
// either ends the show it lets each input take the show off the screen where it can, hands the
// stop to the main thread, and ends the process itself if that has not finished shortly after.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/common/input_rules.h"

namespace orvane {

// What the main thread does with what the watcher sees. Called on the watcher's thread: each
// hands the call over to the main thread in its own way (an event queue, a flag and a wake-up).
struct StopActions {
    std::function<void()> stop;
    std::function<void()> activity;  // input that only counts as activity
    // The program ends on its own this long after a stop made while attached, whatever the main
    // thread is doing by then; zero leaves the ending to it alone (a dialog that may be saving).
    std::chrono::milliseconds forcedExitAfter{0};
};

// An input the watcher reads on its thread; every call comes from that thread.
class WatchedInput {
public:
    virtual ~WatchedInput() = default;
    // Before each wait: the descriptor to wait on (-1: none), and in timeoutMs how soon it wants
    // to be asked again (-1: only when the descriptor has something).
    virtual int prepare(int& timeoutMs) = 0;
    // After each wait that followed a prepare; readable: the descriptor has something (or hung up).
    virtual void take(bool readable) = 0;
    // The show is stopping: takes it off the screen where this input can.
    virtual void showStopping() {}

    // What the input means, to the watcher (from take() and prepare()); nothing for None.
    void report(InputEffect meaning) const {
        if (meaning != InputEffect::None && effect) {
            effect(meaning);
        }
    }
    std::function<void(InputEffect)> effect;  // set by the watcher
};

class StopWatcher {
public:
    static constexpr std::chrono::milliseconds kForcedExitAfter{150};

    // Starts the thread and catches the stop signals. Make it before lowering the priority of
    // the main thread: a thread keeps the priority it was started with.
    StopWatcher();
    ~StopWatcher();

    StopWatcher(const StopWatcher&) = delete;
    StopWatcher& operator=(const StopWatcher&) = delete;

    // Until then, and after detach(), a stop signal ends the program at once: nothing of it is
    // on the screen.
    void attach(StopActions actions);
    // Waits until the thread has let go of the actions.
    void detach();

    // The watcher reads the input from here on; false (and it does not) once the show has been
    // stopped. The input stays the caller's, who takes it back with unwatch() before it goes.
    bool watch(WatchedInput& input);
    void unwatch(WatchedInput& input);
    // False where the thread could not be made: nothing is watched, signals act as by default.
    bool running() const { return thread_.joinable(); }

private:
    struct State;
    void run();
    // Has the thread make the change between two waits; its answer.
    bool change(std::function<bool(State&)> change);

    std::unique_ptr<State> state_;
    std::thread thread_;
};

}  // namespace orvane
