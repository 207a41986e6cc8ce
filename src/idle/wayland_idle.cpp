// Idle time on a Wayland desktop: ext_idle_notifier_v1 (whose notifications respect the idle
// inhibitors of players), else KDE's older org_kde_kwin_idle. Either sends "idle" once the
// seat has had no input for the time asked for, and "resumed" at the next input. A build has
// the protocols whose descriptions were found (ORVANE_IDLE_EXT_NOTIFY, ORVANE_IDLE_KDE).
#include <poll.h>
#include <wayland-client.h>

#include <cstdlib>
#include <cstring>

#if ORVANE_IDLE_EXT_NOTIFY
#include "ext-idle-notify-v1-client.h"
#endif
#if ORVANE_IDLE_KDE
#include "idle-client.h"
#endif
#include "idle/idle_source.h"

namespace orvane {

namespace {

// What the compositor lacks when it offers none of the protocols this build reads.
constexpr const char* kNoProtocol =
#if ORVANE_IDLE_EXT_NOTIFY && ORVANE_IDLE_KDE
    "neither ext_idle_notifier_v1 nor org_kde_kwin_idle";
#elif ORVANE_IDLE_EXT_NOTIFY
    "no ext_idle_notifier_v1 (this build reads no org_kde_kwin_idle)";
#else
    "no org_kde_kwin_idle (this build reads no ext_idle_notifier_v1)";
#endif

class WaylandIdle final : public IdleSource {
public:
    explicit WaylandIdle(wl_display* display) : display_(display) {}
    ~WaylandIdle() override {
#if ORVANE_IDLE_EXT_NOTIFY
        if (notification_ != nullptr) ext_idle_notification_v1_destroy(notification_);
        if (notifier_ != nullptr) ext_idle_notifier_v1_destroy(notifier_);
#endif
#if ORVANE_IDLE_KDE
        if (timeout_ != nullptr) org_kde_kwin_idle_timeout_release(timeout_);
        if (kdeIdle_ != nullptr) org_kde_kwin_idle_destroy(kdeIdle_);
#endif
        if (seat_ != nullptr) wl_seat_destroy(seat_);
        if (registry_ != nullptr) wl_registry_destroy(registry_);
        wl_display_disconnect(display_);
    }

    // The globals; false when the compositor does not answer.
    bool discover() {
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        return wl_display_roundtrip(display_) >= 0;
    }

    // Asks for the notification; false without a seat or either protocol.
    bool watch(std::uint32_t seconds, std::string& missing) {
        if (seat_ == nullptr) {
            missing += "; the Wayland compositor has no seat";
            return false;
        }
        const std::uint32_t ms = seconds * 1000u;
#if ORVANE_IDLE_EXT_NOTIFY
        if (notifier_ != nullptr) {
            notification_ = ext_idle_notifier_v1_get_idle_notification(notifier_, ms, seat_);
            ext_idle_notification_v1_add_listener(notification_, &kNotificationListener, this);
            name_ = "ext_idle_notifier_v1";
        }
#endif
#if ORVANE_IDLE_KDE
        if (*name_ == '\0' && kdeIdle_ != nullptr) {
            timeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, ms);
            org_kde_kwin_idle_timeout_add_listener(timeout_, &kTimeoutListener, this);
            name_ = "org_kde_kwin_idle";
        }
#endif
        if (*name_ == '\0') {
            missing += std::string("; the Wayland compositor offers ") + kNoProtocol;
            return false;
        }
        return wl_display_flush(display_) >= 0;
    }

    const char* name() const override { return name_; }
    int fd() const override { return wl_display_get_fd(display_); }

    void prepare() override {
        while (wl_display_prepare_read(display_) != 0) {
            // A connection that failed would have this loop spin: the next wake says it is gone.
            if (wl_display_dispatch_pending(display_) < 0) return;
        }
        preparedRead_ = true;
        wl_display_flush(display_);
    }
    void cancel() override {
        if (preparedRead_) wl_display_cancel_read(display_);
        preparedRead_ = false;
    }

    News wake(bool readable) override {
        if (!readable) {
            cancel();
            return News::Nothing;
        }
        if (!preparedRead_) return News::Gone;
        preparedRead_ = false;
        if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) {
            return News::Gone;
        }
        // The last of what came counts: idle then input again is input.
        const News news = news_;
        news_ = News::Nothing;
        return news;
    }

private:
    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t) {
        auto* self = static_cast<WaylandIdle*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat_ == nullptr) {
            self->seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
#if ORVANE_IDLE_EXT_NOTIFY
        } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
            self->notifier_ = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
#endif
#if ORVANE_IDLE_KDE
        } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
            self->kdeIdle_ = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
#endif
        }
    }
    static void globalRemoved(void*, wl_registry*, std::uint32_t) {}
    static constexpr wl_registry_listener kRegistryListener{&global, &globalRemoved};

#if ORVANE_IDLE_EXT_NOTIFY
    static void idled(void* data, ext_idle_notification_v1*) {
        static_cast<WaylandIdle*>(data)->news_ = News::Idle;
    }
    static void resumed(void* data, ext_idle_notification_v1*) {
        static_cast<WaylandIdle*>(data)->news_ = News::Active;
    }
    static constexpr ext_idle_notification_v1_listener kNotificationListener{&idled, &resumed};
    ext_idle_notifier_v1* notifier_ = nullptr;
    ext_idle_notification_v1* notification_ = nullptr;
#endif
#if ORVANE_IDLE_KDE
    static void kdeIdled(void* data, org_kde_kwin_idle_timeout*) {
        static_cast<WaylandIdle*>(data)->news_ = News::Idle;
    }
    static void kdeResumed(void* data, org_kde_kwin_idle_timeout*) {
        static_cast<WaylandIdle*>(data)->news_ = News::Active;
    }
    static constexpr org_kde_kwin_idle_timeout_listener kTimeoutListener{&kdeIdled, &kdeResumed};
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    org_kde_kwin_idle_timeout* timeout_ = nullptr;
#endif

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    const char* name_ = "";
    News news_ = News::Nothing;
    bool preparedRead_ = false;
};

}  // namespace

std::unique_ptr<IdleSource> openWaylandIdle(std::uint32_t seconds, std::string& missing) {
    const char* socket = std::getenv("WAYLAND_DISPLAY");
    if (socket == nullptr || *socket == '\0') {
        missing += "; no Wayland compositor (WAYLAND_DISPLAY is not set)";
        return nullptr;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        missing += std::string("; the Wayland compositor ") + socket + " cannot be reached";
        return nullptr;
    }
    auto source = std::make_unique<WaylandIdle>(display);
    if (!source->discover()) {
        missing += "; the Wayland compositor did not answer";
        return nullptr;
    }
    if (!source->watch(seconds, missing)) return nullptr;
    return source;
}

}  // namespace orvane
