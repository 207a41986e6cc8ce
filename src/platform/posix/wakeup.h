// A wake-up for a thread that sleeps in poll(): another thread notifies, the sleeper's descriptor
// becomes readable until it drains it. Without an eventfd the sleeper just sleeps its time out.
#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace orvane {

class Wakeup {
public:
    Wakeup() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~Wakeup() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    int fd() const { return fd_; }
    void notify() const {
        const std::uint64_t one = 1;
        (void)!write(fd_, &one, sizeof one);  // nothing where there is no eventfd
    }
    void drain() const {
        std::uint64_t count = 0;
        (void)!read(fd_, &count, sizeof count);
    }

private:
    int fd_;
};

}  // namespace orvane
