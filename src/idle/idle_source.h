// Where the watcher learns that the session has been idle: one connection of the desktop's own,
// waited on with poll(). A source never keeps the session awake: it only listens.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orvane {

class IdleSource {
public:
    enum class News { Nothing, Idle, Active, Gone };

    virtual ~IdleSource() = default;
    // What the source is, for the watcher's log ("ext_idle_notifier_v1", ...).
    virtual const char* name() const = 0;
    // The descriptor to wait on, and the events to wait for.
    virtual int fd() const = 0;
    virtual short events() const;
    // The longest wait before wake(false) is due (-1: none).
    virtual int timeoutMs() { return -1; }
    // Called before each wait, and when the wait ended for another descriptor.
    virtual void prepare() {}
    virtual void cancel() {}
    // After the wait: readable, or the timeout passed. Idle once each time the session has
    // been idle for the time asked for, Active at the first input after that.
    virtual News wake(bool readable) = 0;
};

// The sources, each nullptr when the session does not offer it or the program was built without
// it (why is appended to missing).
std::unique_ptr<IdleSource> openWaylandIdle(std::uint32_t seconds, std::string& missing);
std::unique_ptr<IdleSource> openMutterIdle(std::uint32_t seconds, std::string& missing);
std::unique_ptr<IdleSource> openX11Idle(std::uint32_t seconds, std::string& missing);

}  // namespace orvane
