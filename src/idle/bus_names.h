// Whether a name on a bus has an owner; answered says whether the bus answered at all.
#pragma once

#include <systemd/sd-bus.h>

namespace orvane {

inline bool busNameOwned(sd_bus* bus, const char* name, bool* answered = nullptr) {
    sd_bus_message* reply = nullptr;
    int owned = 0;
    const bool asked = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                          "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply,
                                          "s", name) >= 0 &&
                       sd_bus_message_read(reply, "b", &owned) >= 0;
    sd_bus_message_unref(reply);
    if (answered != nullptr) *answered = asked;
    return asked && owned != 0;
}

}  // namespace orvane
