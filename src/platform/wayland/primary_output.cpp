#include "platform/wayland/primary_output.h"

#if ORVANE_HAVE_SD_BUS
#include <systemd/sd-bus.h>
#endif

#include <algorithm>
#include <cstdint>

#include "platform/wayland/wayland_connection.h"

namespace orvane {

#if ORVANE_HAVE_SD_BUS

namespace {

constexpr const char* kDisplayConfig = "org.gnome.Mutter.DisplayConfig";
constexpr const char* kDisplayConfigPath = "/org/gnome/Mutter/DisplayConfig";
// mutter answers at once; a session bus that is stuck must not hold the show's start up.
constexpr std::uint64_t kDisplayConfigTimeoutUs = 500'000;

// In the reply of GetCurrentState: the serial and the physical monitors come before the logical
// monitors, which are (x, y, scale, transform, primary, monitors, properties).
constexpr const char* kBeforeLogicalMonitors = "ua((ssss)a(siiddada{sv})a{sv})";
constexpr const char* kLogicalMonitor = "iiduba(ssss)a{sv}";

// The primary logical monitor's connectors, read from the reply.
std::vector<std::string> primaryConnectorsIn(sd_bus_message* reply) {
    std::vector<std::string> connectors;
    if (sd_bus_message_skip(reply, kBeforeLogicalMonitors) < 0 ||
        sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "(iiduba(ssss)a{sv})") <= 0) {
        return connectors;
    }
    while (sd_bus_message_enter_container(reply, SD_BUS_TYPE_STRUCT, kLogicalMonitor) > 0) {
        std::int32_t x = 0;
        std::int32_t y = 0;
        double scale = 0;
        std::uint32_t transform = 0;
        int primary = 0;
        if (sd_bus_message_read(reply, "iidub", &x, &y, &scale, &transform, &primary) < 0 ||
            sd_bus_message_enter_container(reply, SD_BUS_TYPE_ARRAY, "(ssss)") <= 0) {
            return {};
        }
        const char* connector = nullptr;
        const char* vendor = nullptr;
        const char* product = nullptr;
        const char* serial = nullptr;
        int read = 0;
        while ((read = sd_bus_message_read(reply, "(ssss)", &connector, &vendor, &product,
                                           &serial)) > 0) {
            if (primary != 0 && connector != nullptr) {
                connectors.emplace_back(connector);
            }
        }
        if (read < 0 || sd_bus_message_exit_container(reply) < 0 ||
            sd_bus_message_skip(reply, "a{sv}") < 0 || sd_bus_message_exit_container(reply) < 0) {
            return {};
        }
    }
    return connectors;
}

}  // namespace

std::vector<std::string> gnomePrimaryConnectors() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        return {};
    }
    sd_bus_set_method_call_timeout(bus, kDisplayConfigTimeoutUs);
    sd_bus_message* reply = nullptr;
    std::vector<std::string> connectors;
    // Nobody owns the name outside GNOME, and it cannot be started: the call fails at once.
    if (sd_bus_call_method(bus, kDisplayConfig, kDisplayConfigPath, kDisplayConfig,
                           "GetCurrentState", nullptr, &reply, "") >= 0) {
        connectors = primaryConnectorsIn(reply);
    }
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return connectors;
}

#else

std::vector<std::string> gnomePrimaryConnectors() { return {}; }  // no session bus to ask

#endif

WaylandOutput* primaryOutput(const WaylandConnection& connection,
                             const std::vector<WaylandOutput*>& outputs) {
    std::vector<std::string> names;
    if (!connection.outputOrder().empty()) {
        names.push_back(connection.outputOrder().front());
    } else {
        names = gnomePrimaryConnectors();
    }
    // The names are the connectors' (xdg-output's): a bus of another session names none here.
    for (const std::string& name : names) {
        const auto named =
            std::find_if(outputs.begin(), outputs.end(), [&name](const WaylandOutput* o) {
                return !name.empty() && o->label == name;
            });
        if (named != outputs.end()) {
            return *named;
        }
    }
    const auto atOrigin = std::find_if(outputs.begin(), outputs.end(), [](const WaylandOutput* o) {
        const Rect rect = o->logicalRect();
        return rect.left == 0 && rect.top == 0;
    });
    return atOrigin != outputs.end() ? *atOrigin : outputs.front();
}

}  // namespace orvane
