// One surface of the program on one output. Where the compositor offers the layer shell it is
// a layer surface: a saver window or a black cover in the overlay layer, anchored to the four
// edges, over every panel (exclusive zone -1) and taking the keyboard; the mask strip in the
// top layer, under every overlay surface. Elsewhere a saver window or a cover is a toplevel
// made full-screen on its output, and there is no mask strip. The picture is made when the
// compositor first tells the size, in device pixels (the output's scale, or its fractional
// scale through a viewport), made again at each configure that changes them, and turned as the
// output is.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/common/picture_window.h"
#include "platform/wayland/shm_picture.h"

struct wl_surface;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct xdg_surface;
struct xdg_toplevel;
struct zwlr_layer_surface_v1;

namespace orvane {

class WaylandConnection;
struct WaylandOutput;

class OutputSurface final : public PictureWindow {
public:
    enum class Kind { Saver, Cover, MaskStrip };

    // Asks for the surface and commits it bare; the compositor answers with a configure.
    OutputSurface(WaylandConnection& connection, WaylandOutput& output, Kind kind,
                  const std::string& name);
    ~OutputSurface() override;

    OutputSurface(const OutputSurface&) = delete;
    OutputSurface& operator=(const OutputSurface&) = delete;

    const std::string& name() const { return name_; }
    WaylandOutput* output() const { return output_; }
    wl_surface* surface() const { return surface_; }
    // Configured, with a picture on the screen.
    bool shown() const { return picture_ != nullptr && surface_ != nullptr; }
    // The compositor took the surface away (or never gave it); the reason, for the message.
    bool refused() const { return refused_; }
    const std::string& refusal() const { return refusal_; }

    // Takes the surface off its output; the picture stays for the show to draw on.
    void withdraw();
    // Called when the output's picture goes to the screen.
    void present();
    // Called when the compositor has told new facts of the output.
    void outputChanged();

    // The compositor asks a toplevel to close: the user wants the show to end.
    std::function<void()> closeRequested;
    // The surface is about to go (its output went, or the compositor closed it).
    std::function<void(wl_surface*)> withdrawn;

    // What the surface shows once the compositor has taken the last frame; null until configured.
    ShmPicture* picture() { return picture_.get(); }

    // For the listeners.
    void configure(std::uint32_t serial, int width, int height);
    void toplevelSize(int width, int height);
    void closed();
    void preferredScale(std::uint32_t scale120);

private:
    void fitPicture();

    WaylandConnection& connection_;
    WaylandOutput* output_;
    Kind kind_;
    std::string name_;
    wl_surface* surface_ = nullptr;
    zwlr_layer_surface_v1* layerSurface_ = nullptr;
    xdg_surface* xdgSurface_ = nullptr;
    xdg_toplevel* toplevel_ = nullptr;
    wp_viewport* viewport_ = nullptr;
    wp_fractional_scale_v1* fractionalScale_ = nullptr;
    std::uint32_t scale120_ = 0;  // preferred fractional scale x 120, 0 until told
    Size toplevelSize_;
    Size logicalSize_;  // as last configured
    std::unique_ptr<ShmPicture> picture_;
    bool refused_ = false;
    std::string refusal_;
};

}  // namespace orvane
