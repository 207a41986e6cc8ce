#include "platform/posix/stop_watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <optional>
#include <vector>

namespace orvane {

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Messages to the thread: written whole (far below the pipe's atomic size), so the signal
// handler and the main thread never interleave.
struct Message {
    enum Kind : std::uint32_t { Signal, Change, Quit };
    Kind kind;
    void* payload;
};

std::atomic<int> signalPipe{-1};

void onStopSignal(int) {
    const int fd = signalPipe.load();
    if (fd < 0) {
        _exit(0);  // the watcher is gone: the program is ending anyway
    }
    const Message message{Message::Signal, nullptr};
    const int saved = errno;
    (void)!write(fd, &message, sizeof message);
    errno = saved;
}

// A change of what the thread holds, made on the thread between two waits.
using Change = std::packaged_task<bool()>;

}  // namespace

struct StopWatcher::State {
    int readFd = -1;
    int writeFd = -1;

    // Owned by the thread from here on.
    std::optional<StopActions> actions;
    std::vector<WatchedInput*> inputs;
    bool stopped = false;
    std::optional<std::chrono::steady_clock::time_point> exitAt;

    void send(Message::Kind kind, void* payload) const {
        const Message message{kind, payload};
        ssize_t written;
        do {
            written = write(writeFd, &message, sizeof message);
        } while (written < 0 && errno == EINTR);
    }

    void stop() {
        if (stopped) {
            return;
        }
        stopped = true;
        for (WatchedInput* input : inputs) {
            input->showStopping();
        }
        if (!actions) {
            std::_Exit(EXIT_SUCCESS);
        }
        if (actions->stop) {
            actions->stop();
        }
        if (actions->forcedExitAfter.count() > 0) {
            exitAt = std::chrono::steady_clock::now() + actions->forcedExitAfter;
        }
    }

    void apply(InputEffect effect) {
        if (effect == InputEffect::Stop) {
            stop();
        } else if (effect == InputEffect::Activity && actions && actions->activity) {
            actions->activity();
        }
    }
};

StopWatcher::StopWatcher() : state_(std::make_unique<State>()) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;  // no watcher: the default signal actions stay
    }
    state_->readFd = fds[0];
    state_->writeFd = fds[1];
    fcntl(state_->readFd, F_SETFL, O_NONBLOCK);
    signalPipe.store(state_->writeFd);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kStopSignals) {
        sigaction(signal, &action, nullptr);
    }
    thread_ = std::thread([this] { run(); });
}

StopWatcher::~StopWatcher() {
    if (!thread_.joinable()) {
        return;
    }
    state_->send(Message::Quit, nullptr);
    thread_.join();
    signalPipe.store(-1);
    close(state_->readFd);
    close(state_->writeFd);
}

bool StopWatcher::change(std::function<bool(State&)> change) {
    if (!thread_.joinable()) {
        return false;
    }
    Change task([this, &change] { return change(*state_); });
    std::future<bool> result = task.get_future();
    state_->send(Message::Change, &task);
    return result.get();
}

void StopWatcher::attach(StopActions actions) {
    change([&actions](State& s) {
        s.actions = std::move(actions);
        return true;
    });
}

void StopWatcher::detach() {
    change([](State& s) {
        s.actions.reset();
        return true;
    });
}

bool StopWatcher::watch(WatchedInput& input) {
    return change([&input](State& s) {
        if (s.stopped) {
            return false;
        }
        input.effect = [&s](InputEffect effect) { s.apply(effect); };
        s.inputs.push_back(&input);
        return true;
    });
}

void StopWatcher::unwatch(WatchedInput& input) {
    change([&input](State& s) {
        std::erase(s.inputs, &input);
        input.effect = nullptr;
        return true;
    });
}

void StopWatcher::run() {
    State& s = *state_;
    std::vector<pollfd> fds;
    for (;;) {
        int timeoutMs = -1;
        const auto sooner = [&timeoutMs](int ms) {
            if (ms >= 0) {
                timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
            }
        };
        fds.assign(1, {s.readFd, POLLIN, 0});
        // Every input prepared here is taken below, whatever wakes the wait.
        const std::vector<WatchedInput*> prepared = s.inputs;
        for (WatchedInput* input : prepared) {
            int wanted = -1;
            fds.push_back({input->prepare(wanted), POLLIN, 0});
            sooner(wanted);
        }
        if (s.exitAt) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *s.exitAt - std::chrono::steady_clock::now());
            sooner(static_cast<int>(std::max<std::int64_t>(0, left.count())));
        }
        const int ready = poll(fds.data(), fds.size(), timeoutMs);
        for (std::size_t i = 0; i < prepared.size(); ++i) {
            const pollfd& fd = fds[i + 1];
            const bool readable = (fd.revents & (POLLIN | POLLHUP | POLLERR)) != 0;
            prepared[i]->take(ready > 0 && fd.fd >= 0 && readable);
        }
        if (s.exitAt && std::chrono::steady_clock::now() >= *s.exitAt) {
            // The main thread did not finish the stop in time (the machine is busy and the
            // show runs at low priority): nothing of the show is left to save.
            std::_Exit(EXIT_SUCCESS);
        }
        if (ready <= 0 || (fds[0].revents & POLLIN) == 0) {
            continue;
        }
        Message message{};
        while (read(s.readFd, &message, sizeof message) == static_cast<ssize_t>(sizeof message)) {
            if (message.kind == Message::Quit) {
                return;
            }
            if (message.kind == Message::Signal) {
                s.stop();
            } else {
                (*static_cast<Change*>(message.payload))();
            }
        }
    }
}

}  // namespace orvane
