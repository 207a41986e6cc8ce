#include "platform/wayland/input_thread.h"

namespace orvane {

InputThread::InputThread() {
    thread_ = std::thread([this] {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return job_ || ending_; });
            job = std::move(job_);
        }
        if (job) {
            job();
        }
        std::lock_guard lock(mutex_);
        done_ = true;
        changed_.notify_all();
    });
}

InputThread::~InputThread() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void InputThread::run(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        given_ = true;
    }
    changed_.notify_all();
}

void InputThread::join() {
    std::unique_lock lock(mutex_);
    if (given_) {
        changed_.wait(lock, [this] { return done_; });
    }
}

}  // namespace orvane
