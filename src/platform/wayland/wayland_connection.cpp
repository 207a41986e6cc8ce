#include "platform/wayland/wayland_connection.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "fractional-scale-v1-client.h"
#if ORVANE_HAVE_KDE_OUTPUT_ORDER
#include "kde-output-order-v1-client.h"
#endif
#include "viewporter-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-output-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace orvane {

namespace {

// How long a flush waits for a full socket to take more.
constexpr int kFlushWaitMs = 100;
// The versions the listeners below are written for.
constexpr std::uint32_t kCompositorVersion = 4;  // damage_buffer
constexpr std::uint32_t kOutputVersion = 2;      // done and scale
constexpr std::uint32_t kXdgOutputVersion = 2;   // name; done still sent
constexpr std::uint32_t kWmBaseVersion = 1;
constexpr std::uint32_t kLayerShellVersion = 1;

template <typename T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface,
        std::uint32_t offered, std::uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

WaylandOutput& outputOf(void* data) { return *static_cast<WaylandOutput*>(data); }

const wl_output_listener kOutputListener = {
    .geometry = [](void* data, wl_output*, std::int32_t x, std::int32_t y, std::int32_t,
                   std::int32_t, std::int32_t, const char*, const char*,
                   std::int32_t transform) {
        outputOf(data).geometryPosition = {x, y};
        outputOf(data).transform = transform;
    },
    .mode = [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
               std::int32_t) {
        if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
            outputOf(data).mode = {width, height};
        }
    },
    .done = [](void* data, wl_output*) {
        WaylandOutput& output = outputOf(data);
        output.connection->outputDone(output);
    },
    .scale = [](void* data, wl_output*, std::int32_t factor) {
        outputOf(data).scale = std::max(1, factor);
    },
    // Later than the version bound (xdg-output tells the name).
    .name = nullptr,
    .description = nullptr,
};

const zxdg_output_v1_listener kXdgOutputListener = {
    .logical_position = [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
        WaylandOutput& output = outputOf(data);
        output.logicalPosition = {x, y};
        output.hasLogicalPosition = true;
    },
    .logical_size = [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
        WaylandOutput& output = outputOf(data);
        output.logicalSize = {width, height};
        output.hasLogicalSize = true;
    },
    .done = [](void* data, zxdg_output_v1*) {
        WaylandOutput& output = outputOf(data);
        output.connection->outputDone(output);
    },
    .name = [](void* data, zxdg_output_v1*, const char* name) {
        outputOf(data).label = name != nullptr ? name : "";
    },
    .description = [](void*, zxdg_output_v1*, const char*) {},
};

const wl_registry_listener kRegistryListener = {
    .global = [](void* data, wl_registry*, std::uint32_t name, const char* interface,
                 std::uint32_t version) {
        static_cast<WaylandConnection*>(data)->addGlobal(name, interface, version);
    },
    .global_remove = [](void* data, wl_registry*, std::uint32_t name) {
        static_cast<WaylandConnection*>(data)->removeGlobal(name);
    },
};

#if ORVANE_HAVE_KDE_OUTPUT_ORDER
const kde_output_order_v1_listener kOutputOrderListener = {
    .output = [](void* data, kde_output_order_v1*, const char* name) {
        static_cast<WaylandConnection*>(data)->orderedOutput(name);
    },
    .done = [](void* data, kde_output_order_v1*) {
        static_cast<WaylandConnection*>(data)->outputOrderDone();
    },
};
#endif

const xdg_wm_base_listener kWmBaseListener = {
    .ping = [](void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); },
};

}  // namespace

Rect WaylandOutput::logicalRect() const {
    const Point at = hasLogicalPosition ? logicalPosition : geometryPosition;
    Size size = logicalSize;
    if (!hasLogicalSize || size.width <= 0 || size.height <= 0) {
        size = {mode.width / std::max(1, scale), mode.height / std::max(1, scale)};
    }
    return Rect::fromSize(at.x, at.y, size.width, size.height);
}

std::unique_ptr<WaylandConnection> WaylandConnection::open(std::string& reason) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        reason = std::string("cannot connect to the Wayland compositor '") +
                 (name != nullptr && *name != '\0' ? name : "wayland-0") + "': " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<WaylandConnection> connection(new WaylandConnection);
    connection->display_ = display;
    connection->registry_ = wl_display_get_registry(display);
    wl_registry_add_listener(connection->registry_, &kRegistryListener, connection.get());
    // The globals, then what the outputs tell of themselves.
    if (!connection->roundtrip() || !connection->roundtrip()) {
        reason = "the Wayland compositor failed at once: " + connection->failure();
        return nullptr;
    }
    return connection;
}

WaylandConnection::~WaylandConnection() {
    for (auto& output : outputs_) {
        releaseOutput(*output);
    }
    outputs_.clear();
    drop(xdgOutputManager_, zxdg_output_manager_v1_destroy);
#if ORVANE_HAVE_KDE_OUTPUT_ORDER
    drop(outputOrderNotifier_, kde_output_order_v1_destroy);
#endif
    drop(fractionalScale_, wp_fractional_scale_manager_v1_destroy);
    drop(viewporter_, wp_viewporter_destroy);
    drop(wmBase_, xdg_wm_base_destroy);
    drop(layerShell_, zwlr_layer_shell_v1_destroy);
    drop(shm_, wl_shm_destroy);
    drop(compositor_, wl_compositor_destroy);
    drop(registry_, wl_registry_destroy);
    if (display_ != nullptr) {
        wl_display_flush(display_);
        wl_display_disconnect(display_);
    }
}

