#include "idle/session_watch.h"

#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "idle/bus_names.h"

namespace orvane {

namespace {

constexpr const char* kGnomeSaver = "org.gnome.ScreenSaver";
constexpr const char* kSaver = "org.freedesktop.ScreenSaver";
constexpr const char* kSaverPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};
constexpr const char* kGnomeSession = "org.gnome.SessionManager";
constexpr const char* kKdeAgent = "org.kde.Solid.PowerManagement.PolicyAgent";
constexpr const char* kKdeAgentPath = "/org/kde/Solid/PowerManagement/PolicyAgent";
constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kLoginPath = "/org/freedesktop/login1";
constexpr const char* kLoginManager = "org.freedesktop.login1.Manager";
constexpr const char* kLoginSession = "org.freedesktop.login1.Session";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
// The session manager's and KDE's policy agent's flag for "the screen stays as it is".
constexpr std::uint32_t kGnomeInhibitIdle = 8;
constexpr std::uint32_t kKdeInhibitScreen = 4;
// A desktop service that does not answer at once must not hold the watcher up for long.
constexpr std::uint64_t kCallTimeoutUs = 1'000'000;
// More inhibitions than any desktop holds: a caller that leaks them gets an error, not memory.
constexpr std::size_t kMostInhibitions = 4096;

bool readBool(sd_bus* bus, const char* name, const char* path, const char* interface,
              const char* method, const char* types = nullptr, std::uint32_t argument = 0) {
    sd_bus_message* reply = nullptr;
    int value = 0;
    const int called =
        types == nullptr
            ? sd_bus_call_method(bus, name, path, interface, method, nullptr, &reply, "")
            : sd_bus_call_method(bus, name, path, interface, method, nullptr, &reply, types,
                                 argument);
    const bool read = called >= 0 && sd_bus_message_read(reply, "b", &value) >= 0;
    sd_bus_message_unref(reply);
    return read && value != 0;
}

// A logind manager method that answers with an object path ("" when it cannot).
template <typename Argument>
std::string readPath(sd_bus* bus, const char* method, const char* type, Argument argument) {
    sd_bus_message* reply = nullptr;
    const char* path = nullptr;
    std::string result;
    if (sd_bus_call_method(bus, kLogin, kLoginPath, kLoginManager, method, nullptr, &reply, type,
                           argument) >= 0 &&
        sd_bus_message_read(reply, "o", &path) >= 0 && path != nullptr) {
        result = path;
    }
    sd_bus_message_unref(reply);
    return result;
}

void append(std::string& list, const std::string& part) {
    if (!list.empty()) list += ", ";
    list += part;
}

}  // namespace

SessionWatch::SessionWatch() {
    openSession();
    openSystem();
}

SessionWatch::~SessionWatch() {
    stopServing();
    for (sd_bus_slot* slot : slots_) sd_bus_slot_unref(slot);
    if (session_ != nullptr) sd_bus_flush_close_unref(session_);
    if (system_ != nullptr) sd_bus_flush_close_unref(system_);
}

