// A pointer for the Wayland end-to-end tests, held open for a whole sequence (each new pointer
// device gives the show a fresh enter, which would reset where movement is counted from).
// Reads lines from stdin: "move DX DY" (relative, logical pixels) or "click" (left button);
// each is sent and waited for before "ok" is printed. Ends at the end of input.
#include <wayland-client.h>

#include <linux/input-event-codes.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "wlr-virtual-pointer-unstable-v1-client.h"

namespace {

wl_seat* seat = nullptr;
zwlr_virtual_pointer_manager_v1* manager = nullptr;

const wl_registry_listener kRegistry = {
    .global = [](void*, wl_registry* registry, std::uint32_t name, const char* interface,
                 std::uint32_t) {
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && seat == nullptr) {
            seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
            manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
                wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
        }
    },
    .global_remove = [](void*, wl_registry*, std::uint32_t) {},
};

}  // namespace

int main() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "virtual_pointer: no compositor\n");
        return 1;
    }
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (manager == nullptr) {
        std::fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    wl_display_roundtrip(display);
    std::uint32_t time = 1;
    char line[128];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        double dx = 0;
        double dy = 0;
        if (std::sscanf(line, "move %lf %lf", &dx, &dy) == 2) {
            zwlr_virtual_pointer_v1_motion(pointer, time++, wl_fixed_from_double(dx),
                                           wl_fixed_from_double(dy));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (std::strncmp(line, "click", 5) == 0) {
            zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, time++, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
            zwlr_virtual_pointer_v1_frame(pointer);
        } else {
            continue;
        }
        if (wl_display_roundtrip(display) < 0) {
            return 1;
        }
        std::printf("ok\n");
        std::fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