void WaylandConnection::addGlobal(std::uint32_t name, const char* interface, std::uint32_t version) {
    const std::string_view is(interface);
    if (is == wl_compositor_interface.name && version >= kCompositorVersion) {
        compositor_ = bind<wl_compositor>(registry_, name, &wl_compositor_interface, version,
                                          kCompositorVersion);
    } else if (is == wl_shm_interface.name) {
        shm_ = bind<wl_shm>(registry_, name, &wl_shm_interface, version, 1);
    } else if (is == zwlr_layer_shell_v1_interface.name) {
        layerShell_ = bind<zwlr_layer_shell_v1>(registry_, name, &zwlr_layer_shell_v1_interface,
                                                version, kLayerShellVersion);
    } else if (is == xdg_wm_base_interface.name) {
        wmBase_ = bind<xdg_wm_base>(registry_, name, &xdg_wm_base_interface, version, kWmBaseVersion);
        xdg_wm_base_add_listener(wmBase_, &kWmBaseListener, nullptr);
    } else if (is == wp_viewporter_interface.name) {
        viewporter_ = bind<wp_viewporter>(registry_, name, &wp_viewporter_interface, version, 1);
    } else if (is == wp_fractional_scale_manager_v1_interface.name) {
        fractionalScale_ = bind<wp_fractional_scale_manager_v1>(
            registry_, name, &wp_fractional_scale_manager_v1_interface, version, 1);
    } else if (is == zxdg_output_manager_v1_interface.name) {
        xdgOutputManager_ = bind<zxdg_output_manager_v1>(
            registry_, name, &zxdg_output_manager_v1_interface, version, kXdgOutputVersion);
        for (auto& output : outputs_) {
            watchLogicalRect(*output);
        }
#if ORVANE_HAVE_KDE_OUTPUT_ORDER
    } else if (is == kde_output_order_v1_interface.name && outputOrderNotifier_ == nullptr) {
        outputOrderNotifier_ =
            bind<kde_output_order_v1>(registry_, name, &kde_output_order_v1_interface, version, 1);
        kde_output_order_v1_add_listener(outputOrderNotifier_, &kOutputOrderListener, this);
#endif
    } else if (is == wl_output_interface.name && version >= kOutputVersion) {
        auto output = std::make_unique<WaylandOutput>();
        output->connection = this;
        output->name = name;
        output->output = bind<wl_output>(registry_, name, &wl_output_interface, version, kOutputVersion);
        wl_output_add_listener(output->output, &kOutputListener, output.get());
        watchLogicalRect(*output);
        outputs_.push_back(std::move(output));
    }
}

void WaylandConnection::watchLogicalRect(WaylandOutput& output) {
    if (xdgOutputManager_ == nullptr || output.xdgOutput != nullptr) {
        return;
    }
    output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(xdgOutputManager_, output.output);
    zxdg_output_v1_add_listener(output.xdgOutput, &kXdgOutputListener, &output);
}

void WaylandConnection::outputDone(WaylandOutput& output) {
    const Rect rect = output.logicalRect();
    if (rect.isEmpty()) {
        return;  // not all told yet
    }
    if (!output.announced) {
        output.announced = true;
        if (outputAdded) {
            outputAdded(output);
        }
    } else if (outputMoved) {
        outputMoved(output);
    }
}

void WaylandConnection::removeGlobal(std::uint32_t name) {
    const auto found = std::find_if(outputs_.begin(), outputs_.end(),
                                    [name](const auto& output) { return output->name == name; });
    if (found == outputs_.end()) {
        return;  // the other globals the show holds stay for the session's life
    }
    if ((*found)->announced && outputRemoved) {
        outputRemoved(**found);
    }
    releaseOutput(**found);
    outputs_.erase(found);
}

void WaylandConnection::releaseOutput(WaylandOutput& output) {
    drop(output.xdgOutput, zxdg_output_v1_destroy);
    drop(output.output, wl_output_destroy);
}

bool WaylandConnection::roundtrip() { return wl_display_roundtrip(display_) >= 0; }

bool WaylandConnection::dispatchPending() { return wl_display_dispatch_pending(display_) >= 0; }

bool WaylandConnection::flush() {
    // A full socket: the rest goes once the compositor has read some. A compositor that reads
    // nothing for that long gets the rest with the next flush; only a broken one is a failure.
    for (;;) {
        if (wl_display_flush(display_) >= 0) {
            return true;
        }
        if (errno != EAGAIN) {
            return false;
        }
        pollfd fd{wl_display_get_fd(display_), POLLOUT, 0};
        if (poll(&fd, 1, kFlushWaitMs) <= 0) {
            return true;
        }
    }
}

bool WaylandConnection::failed() const { return wl_display_get_error(display_) != 0; }

std::string WaylandConnection::failure() const {
    const int error = wl_display_get_error(display_);
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        std::uint32_t id = 0;
        const std::uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        return std::string("protocol error ") + std::to_string(code) + " on " +
               (interface != nullptr ? interface->name : "an unknown object");
    }
    return error != 0 ? std::strerror(error) : "no error";
}

}  // namespace orvane