void SessionWatch::openSession() {
    if (sd_bus_open_user(&session_) < 0) {
        session_ = nullptr;
        return;
    }
    sd_bus_set_method_call_timeout(session_, kCallTimeoutUs);
    bool answered = false;
    const bool gnome = busNameOwned(session_, kGnomeSaver, &answered);
    if (!answered) {
        sd_bus_flush_close_unref(session_);
        session_ = nullptr;
        return;
    }
    sd_bus_slot* slot = nullptr;
    // GNOME's lock screen: its signal is watched even before the shell owns the name.
    if (sd_bus_match_signal(session_, &slot, kGnomeSaver, "/org/gnome/ScreenSaver", kGnomeSaver,
                            "ActiveChanged", &SessionWatch::gnomeActiveChanged, this) >= 0) {
        slots_.push_back(slot);
    }
    if (gnome) {
        gnomeLocked_ =
            readBool(session_, kGnomeSaver, "/org/gnome/ScreenSaver", kGnomeSaver, "GetActive");
        append(found_, std::string("the lock screen through ") + kGnomeSaver);
    }

    // The screen saver name: served here where nobody owns it, so that players' inhibitions
    // reach the watcher; where the desktop owns it, its ActiveChanged says the screen is locked.
    static const sd_bus_vtable kVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("Inhibit", "ss", "u", &SessionWatch::inhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("UnInhibit", "u", "", &SessionWatch::unInhibit, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("GetActive", "", "b", &SessionWatch::getActive, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("SimulateUserActivity", "", "", &SessionWatch::simulateActivity,
                      SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_SIGNAL("ActiveChanged", "b", 0),
        SD_BUS_VTABLE_END};
    // GNOME and Plasma serve the name themselves, perhaps only after the watcher has started;
    // elsewhere the watcher gives it up to any desktop service that asks for it later.
    const std::string desktop = std::getenv("XDG_CURRENT_DESKTOP") != nullptr
                                    ? std::getenv("XDG_CURRENT_DESKTOP")
                                    : "";
    const bool desktopServes = desktop.find("GNOME") != std::string::npos ||
                               desktop.find("KDE") != std::string::npos;
    for (const char* path : kSaverPaths) {
        if (!desktopServes &&
            sd_bus_add_object_vtable(session_, &slot, path, kSaver, kVtable, this) >= 0) {
            served_.push_back(slot);
        }
    }
    if (served_.size() == 2 &&
        sd_bus_request_name(session_, kSaver, SD_BUS_NAME_ALLOW_REPLACEMENT) >= 0 &&
        sd_bus_match_signal(session_, &slot, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                            "org.freedesktop.DBus", "NameLost", &SessionWatch::nameLost,
                            this) >= 0) {
        serving_ = true;
        served_.push_back(slot);
        if (sd_bus_match_signal(session_, &slot, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                "org.freedesktop.DBus", "NameOwnerChanged",
                                &SessionWatch::ownerChanged, this) >= 0) {
            served_.push_back(slot);
        }
        append(found_, std::string("inhibitions through ") + kSaver + " (served here)");
    } else {
        watchDesktopSaver();
        append(found_, std::string("the lock screen through ") + kSaver +
                           (busNameOwned(session_, kSaver) ? " (its inhibitions are its owner's)"
                                                           : ""));
    }
    for (const char* lists : {kGnomeSession, kKdeAgent}) {
        if ((!serving_ || lists == kGnomeSession) && busNameOwned(session_, lists)) {
            append(found_, std::string("inhibitions of ") + lists);
        }
    }
}

void SessionWatch::stopServing() {
    for (sd_bus_slot* slot : served_) sd_bus_slot_unref(slot);
    served_.clear();
    serving_ = false;
    cookies_.clear();
}

void SessionWatch::watchDesktopSaver() {
    stopServing();
    sd_bus_slot* slot = nullptr;
    if (sd_bus_match_signal(session_, &slot, kSaver, nullptr, kSaver, "ActiveChanged",
                            &SessionWatch::desktopActiveChanged, this) >= 0) {
        slots_.push_back(slot);
    }
    desktopLocked_ = readBool(session_, kSaver, kSaverPaths[0], kSaver, "GetActive");
}

void SessionWatch::openSystem() {
    if (sd_bus_open_system(&system_) < 0) {
        system_ = nullptr;
        return;
    }
    sd_bus_set_method_call_timeout(system_, kCallTimeoutUs);
    // This session's object: the one named in the environment, else the one this process is in,
    // else the user's graphical session (a user service is in none).
    const char* id = std::getenv("XDG_SESSION_ID");
    if (id != nullptr && *id != '\0') sessionPath_ = readPath(system_, "GetSession", "s", id);
    if (sessionPath_.empty()) {
        const std::uint32_t pid = static_cast<std::uint32_t>(getpid());
        sessionPath_ = readPath(system_, "GetSessionByPID", "u", pid);
    }
    if (sessionPath_.empty()) {
        const std::uint32_t uid = static_cast<std::uint32_t>(getuid());
        const std::string user = readPath(system_, "GetUser", "u", uid);
        sd_bus_message* reply = nullptr;
        const char* sessionId = nullptr;
        const char* path = nullptr;
        if (!user.empty() &&
            sd_bus_get_property(system_, kLogin, user.c_str(), "org.freedesktop.login1.User",
                                "Display", nullptr, &reply, "(so)") >= 0 &&
            sd_bus_message_read(reply, "(so)", &sessionId, &path) >= 0 && path != nullptr &&
            std::string_view(path) != "/") {
            sessionPath_ = path;
        }
        sd_bus_message_unref(reply);
    }
    sd_bus_slot* slot = nullptr;
    const bool sleep =
        sd_bus_match_signal(system_, &slot, kLogin, kLoginPath, kLoginManager, "PrepareForSleep",
                            &SessionWatch::prepareForSleep, this) >= 0;
    if (sleep) slots_.push_back(slot);
    if (!sessionPath_.empty()) {
        if (sd_bus_match_signal(system_, &slot, kLogin, sessionPath_.c_str(), kProperties,
                                "PropertiesChanged", &SessionWatch::sessionChanged, this) >= 0) {
            slots_.push_back(slot);
        }
        if (sd_bus_match_signal(system_, &slot, kLogin, sessionPath_.c_str(), kLoginSession, "Lock",
                                &SessionWatch::lockAsked, this) >= 0) {
            slots_.push_back(slot);
        }
        readLogindLock();
        append(found_, "logind's lock, sleep and inhibitors (session " + sessionPath_ + ")");
    } else if (sleep) {
        append(found_, "logind's sleep and inhibitors");
    }
}

void SessionWatch::readLogindLock() {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int locked = 0;
    if (sd_bus_get_property_trivial(system_, kLogin, sessionPath_.c_str(), kLoginSession,
                                    "LockedHint", &error, 'b', &locked) >= 0) {
        logindLocked_ = locked != 0;
    }
    sd_bus_error_free(&error);
}

void SessionWatch::appendWaits(std::vector<pollfd>& waits) const {
    for (sd_bus* bus : {session_, system_}) {
        if (bus != nullptr) {
            waits.push_back({sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0});
        }
    }
}

int SessionWatch::timeoutMs() const {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
                                static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
    int shortest = -1;
    for (sd_bus* bus : {session_, system_}) {
        std::uint64_t until = 0;
        if (bus == nullptr || sd_bus_get_timeout(bus, &until) < 0 || until == UINT64_MAX) continue;
        const int wait = until <= nowUs ? 0 : static_cast<int>((until - nowUs + 999) / 1000);
        if (shortest < 0 || wait < shortest) shortest = wait;
    }
    return shortest;
}

void SessionWatch::process() {
    for (sd_bus** bus : {&session_, &system_}) {
        if (*bus == nullptr) continue;
        int processed = 0;
        while ((processed = sd_bus_process(*bus, nullptr)) > 0) {
        }
        if (processed < 0) {
            // The bus went away: what it said no longer holds.
            sd_bus_flush_close_unref(*bus);
            *bus = nullptr;
            if (bus == &session_) {
                gnomeLocked_ = desktopLocked_ = false;
                cookies_.clear();
                serving_ = false;
                served_.clear();  // the slots went with the bus
            } else {
                logindLocked_ = sleeping_ = false;
            }
        }
    }
}

bool SessionWatch::takeStopRequest() {
    const bool requested = stopRequested_;
    stopRequested_ = false;
    return requested;
}

bool SessionWatch::takeActivity() {
    const bool reported = activity_;
    activity_ = false;
    return reported;
}

const char* SessionWatch::askInhibitors() {
    if (session_ != nullptr) {
        if (readBool(session_, kGnomeSession, "/org/gnome/SessionManager", kGnomeSession,
                     "IsInhibited", "u", kGnomeInhibitIdle)) {
            return kGnomeSession;
        }
        if (!serving_ && readBool(session_, kKdeAgent, kKdeAgentPath, kKdeAgent,
                                  "HasInhibition", "u", kKdeInhibitScreen)) {
            return kKdeAgent;
        }
    }
    if (system_ != nullptr) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        char* blocked = nullptr;
        bool idle = false;
        if (sd_bus_get_property_string(system_, kLogin, kLoginPath, kLoginManager, "BlockInhibited",
                                       &error, &blocked) >= 0 && blocked != nullptr) {
            // A colon-separated list of what is inhibited ("sleep:idle").
            std::string_view rest(blocked);
            while (!rest.empty() && !idle) {
                const std::size_t colon = rest.find(':');
                idle = rest.substr(0, colon) == "idle";
                rest = colon == std::string_view::npos ? std::string_view()
                                                       : rest.substr(colon + 1);
            }
        }
        std::free(blocked);
        sd_bus_error_free(&error);
        if (idle) return "logind";
    }
    return nullptr;
}

void SessionWatch::setShowActive(bool active) {
    if (active == showActive_) return;
    showActive_ = active;
    if (serving_) {
        sd_bus_emit_signal(session_, kSaverPaths[0], kSaver, "ActiveChanged", "b",
                           static_cast<int>(active));
    }
}

int SessionWatch::gnomeActiveChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    int active = 0;
    if (sd_bus_message_read(message, "b", &active) >= 0) {
        static_cast<SessionWatch*>(self)->gnomeLocked_ = active != 0;
    }
    return 0;
}

int SessionWatch::desktopActiveChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<SessionWatch*>(self);
    int active = 0;
    if (!watch->serving_ && sd_bus_message_read(message, "b", &active) >= 0) {
        watch->desktopLocked_ = active != 0;
    }
    return 0;
}

