// What ends the program at once, even on a machine so busy that the show's own thread (at low
// priority, nice 10) waits long for processor time: a small thread of normal priority that sleeps
// until a stop signal (SIGTERM, SIGINT, SIGHUP) arrives or, in show mode on X11, until the show's
// input itself, which it takes from its own X connection. When input or a signal ends the show it
// takes the saver windows off the screen there and then, hands the stop to the main thread's event
// loop (the normal stop path), and ends the process itself if that path has not finished shortly
// after.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "host/settings.h"
#include "show/geometry.h"

class QObject;

namespace orvane {

// What the main thread does with what the watcher sees; run from the main thread's event loop.
struct StopActions {
    QObject* context = nullptr;  // calls still queued when it is destroyed are dropped
    std::function<void()> stop;
    std::function<void()> activity;  // input that only counts as activity
    // The program ends on its own this long after a stop unless the watcher is detached first;
    // zero leaves the ending to the main thread alone (a dialog that may still be saving).
    std::chrono::milliseconds forcedExitAfter{0};
};

// The show's input, for the watcher to take over (X11 window ids).
struct InputWatch {
    std::uint32_t grabWindow = 0;            // the first saver window
    std::vector<std::uint32_t> hideOnStop;   // every window of the show, mask strip included
    Settings settings;
    Point pointerAtShow;                     // where the pointer was when the first window showed
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

    // Once the application object exists. Until then, and after detach(), a stop signal ends
    // the program at once: nothing of it is on the screen.
    void attach(StopActions actions);
    // Before the application object goes; waits until the thread has let go of the actions.
    void detach();

    // Takes the keyboard and the pointer on the grab window from the watcher's own X connection
    // and runs the input rules on them. False where it cannot (not X11, no detectable key
    // repeat, the grab refused): the windows' own input handlers then serve.
    bool watchInput(InputWatch watch);
    // A stop when the window is destroyed (a window the program was given to draw in).
    bool watchWindowLife(std::uint32_t window);

private:
    struct State;
    void run();
    // Hands a request to the thread and waits for its answer.
    template <typename Payload>
    bool ask(int kind, Payload payload);

    std::unique_ptr<State> state_;
    std::thread thread_;
};

}  // namespace orvane
