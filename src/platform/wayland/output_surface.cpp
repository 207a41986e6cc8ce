#include "platform/wayland/output_surface.h"

#include <wayland-client.h>

#include <algorithm>
#include <cmath>

#include "fractional-scale-v1-client.h"
#include "platform/common/platform_show.h"
#include "platform/wayland/wayland_connection.h"
#include "viewporter-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace orvane {

namespace {

constexpr const char* kAppId = "theorvane";
constexpr std::uint32_t kFractionalScaleDenominator = 120;
constexpr std::uint32_t kAllEdges =
    ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
    ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
constexpr std::uint32_t kTopEdge = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
// Not moved aside for panels, and stretched over their exclusive zones.
constexpr std::int32_t kOverPanels = -1;
constexpr std::uint32_t kExclusiveKeyboard = 1;

OutputSurface& surfaceOf(void* data) { return *static_cast<OutputSurface*>(data); }

// Logical pixels times the scale, rounded; bounded so that no scale a compositor may tell
// overflows (a picture that large is then refused for want of memory).
int devicePixels(int logical, double scale) {
    constexpr double kLargest = 1 << 20;
    return static_cast<int>(std::lround(std::clamp(logical * scale, 1.0, kLargest)));
}

const zwlr_layer_surface_v1_listener kLayerListener = {
    .configure = [](void* data, zwlr_layer_surface_v1*, std::uint32_t serial, std::uint32_t width,
                    std::uint32_t height) {
        surfaceOf(data).configure(serial, static_cast<int>(width), static_cast<int>(height));
    },
    .closed = [](void* data, zwlr_layer_surface_v1*) { surfaceOf(data).closed(); },
};

const xdg_surface_listener kXdgSurfaceListener = {
    .configure = [](void* data, xdg_surface*, std::uint32_t serial) {
        surfaceOf(data).configure(serial, -1, -1);
    },
};

const xdg_toplevel_listener kToplevelListener = {
    .configure = [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height,
                    wl_array*) { surfaceOf(data).toplevelSize(width, height); },
    .close = [](void* data, xdg_toplevel*) {
        OutputSurface& surface = surfaceOf(data);
        if (surface.closeRequested) {
            surface.closeRequested();
        }
    },
    // Later versions than the one bound.
    .configure_bounds = nullptr,
    .wm_capabilities = nullptr,
};

const wp_fractional_scale_v1_listener kFractionalScaleListener = {
    .preferred_scale = [](void* data, wp_fractional_scale_v1*, std::uint32_t scale) {
        surfaceOf(data).preferredScale(scale);
    },
};

}  // namespace

OutputSurface::OutputSurface(WaylandConnection& connection, WaylandOutput& output, Kind kind,
                             const std::string& name)
    : connection_(connection), output_(&output), kind_(kind), name_(name) {
    surface_ = wl_compositor_create_surface(connection.compositor());
    if (connection.fractionalScale() != nullptr && connection.viewporter() != nullptr) {
        fractionalScale_ =
            wp_fractional_scale_manager_v1_get_fractional_scale(connection.fractionalScale(), surface_);
        wp_fractional_scale_v1_add_listener(fractionalScale_, &kFractionalScaleListener, this);
    }
    if (connection.layerShell() != nullptr) {
        const bool strip = kind == Kind::MaskStrip;
        layerSurface_ = zwlr_layer_shell_v1_get_layer_surface(
            connection.layerShell(), surface_, output.output,
            strip ? ZWLR_LAYER_SHELL_V1_LAYER_TOP : ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, name.c_str());
        zwlr_layer_surface_v1_add_listener(layerSurface_, &kLayerListener, this);
        zwlr_layer_surface_v1_set_anchor(layerSurface_, strip ? kTopEdge : kAllEdges);
        zwlr_layer_surface_v1_set_exclusive_zone(layerSurface_, kOverPanels);
        if (strip) {
            zwlr_layer_surface_v1_set_size(layerSurface_, 0, kMaskHeightPx);
            // Input goes through it to whatever lies below.
            wl_region* none = wl_compositor_create_region(connection.compositor());
            wl_surface_set_input_region(surface_, none);
            wl_region_destroy(none);
        } else {
            zwlr_layer_surface_v1_set_keyboard_interactivity(layerSurface_, kExclusiveKeyboard);
        }
    } else if (connection.wmBase() != nullptr && kind != Kind::MaskStrip) {
        xdgSurface_ = xdg_wm_base_get_xdg_surface(connection.wmBase(), surface_);
        xdg_surface_add_listener(xdgSurface_, &kXdgSurfaceListener, this);
        toplevel_ = xdg_surface_get_toplevel(xdgSurface_);
        xdg_toplevel_add_listener(toplevel_, &kToplevelListener, this);
        xdg_toplevel_set_title(toplevel_, name.c_str());
        xdg_toplevel_set_app_id(toplevel_, kAppId);
        xdg_toplevel_set_fullscreen(toplevel_, output.output);
    } else {
        refused_ = true;
        refusal_ = "the compositor offers no shell for a surface";
        return;
    }
    wl_surface_commit(surface_);
}