int SessionWatch::ownerChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<SessionWatch*>(self);
    const char* name = nullptr;
    const char* previous = nullptr;
    const char* next = nullptr;
    if (sd_bus_message_read(message, "sss", &name, &previous, &next) < 0 || next == nullptr ||
        *next != '\0') {
        return 0;
    }
    // A caller that left the bus releases what it held.
    for (auto it = watch->cookies_.begin(); it != watch->cookies_.end();) {
        it = it->second == name ? watch->cookies_.erase(it) : std::next(it);
    }
    return 0;
}

int SessionWatch::sessionChanged(sd_bus_message* message, void* self, sd_bus_error*) {
    // PropertiesChanged(interface, {name: value}, [invalidated]): the hint is read from it, as a
    // call back to logind from here would wait on the bus in the middle of its messages.
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0 ||
        sd_bus_message_enter_container(message, 'a', "{sv}") < 0) {
        return 0;
    }
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* name = nullptr;
        int locked = 0;
        if (sd_bus_message_read(message, "s", &name) >= 0 && std::strcmp(name, "LockedHint") == 0 &&
            sd_bus_message_read(message, "v", "b", &locked) >= 0) {
            static_cast<SessionWatch*>(self)->logindLocked_ = locked != 0;
        } else {
            sd_bus_message_skip(message, "v");
        }
        sd_bus_message_exit_container(message);
    }
    return 0;
}

