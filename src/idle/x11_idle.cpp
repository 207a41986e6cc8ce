// Idle time on an X display without a screen saver host: the MIT-SCREEN-SAVER extension's
// time since the last input. The extension notifies only of the server's own saver, whose
// timeout is the desktop's to set, so the source sleeps until the idle time can first have been
// reached and asks again: one wake-up per idle period while the user is busy. A player holds
// the show off by suspending the server's saver, which the extension does not report; the
// server's X-Resource extension lists that hold among the player's resources. The server's own
// saver switched off (its timeout 0) is the user's choice for the server, not a hold.
#include <poll.h>
#include <xcb/res.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "idle/idle_source.h"

namespace orvane {

namespace {

std::int64_t nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

// The resource type the server gives each client's suspension of its saver.
constexpr const char* kSuspensionType = "SaverSuspend";

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const auto length = static_cast<std::uint16_t>(std::strlen(name));
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, length, name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// Whether any client holds the server's saver suspended (a video player).
bool saverSuspended(xcb_connection_t* connection, xcb_atom_t suspension) {
    xcb_res_query_clients_reply_t* clients =
        xcb_res_query_clients_reply(connection, xcb_res_query_clients(connection), nullptr);
    if (clients == nullptr) return false;
    std::vector<xcb_res_query_client_resources_cookie_t> asked;
    for (xcb_res_client_iterator_t it = xcb_res_query_clients_clients_iterator(clients); it.rem > 0;
         xcb_res_client_next(&it)) {
        asked.push_back(xcb_res_query_client_resources(connection, it.data->resource_base));
    }
    std::free(clients);
    bool suspended = false;
    for (const auto& cookie : asked) {
        xcb_res_query_client_resources_reply_t* resources =
            xcb_res_query_client_resources_reply(connection, cookie, nullptr);
        if (resources == nullptr) continue;
        for (xcb_res_type_iterator_t it = xcb_res_query_client_resources_types_iterator(resources);
             it.rem > 0; xcb_res_type_next(&it)) {
            suspended = suspended || (it.data->resource_type == suspension && it.data->count > 0);
        }
        std::free(resources);
    }
    return suspended;
}

class X11Idle final : public IdleSource {
public:
    X11Idle(xcb_connection_t* connection, xcb_window_t root, std::uint32_t seconds)
        : connection_(connection), root_(root), idleMs_(seconds * 1000u) {
        const xcb_query_extension_reply_t* resources =
            xcb_get_extension_data(connection_, &xcb_res_id);
        if (resources != nullptr && resources->present) {
            suspension_ = internAtom(connection_, kSuspensionType);
        }
    }
    ~X11Idle() override { xcb_disconnect(connection_); }

    const char* name() const override { return "MIT-SCREEN-SAVER"; }
    int fd() const override { return xcb_get_file_descriptor(connection_); }
    // A deadline, not a period: events that wake the wait early must not put the next look off.
    int timeoutMs() override { return static_cast<int>(std::max<std::int64_t>(0, nextLookMs_ - nowMs())); }

    News wake(bool readable) override {
        if (readable || nowMs() < nextLookMs_) {
            // Events sent to every client (a new keyboard mapping), or the end of the connection.
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
            if (xcb_connection_has_error(connection_)) return News::Gone;
            return News::Nothing;
        }
        xcb_screensaver_query_info_reply_t* info = xcb_screensaver_query_info_reply(
            connection_, xcb_screensaver_query_info(connection_, root_), nullptr);
        if (info == nullptr) return News::Gone;
        const std::uint32_t idle = info->ms_since_user_input;
        std::free(info);
        // Input since the last look: a new idle period begins. (The server also counts the end
        // of the last suspension of its saver as input.)
        const bool input = idle < lastIdleMs_;
        lastIdleMs_ = idle;
        if (input && reported_) {
            reported_ = false;
            nextLookMs_ = nowMs() + (idle < idleMs_ ? idleMs_ - idle : 0);
            return News::Active;
        }
        if (idle < idleMs_) {
            nextLookMs_ = nowMs() + (idleMs_ - idle);
            return News::Nothing;
        }
        // Idle long enough: once a period, and then a look each idle time for the next input.
        nextLookMs_ = nowMs() + idleMs_;
        if (reported_ ||
            (suspension_ != XCB_ATOM_NONE && saverSuspended(connection_, suspension_))) {
            return News::Nothing;
        }
        reported_ = true;
        return News::Idle;
    }

private:
    xcb_connection_t* connection_;
    xcb_window_t root_;
    std::uint32_t idleMs_;
    std::uint32_t lastIdleMs_ = 0;
    std::int64_t nextLookMs_ = 0;  // look at once
    xcb_atom_t suspension_ = XCB_ATOM_NONE;
    bool reported_ = false;
};

}  // namespace

std::unique_ptr<IdleSource> openX11Idle(std::uint32_t seconds, std::string& missing) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        missing += "; no X display (DISPLAY is not set)";
        return nullptr;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        missing += std::string("; the X display ") + display + " cannot be opened";
        return nullptr;
    }
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_screensaver_id);
    if (extension == nullptr || !extension->present) {
        xcb_disconnect(connection);
        missing += "; the X display has no MIT-SCREEN-SAVER extension";
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    return std::make_unique<X11Idle>(connection, screens.data->root, seconds);
}

}  // namespace orvane
