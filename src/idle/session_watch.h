// What the desktop session says beside the idle time: whether it is locked or about to sleep, and
// who asks for the screen to stay as it is. Read from the session bus (the desktop's lock screen,
// its session manager, and the screen saver name, which the watcher serves where nobody else
// does) and from the system bus (logind). A bus or a service that is missing is passed over.
// Built without sd-bus (ORVANE_IDLE_SESSION 0), it knows nothing: as with neither bus.
#pragma once

#include <poll.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#if ORVANE_IDLE_SESSION
#include <systemd/sd-bus.h>
#endif

namespace orvane {

#if ORVANE_IDLE_SESSION
class SessionWatch {
public:
    SessionWatch();
    ~SessionWatch();
    SessionWatch(const SessionWatch&) = delete;
    SessionWatch& operator=(const SessionWatch&) = delete;

    // The buses to wait on, and the longest wait they allow (-1: none).
    void appendWaits(std::vector<pollfd>& waits) const;
    int timeoutMs() const;
    // After the wait: what came on either bus.
    void process();

    // The lock screen is up (the desktop's screen saver interface, or logind's hint).
    bool locked() const { return gnomeLocked_ || desktopLocked_ || logindLocked_; }
    // Between logind's PrepareForSleep(true) and PrepareForSleep(false).
    bool sleeping() const { return sleeping_; }
    // A lock or sleep, or activity, asked for since the last call (logind's Lock and
    // PrepareForSleep, a caller's SimulateUserActivity): a running show has to go.
    bool takeStopRequest();
    bool takeActivity();
    // Inhibitions callers hold through the screen saver name the watcher serves.
    std::size_t servedInhibitions() const { return cookies_.size(); }
    // Asks the desktop's own lists of inhibitions; the first that holds idle off, or nullptr.
    const char* askInhibitors();
    // Whether the show runs, for callers of the served GetActive and its ActiveChanged signal.
    void setShowActive(bool active);
    // What was found, for the watcher's first log line ("" when nothing).
    const std::string& found() const { return found_; }

private:
    void openSession();
    void openSystem();
    void readLogindLock();
    void watchDesktopSaver();
    void stopServing();

    static int gnomeActiveChanged(sd_bus_message* message, void* self, sd_bus_error*);
    static int desktopActiveChanged(sd_bus_message* message, void* self, sd_bus_error*);
    static int ownerChanged(sd_bus_message* message, void* self, sd_bus_error*);
    static int sessionChanged(sd_bus_message* message, void* self, sd_bus_error*);
    static int nameLost(sd_bus_message* message, void* self, sd_bus_error*);
    static int lockAsked(sd_bus_message* message, void* self, sd_bus_error*);
    static int prepareForSleep(sd_bus_message* message, void* self, sd_bus_error*);
    static int inhibit(sd_bus_message* message, void* self, sd_bus_error*);
    static int unInhibit(sd_bus_message* message, void* self, sd_bus_error*);
    static int getActive(sd_bus_message* message, void* self, sd_bus_error*);
    static int simulateActivity(sd_bus_message* message, void* self, sd_bus_error*);

    sd_bus* session_ = nullptr;
    sd_bus* system_ = nullptr;
    std::vector<sd_bus_slot*> slots_;
    std::vector<sd_bus_slot*> served_;  // the screen saver name's objects and matches
    std::string sessionPath_;  // logind's object of this session
    bool serving_ = false;     // the watcher owns the screen saver name
    bool gnomeLocked_ = false;
    bool desktopLocked_ = false;
    bool logindLocked_ = false;
    bool sleeping_ = false;
    bool stopRequested_ = false;
    bool activity_ = false;
    bool showActive_ = false;
    std::uint32_t nextCookie_ = 1;
    std::map<std::uint32_t, std::string> cookies_;  // cookie: the caller's unique bus name
    std::string found_;
};
#else
class SessionWatch {
public:
    void appendWaits(std::vector<pollfd>&) const {}
    int timeoutMs() const { return -1; }
    void process() {}
    bool locked() const { return false; }
    bool sleeping() const { return false; }
    bool takeStopRequest() { return false; }
    bool takeActivity() { return false; }
    std::size_t servedInhibitions() const { return 0; }
    const char* askInhibitors() { return nullptr; }
    void setShowActive(bool) {}
    const std::string& found() const { return found_; }

private:
    std::string found_;
};
#endif

}  // namespace orvane