int SessionWatch::nameLost(sd_bus_message* message, void* self, sd_bus_error*) {
    const char* name = nullptr;
    if (sd_bus_message_read(message, "s", &name) >= 0 && std::strcmp(name, kSaver) == 0) {
        // A desktop service took the name: its inhibitions and its lock screen are the session's.
        static_cast<SessionWatch*>(self)->watchDesktopSaver();
    }
    return 0;
}

int SessionWatch::lockAsked(sd_bus_message*, void* self, sd_bus_error*) {
    static_cast<SessionWatch*>(self)->stopRequested_ = true;
    return 0;
}

int SessionWatch::prepareForSleep(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watch = static_cast<SessionWatch*>(self);
    int starting = 0;
    if (sd_bus_message_read(message, "b", &starting) >= 0) {
        watch->sleeping_ = starting != 0;
        // Also when the machine sleeps at once and both signals are read together at wake-up.
        watch->stopRequested_ = watch->stopRequested_ || starting != 0;
    }
    return 0;
}

int SessionWatch::inhibit(sd_bus_message* message, void* self, sd_bus_error* error) {
    auto* watch = static_cast<SessionWatch*>(self);
    const char* application = nullptr;
    const char* reason = nullptr;
    if (sd_bus_message_read(message, "ss", &application, &reason) < 0) {
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "Inhibit takes two strings");
    }
    if (watch->cookies_.size() >= kMostInhibitions) {
        return sd_bus_error_set(error, SD_BUS_ERROR_LIMITS_EXCEEDED, "too many inhibitions");
    }
    std::uint32_t cookie = watch->nextCookie_;
    while (cookie == 0 || watch->cookies_.count(cookie) != 0) ++cookie;
    watch->nextCookie_ = cookie + 1;
    const char* sender = sd_bus_message_get_sender(message);
    watch->cookies_[cookie] = sender != nullptr ? sender : "";
    return sd_bus_reply_method_return(message, "u", cookie);
}

int SessionWatch::unInhibit(sd_bus_message* message, void* self, sd_bus_error* error) {
    std::uint32_t cookie = 0;
    if (sd_bus_message_read(message, "u", &cookie) < 0) {
        return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "UnInhibit takes a cookie");
    }
    static_cast<SessionWatch*>(self)->cookies_.erase(cookie);
    return sd_bus_reply_method_return(message, "");
}

int SessionWatch::getActive(sd_bus_message* message, void* self, sd_bus_error*) {
    const bool active = static_cast<SessionWatch*>(self)->showActive_;
    return sd_bus_reply_method_return(message, "b", static_cast<int>(active));
}

int SessionWatch::simulateActivity(sd_bus_message* message, void* self, sd_bus_error*) {
    static_cast<SessionWatch*>(self)->activity_ = true;
    return sd_bus_reply_method_return(message, "");
}

}  // namespace orvane
