// The connection to the compositor and the globals the show binds: the compositor, shared
// memory, the shells on offer (the layer shell first, else xdg-shell), the scaling helpers,
// the outputs with their rectangles in the compositor's logical space (xdg-output), and the
// order in which KDE's desktop places things on them (the first is its primary). Its
// events go to the default queue, which only the show's thread dispatches; the seats are
// the input side's (SeatInput), on a queue of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wayland/protocol_object.h"
#include "show/geometry.h"

struct kde_output_order_v1;
struct wl_compositor;
struct wl_display;
struct wl_output;
struct wl_registry;
struct wl_shm;
struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace orvane {

class WaylandConnection;

struct WaylandOutput {
    WaylandConnection* connection = nullptr;
    std::uint32_t name = 0;  // the registry's
    wl_output* output = nullptr;
    zxdg_output_v1* xdgOutput = nullptr;
    std::string label;  // the connector's name where the compositor tells it (HEADLESS-1)
    Point geometryPosition;  // wl_output's own, for compositors without xdg-output
    Size mode;               // current mode, in device pixels
    int scale = 1;
    int transform = 0;  // how the output is turned (wl_output's transform)
    bool hasLogicalPosition = false;
    bool hasLogicalSize = false;
    Point logicalPosition;
    Size logicalSize;
    bool announced = false;  // told to outputAdded

    // Where the output lies in the compositor's logical space.
    Rect logicalRect() const;
};

class WaylandConnection {
public:
    // Nothing, with a one-line reason, where no compositor answers.
    static std::unique_ptr<WaylandConnection> open(std::string& reason);
    ~WaylandConnection();

    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    wl_display* display() const { return display_; }
    wl_compositor* compositor() const { return compositor_; }
    wl_shm* shm() const { return shm_; }
    zwlr_layer_shell_v1* layerShell() const { return layerShell_; }
    xdg_wm_base* wmBase() const { return wmBase_; }
    wp_viewporter* viewporter() const { return viewporter_; }
    wp_fractional_scale_manager_v1* fractionalScale() const { return fractionalScale_; }

    // In the order the compositor announced them.
    const std::vector<std::unique_ptr<WaylandOutput>>& outputs() const { return outputs_; }
    // The outputs' names in the desktop's order, where the compositor tells one (KWin).
    const std::vector<std::string>& outputOrder() const { return outputOrder_; }

    // Called while the show's thread dispatches: an output whose rectangle is now known, and
    // one about to go.
    std::function<void(WaylandOutput&)> outputAdded;
    std::function<void(WaylandOutput&)> outputRemoved;
    std::function<void(WaylandOutput&)> outputMoved;

    // Sends everything and waits for the compositor's answers (only while nothing else reads
    // the connection); false once the connection has failed.
    bool roundtrip();
    // Runs the handlers of what has been read already, without reading; false once failed.
    bool dispatchPending();
    // Sends what is queued without waiting; false once the connection has failed.
    bool flush();
    bool failed() const;
    // The compositor's reason for a failure, as one line.
    std::string failure() const;

    // For the listeners.
    void addGlobal(std::uint32_t name, const char* interface, std::uint32_t version);
    void removeGlobal(std::uint32_t name);
    void outputDone(WaylandOutput& output);
    void orderedOutput(const char* name) {
        nextOutputOrder_.emplace_back(name != nullptr ? name : "");
    }
    void outputOrderDone() {
        outputOrder_ = std::move(nextOutputOrder_);
        nextOutputOrder_.clear();
    }

private:
    WaylandConnection() = default;
    void watchLogicalRect(WaylandOutput& output);
    void releaseOutput(WaylandOutput& output);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    wl_shm* shm_ = nullptr;
    zwlr_layer_shell_v1* layerShell_ = nullptr;
    xdg_wm_base* wmBase_ = nullptr;
    wp_viewporter* viewporter_ = nullptr;
    wp_fractional_scale_manager_v1* fractionalScale_ = nullptr;
    zxdg_output_manager_v1* xdgOutputManager_ = nullptr;
    kde_output_order_v1* outputOrderNotifier_ = nullptr;
    std::vector<std::string> outputOrder_;
    std::vector<std::string> nextOutputOrder_;  // while the compositor tells a new order
    std::vector<std::unique_ptr<WaylandOutput>> outputs_;
};

}  // namespace orvane
