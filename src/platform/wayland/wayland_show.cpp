#include "platform/wayland/wayland_show.h"

#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/posix/stop_watcher.h"
#include "platform/wayland/primary_output.h"

namespace orvane {

namespace {

constexpr const char* kCoverName = "Cover";
// A frame callback unanswered this long means the compositor shows nothing of that surface: far
// longer than a busy compositor takes for a frame (a slow one taken for it would only slow the
// show down, whose clock stands still while it is held).
constexpr std::chrono::milliseconds kUnseenAfter{1000};

Point originOf(const WaylandOutput& output) {
    const Rect rect = output.logicalRect();
    return {rect.left, rect.top};
}

}  // namespace

WaylandShow::WaylandShow(const Settings& settings, GlyphPicture picture,
                         std::unique_ptr<WaylandConnection> connection)
    : PlatformShow(settings, std::move(picture)),
      connection_(std::move(connection)),
      input_(std::make_unique<SeatInput>(connection_->display(), settings_, wake_)),
      platform_([this] { pump(); }, wake_, [this] { return unseen(); }) {}

WaylandShow::~WaylandShow() {
    connection_->outputAdded = nullptr;
    connection_->outputRemoved = nullptr;
    connection_->outputMoved = nullptr;
    covers_.clear();
    windows_.clear();
    mask_.reset();
    connection_->flush();
}

std::unique_ptr<OutputSurface> WaylandShow::makeSurface(WaylandOutput& output,
                                                        OutputSurface::Kind kind,
                                                        const std::string& name) {
    auto surface = std::make_unique<OutputSurface>(*connection_, output, kind, name);
    if (kind != OutputSurface::Kind::MaskStrip && surface->surface() != nullptr) {
        input_->place(surface->surface(), originOf(output));
        SeatInput* input = input_.get();
        surface->withdrawn = [input](wl_surface* gone) { input->forget(gone); };
        surface->closeRequested = [this] { closeAsked_ = true; };
    }
    return surface;
}

bool WaylandShow::open(std::string& reason) {
    std::vector<WaylandOutput*> outputs;
    for (const auto& output : connection_->outputs()) {
        if (output->announced) {
            outputs.push_back(output.get());
        }
    }
    if (outputs.empty()) {
        reason = "the Wayland compositor has no outputs to show on";
        return false;
    }
    if (connection_->compositor() == nullptr || connection_->shm() == nullptr) {
        reason = "the Wayland compositor offers no surfaces in shared memory (wl_compositor 4, wl_shm)";
        return false;
    }
    if (connection_->layerShell() == nullptr && connection_->wmBase() == nullptr) {
        reason = "the Wayland compositor offers neither the layer shell nor xdg-shell";
        return false;
    }
    if (!input_->bindSeats()) {
        reason = "the Wayland compositor failed at once: " + connection_->failure();
        return false;
    }
    // The primary output first: Win0 goes there.
    const auto primary =
        std::find(outputs.begin(), outputs.end(), primaryOutput(*connection_, outputs));
    std::rotate(outputs.begin(), primary, primary + 1);
    // Under the show, never a window of its own: only the layer shell can put it there.
    if (connection_->layerShell() != nullptr) {
        mask_ = makeSurface(*outputs.front(), OutputSurface::Kind::MaskStrip, kMaskName);
    }
    // Win0 last, so that it ends on top: where the surfaces are windows, it is the one given
    // the keyboard.
    windows_.resize(outputs.size());
    for (std::size_t i = outputs.size(); i-- > 0;) {
        windows_[i] = makeSurface(*outputs[i], OutputSurface::Kind::Saver,
                                  saverWindowName(static_cast<int>(i)));
    }
    // The configures (each surface then makes its picture and shows it black), and what the
    // compositor says of the first frames.
    if (!connection_->roundtrip() || !connection_->roundtrip()) {
        reason = "the Wayland compositor refused a surface: " + connection_->failure();
        return false;
    }
    std::vector<OutputSurface*> all;
    if (mask_) {
        all.push_back(mask_.get());
    }
    for (auto& window : windows_) {
        all.push_back(window.get());
    }
    for (OutputSurface* surface : all) {
        if (surface->refused()) {
            reason = surface->refusal();
            return false;
        }
        if (!surface->shown()) {
            reason = "the Wayland compositor gave no size to the surface " + surface->name();
            return false;
        }
    }
    connection_->outputAdded = [this](WaylandOutput& output) { coverOutput(output); };
    connection_->outputRemoved = [this](WaylandOutput& output) { outputGone(output); };
    connection_->outputMoved = [this](WaylandOutput& output) { outputMoved(output); };
    return connection_->flush();
}

// Input there ends the show like anywhere else; nothing is drawn there.
void WaylandShow::coverOutput(WaylandOutput& output) {
    covers_.push_back(makeSurface(output, OutputSurface::Kind::Cover, kCoverName));
}

void WaylandShow::outputGone(WaylandOutput& output) {
    for (auto& window : windows_) {
        if (window->output() == &output) {
            window->withdraw();  // the show goes on drawing on its picture, unseen
        }
    }
    if (mask_ && mask_->output() == &output) {
        mask_->withdraw();
    }
    std::erase_if(covers_, [&output](const auto& cover) { return cover->output() == &output; });
}

void WaylandShow::outputMoved(WaylandOutput& output) {
    for (auto* list : {&windows_, &covers_}) {
        for (auto& surface : *list) {
            if (surface->output() == &output && surface->surface() != nullptr) {
                input_->place(surface->surface(), originOf(output));
                surface->outputChanged();
            }
        }
    }
    if (mask_ && mask_->output() == &output) {
        mask_->outputChanged();
    }
}

// Every saver surface has been waiting longer than that for the compositor to show its last
// frame, or is gone with its output: nothing the show draws would be seen. One surface still
// shown is enough to go on (the others keep their changes until they are shown again).
bool WaylandShow::unseen() const {
    if (stopAsked() || gone_) {
        return false;
    }
    return std::none_of(windows_.begin(), windows_.end(), [](const auto& window) {
        return window->surface() != nullptr && window->picture() != nullptr &&
               !window->picture()->unanswered(kUnseenAfter);
    });
}

bool WaylandShow::stopAsked() const {
    return stopped_ || gone_ || closeAsked_;
}

void WaylandShow::pump() {
    if (!gone_ && (!connection_->dispatchPending() || input_->connectionLost() ||
                   connection_->failed())) {
        gone_ = true;  // the session is over
    }
    if (activity_.exchange(false)) {
        control_.userActivity = true;
    }
    if (stopAsked()) {
        control_.requestStop();
    }
    if (gone_) {
        return;
    }
    for (auto& window : windows_) {
        window->present();
    }
    if (!connection_->flush()) {
        gone_ = true;
    }
}

int WaylandShow::run(StopWatcher& watcher) {
    watcher.attach({.stop = [this] { stopped_ = true; wake_.notify(); },
                    .activity = [this] { activity_ = true; wake_.notify(); },
                    .forcedExitAfter = StopWatcher::kForcedExitAfter});
    // From here on the watcher reads the connection.
    if (watcher.watch(*input_)) {
        platform_.sleep(kStartDelayMs);
        platform_.processPendingMessages();
        if (!stopAsked()) {
            playOn(platform_);
        }
        watcher.unwatch(*input_);
    }
    watcher.detach();
    return 0;
}

bool waylandCompositorAnswers() {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return false;
    }
    wl_display_disconnect(display);
    return true;
}

int runWaylandShow(const Settings& settings, GlyphPicture picture, StopWatcher& watcher) {
    if (!watcher.running()) {  // nothing would read the input: the show could never end
        std::fprintf(stderr, "theorvane: no thread to read the input on (out of resources)\n");
        return 1;
    }
    std::string reason;
    std::unique_ptr<WaylandConnection> connection = WaylandConnection::open(reason);
    if (!connection) {
        std::fprintf(stderr, "theorvane: %s\n", reason.c_str());
        return 1;
    }
    WaylandShow show(settings, std::move(picture), std::move(connection));
    if (!show.open(reason)) {
        std::fprintf(stderr, "theorvane: %s\n", reason.c_str());
        return 1;
    }
    return show.run(watcher);
}

}  // namespace orvane
