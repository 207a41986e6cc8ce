// Input for a headless mutter, through its remote-desktop interface on the session bus, for the
// end-to-end scripts. The session lives as long as the bus connection that made it, so this stays
// running: it prints "ready" once the session has started, then reads commands from stdin:
//   key CODE     an evdev key code pressed and released (30: A)
//   move DX DY   the pointer moved by DX, DY
// Exit code 1 when mutter's remote desktop does not answer or refuses a command.
#include <systemd/sd-bus.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace {

constexpr const char* kName = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* kSession = "org.gnome.Mutter.RemoteDesktop.Session";

bool call(sd_bus* bus, const char* path, const char* method, const char* types, ...) {
    sd_bus_message* message = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    va_list arguments;
    va_start(arguments, types);
    bool ok = sd_bus_message_new_method_call(bus, &message, kName, path, kSession, method) >= 0 &&
              sd_bus_message_appendv(message, types, arguments) >= 0 &&
              sd_bus_call(bus, message, 0, &error, &reply) >= 0;
    va_end(arguments);
    if (!ok) std::fprintf(stderr, "mutter_input: %s: %s\n", method, error.message ? error.message : "failed");
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(message);
    return ok;
}

}  // namespace

int main() {
    sd_bus* bus = nullptr;
    sd_bus_message* reply = nullptr;
    const char* path = nullptr;
    if (sd_bus_open_user(&bus) < 0 ||
        sd_bus_call_method(bus, kName, "/org/gnome/Mutter/RemoteDesktop", kName, "CreateSession",
                           nullptr, &reply, "") < 0 ||
        sd_bus_message_read(reply, "o", &path) < 0) {
        std::fprintf(stderr, "mutter_input: no remote desktop session\n");
        return 1;
    }
    const std::string session = path;
    sd_bus_message_unref(reply);
    if (!call(bus, session.c_str(), "Start", "")) return 1;
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        bool ok = true;
        if (command == "key") {
            unsigned code = 0;
            words >> code;
            ok = call(bus, session.c_str(), "NotifyKeyboardKeycode", "ub", code, 1) &&
                 call(bus, session.c_str(), "NotifyKeyboardKeycode", "ub", code, 0);
        } else if (command == "move") {
            double dx = 0, dy = 0;
            words >> dx >> dy;
            ok = call(bus, session.c_str(), "NotifyPointerMotionRelative", "dd", dx, dy);
        }
        if (!ok) return 1;
        std::cout << "done" << std::endl;
    }
    sd_bus_flush_close_unref(bus);
    return 0;
}
