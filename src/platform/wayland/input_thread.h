// A thread made while the program still runs at the priority it was started with, idle until
// the Wayland show hands it the input loop. Threads take their maker's priority, and the show's
// own thread is lowered (nice 10) long before the compositor is reached: input read here is
// seen at once on a busy machine, as the X11 stop watcher sees it.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace orvane {

class InputThread {
public:
    InputThread();
    // Waits for a job handed over to return.
    ~InputThread();

    InputThread(const InputThread&) = delete;
    InputThread& operator=(const InputThread&) = delete;

    // Runs the job on the thread; one job in the thread's life.
    void run(std::function<void()> job);
    // Waits until the job has returned (at once when none was given).
    void join();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool given_ = false;
    bool ending_ = false;
    bool done_ = false;
    std::thread thread_;
};

}  // namespace orvane
