// Input for the Wayland end-to-end tests, one device held open for a whole sequence (each new
// pointer device gives the show a fresh enter, which would reset where travel is counted from):
// the wlroots virtual pointer where offered (sway), else KWin's fake input (pointer, keys, touch).
// Reads lines from stdin: "move DX DY" (relative, logical pixels), "click" (left button), "key
// CODE" (a press and a release of an evdev key code) or "touch X Y" (a tap; these two by fake
// input only); each is sent and waited for before "ok" is printed ("failed" where this
// compositor cannot do it).
#include <wayland-client.h>

#include <linux/input-event-codes.h>

#include <cstdint>
#include <initializer_list>
#include <cstdio>
#include <cstring>

#include "wlr-virtual-pointer-unstable-v1-client.h"
#if ORVANE_HAVE_FAKE_INPUT
#include "fake-input-client.h"
#endif

namespace {

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* manager = nullptr;
#if ORVANE_HAVE_FAKE_INPUT
org_kde_kwin_fake_input* fake = nullptr;
#endif

const wl_registry_listener kRegistry = {
    .global = [](void*, wl_registry* registry, std::uint32_t name, const char* interface,
                 std::uint32_t version) {
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr) {
            seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
            manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
#if ORVANE_HAVE_FAKE_INPUT
        } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4) {
            fake = static_cast<org_kde_kwin_fake_input*>(
                wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
#endif
        }
        (void)version;
    },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "wayland_input: no compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, nullptr);
    wl_display_roundtrip(display);
    zwlr_virtual_pointer_v1* pointer = nullptr;
    if (manager != nullptr) {
        pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
#if ORVANE_HAVE_FAKE_INPUT
    } else if (fake != nullptr) {
        org_kde_kwin_fake_input_authenticate(fake, "theorvane tests", "end-to-end input");
#endif
    } else {
        std::fprintf(stderr, "wayland_input: the compositor offers no virtual pointer or fake input\n");
        return 1;
    }
    wl_display_roundtrip(display);
    std::uint32_t time = 1;
    char line[128];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        double dx = 0;
        double dy = 0;
        unsigned code = 0;
        bool sent = true;
        if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
            if (pointer != nullptr) {
                zwlr_virtual_pointer_v1_motion(pointer, time++, wl_fixed_from_double(dx),
                                               wl_fixed_from_double(dy));
                zwlr_virtual_pointer_v1_frame(pointer);
#if ORVANE_HAVE_FAKE_INPUT
            } else {
                org_kde_kwin_fake_input_pointer_motion(fake, wl_fixed_from_double(dx),
                                                       wl_fixed_from_double(dy));
#endif
            }
        } else if (std::strncmp(line, "click", 5) == 0) {
            for (const std::uint32_t state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
                if (pointer != nullptr) {
                    zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT, state);
                    zwlr_virtual_pointer_v1_frame(pointer);
#if ORVANE_HAVE_FAKE_INPUT
                } else {
                    org_kde_kwin_fake_input_button(fake, BTN_LEFT, state);
#endif
                }
            }
        } else if (std::sscanf(line, "touch %lf %lf", &dx, &dy) == 2) {
            // A tap at a point of the compositor's space.
            sent = false;
#if ORVANE_HAVE_FAKE_INPUT
            if (fake != nullptr) {
                org_kde_kwin_fake_input_touch_down(fake, 0, wl_fixed_from_double(dx),
                                                   wl_fixed_from_double(dy));
                org_kde_kwin_fake_input_touch_frame(fake);
                org_kde_kwin_fake_input_touch_up(fake, 0);
                org_kde_kwin_fake_input_touch_frame(fake);
                sent = true;
            }
#endif
        } else if (std::sscanf(line, "key %u", &code) == 1) {
            sent = false;
#if ORVANE_HAVE_FAKE_INPUT
            if (fake != nullptr) {
                org_kde_kwin_fake_input_keyboard_key(fake, code, WL_KEYBOARD_KEY_STATE_PRESSED);
                org_kde_kwin_fake_input_keyboard_key(fake, code, WL_KEYBOARD_KEY_STATE_RELEASED);
                sent = true;
            }
#endif
        } else {
            continue;
        }
        if (wl_display_roundtrip(display) < 0) {
            return 1;
        }
        std::printf(sent ? "ok\n" : "failed\n");
        std::fflush(stdout);
    }
    if (pointer != nullptr) {
        zwlr_virtual_pointer_v1_destroy(pointer);
    }
    if (manager != nullptr) {
        zwlr_virtual_pointer_manager_v1_destroy(manager);
    }
#if ORVANE_HAVE_FAKE_INPUT
    if (fake != nullptr) {
        org_kde_kwin_fake_input_destroy(fake);
    }
#endif
    if (seat != nullptr) {
        wl_seat_destroy(seat);
    }
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