OutputSurface::~OutputSurface() { withdraw(); }

void OutputSurface::withdraw() {
    if (surface_ != nullptr && withdrawn) {
        withdrawn(surface_);
    }
    if (picture_) {
        picture_->showOn(nullptr);
    }
    drop(fractionalScale_, wp_fractional_scale_v1_destroy);
    drop(viewport_, wp_viewport_destroy);
    drop(layerSurface_, zwlr_layer_surface_v1_destroy);
    drop(toplevel_, xdg_toplevel_destroy);
    drop(xdgSurface_, xdg_surface_destroy);
    drop(surface_, wl_surface_destroy);
    output_ = nullptr;
}

void OutputSurface::present() {
    if (picture_) {
        picture_->present();
    }
}

void OutputSurface::toplevelSize(int width, int height) { toplevelSize_ = {width, height}; }

// A scale told after the first configure counts from the next frame on, as one told before.
void OutputSurface::preferredScale(std::uint32_t scale120) {
    if (scale120 == scale120_) {
        return;
    }
    scale120_ = scale120;
    if (picture_ && surface_ != nullptr) {
        fitPicture();
        wl_surface_commit(surface_);
    }
}

void OutputSurface::configure(std::uint32_t serial, int width, int height) {
    if (surface_ == nullptr) {
        return;
    }
    if (layerSurface_ != nullptr) {
        zwlr_layer_surface_v1_ack_configure(layerSurface_, serial);
    } else if (xdgSurface_ != nullptr) {
        xdg_surface_ack_configure(xdgSurface_, serial);
        width = toplevelSize_.width;
        height = toplevelSize_.height;
    }
    // Zero leaves the size to the client: the output's own.
    const Rect outputRect = output_ != nullptr ? output_->logicalRect() : Rect{};
    if (width <= 0) {
        width = outputRect.width();
    }
    if (height <= 0) {
        height = kind_ == Kind::MaskStrip ? kMaskHeightPx : outputRect.height();
    }
    logicalSize_ = {std::max(width, 1), std::max(height, 1)};
    const bool first = !picture_;
    fitPicture();
    // Every configure is answered by a commit, with the picture or without.
    if (!first && picture_ && surface_ != nullptr) {
        wl_surface_commit(surface_);
    }
}

// The picture in device pixels for the logical size the compositor gave: the output's integer
// scale, or its fractional scale shown through a viewport; its buffers turned as the output is.
// A later size, scale, mode or turn gets new buffers (what the show drew is kept where the
// sizes overlap); the show draws on in the size it began with, and a later part of it takes the
// new size.
void OutputSurface::fitPicture() {
    int bufferScale = 1;
    double scale = 1.0;
    const bool fractional = scale120_ != 0 && connection_.viewporter() != nullptr;
    if (fractional) {
        scale = double(scale120_) / kFractionalScaleDenominator;
    } else if (output_ != nullptr && output_->scale > 1) {
        bufferScale = output_->scale;
        scale = bufferScale;
    }
    const int width = devicePixels(logicalSize_.width, scale);
    const int height = devicePixels(logicalSize_.height, scale);
    const int turn = ShmPicture::validTurn(output_ != nullptr ? output_->transform : 0);
    std::string reason;
    if (!picture_) {
        picture_ = ShmPicture::create(connection_.shm(), width, height, reason, turn);
        showPicture(picture_.get());
        if (!picture_) {
            refused_ = true;
            refusal_ = reason;
            return;
        }
        picture_->showOn(surface_);
    } else if (!picture_->resize(connection_.shm(), width, height, turn, reason)) {
        return;  // no memory for the new size: the old picture stays, placed by the compositor
    }
    if (fractional) {
        if (viewport_ == nullptr) {
            viewport_ = wp_viewporter_get_viewport(connection_.viewporter(), surface_);
        }
        wp_viewport_set_destination(viewport_, logicalSize_.width, logicalSize_.height);
    } else if (viewport_ != nullptr) {
        drop(viewport_, wp_viewport_destroy);  // the buffer's own size again
    }
    wl_surface_set_buffer_scale(surface_, bufferScale);
    wl_surface_set_buffer_transform(surface_, picture_->turn());
    picture_->present();
}

// A turn by a half (or a flip) leaves the size as it was, and the compositor need not configure
// the surface again; a quarter turn changes the size, and the configure that follows does it.
void OutputSurface::outputChanged() {
    if (!picture_ || surface_ == nullptr || output_ == nullptr) {
        return;
    }
    const int turn = ShmPicture::validTurn(output_->transform);
    if (turn != picture_->turn() && (turn & 1) == (picture_->turn() & 1)) {
        fitPicture();
        wl_surface_commit(surface_);
    }
}

void OutputSurface::closed() {
    if (!picture_) {
        refused_ = true;
        refusal_ = "the compositor refused the surface " + name_;
    }
    withdraw();
}

}  // namespace orvane
