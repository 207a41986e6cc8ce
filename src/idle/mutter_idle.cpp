// Idle time on GNOME: mutter's idle monitor on the session bus. An idle watch fires each time
// the session has been idle for the time asked for; a user-active watch, asked for after it,
// fires at the next input.
#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>

#include <cstdlib>

#include "idle/bus_names.h"
#include "idle/idle_source.h"

namespace orvane {

namespace {

constexpr const char* kMonitorName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kMonitorPath = "/org/gnome/Mutter/IdleMonitor/Core";

class MutterIdle final : public IdleSource {
public:
    explicit MutterIdle(sd_bus* bus) : bus_(bus) {}
    ~MutterIdle() override {
        sd_bus_slot_unref(match_);
        sd_bus_flush_close_unref(bus_);
    }

    bool watch(std::uint32_t seconds) {
        if (sd_bus_match_signal(bus_, &match_, kMonitorName, kMonitorPath, kMonitorName, "WatchFired",
                                &MutterIdle::fired, this) < 0) {
            return false;
        }
        sd_bus_message* reply = nullptr;
        const bool added = sd_bus_call_method(bus_, kMonitorName, kMonitorPath, kMonitorName,
                                              "AddIdleWatch", nullptr, &reply, "t",
                                              std::uint64_t{seconds} * 1000u) >= 0 &&
                           sd_bus_message_read(reply, "u", &watch_) >= 0;
        sd_bus_message_unref(reply);
        return added;
    }

    const char* name() const override { return "org.gnome.Mutter.IdleMonitor"; }
    int fd() const override { return sd_bus_get_fd(bus_); }
    short events() const override { return static_cast<short>(sd_bus_get_events(bus_)); }
    int timeoutMs() override {
        std::uint64_t until = 0;
        if (sd_bus_get_timeout(bus_, &until) < 0 || until == UINT64_MAX) return -1;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const std::uint64_t nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
        return until <= nowUs ? 0 : static_cast<int>((until - nowUs + 999) / 1000);
    }

    News wake(bool) override {
        int processed = 0;
        while ((processed = sd_bus_process(bus_, nullptr)) > 0) {
        }
        if (processed < 0) return News::Gone;
        const News news = news_;
        news_ = News::Nothing;
        if (news == News::Idle) {
            // The monitor drops a user-active watch once it fired: one for each idle period.
            sd_bus_message* reply = nullptr;
            if (sd_bus_call_method(bus_, kMonitorName, kMonitorPath, kMonitorName, "AddUserActiveWatch",
                                   nullptr, &reply, "") >= 0) {
                sd_bus_message_read(reply, "u", &activeWatch_);
            }
            sd_bus_message_unref(reply);
        }
        return news;
    }

private:
    static int fired(sd_bus_message* message, void* self, sd_bus_error*) {
        auto* source = static_cast<MutterIdle*>(self);
        std::uint32_t id = 0;
        if (sd_bus_message_read(message, "u", &id) < 0) return 0;
        if (id == source->watch_) source->news_ = News::Idle;
        if (id == source->activeWatch_ && id != 0) {
            source->news_ = News::Active;
            source->activeWatch_ = 0;
        }
        return 0;
    }

    sd_bus* bus_;
    sd_bus_slot* match_ = nullptr;
    std::uint32_t watch_ = 0;
    std::uint32_t activeWatch_ = 0;
    News news_ = News::Nothing;
};

}  // namespace

std::unique_ptr<IdleSource> openMutterIdle(std::uint32_t seconds, std::string& missing) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        missing += "; no session bus";
        return nullptr;
    }
    if (!busNameOwned(bus, kMonitorName)) {
        sd_bus_flush_close_unref(bus);
        missing += std::string("; no ") + kMonitorName + " on the session bus";
        return nullptr;
    }
    auto source = std::make_unique<MutterIdle>(bus);
    if (!source->watch(seconds)) {
        missing += std::string("; ") + kMonitorName + " refused an idle watch";
        return nullptr;
    }
    return source;
}

}  // namespace orvane
