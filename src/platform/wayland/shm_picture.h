// A window picture on Wayland. The show draws into a QImage by the same Qt image backend as
// the X11 direct path (so the same pixels); each frame goes to the compositor in one of the
// slots of a shared-memory pool, a buffer the compositor does not hold: only the cells changed since that buffer was last shown are copied into it (each
// buffer keeps a map of the show's 16 x 20 cells it lacks), and only the frame's own changes
// are marked damaged. A frame waits for the compositor's frame
// callback and for a free buffer, keeping its changes for the next present meanwhile, so the
// show never waits on the compositor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/window_picture.h"

struct wl_buffer;
struct wl_callback;
struct wl_shm;
struct wl_surface;

namespace orvane {

class ShmPicture final : public WindowPicture {
public:
    static constexpr int kBufferCount = 2;

    // A black picture of width x height device pixels; nothing, with a reason, where the
    // system or the compositor gives no memory of that size.
    static std::unique_ptr<ShmPicture> create(wl_shm* shm, int width, int height,
                                              std::string& reason);
    ~ShmPicture() override;

    // Where the frames go; nothing drops them (the output is gone). A new surface gets the
    // whole picture with the next present.
    void showOn(wl_surface* surface);
    void present() override;

    // Frames committed so far (for the figures).
    int framesSent() const { return framesSent_; }

    // For the listeners.
    void bufferReleased(wl_buffer* buffer);
    void frameDone();

    struct Pool;

private:
    struct Buffer {
        wl_buffer* buffer = nullptr;
        std::uint32_t* pixels = nullptr;
        bool held = false;  // by the compositor, until it releases it
        bool allStale = true;
        // The cells changed since this buffer was last brought up to date, row by row.
        std::vector<std::uint8_t> staleCells;
    };

    ShmPicture(std::unique_ptr<PictureBackend> backend, int width, int height,
               std::shared_ptr<Pool> pool);
    Buffer* freeBuffer();
    void markStale(const Rect& area);
    void bringUpToDate(Buffer& buffer);
    void markDamage();

    std::shared_ptr<Pool> pool_;
    Buffer buffers_[kBufferCount];
    wl_surface* surface_ = nullptr;
    wl_callback* frameCallback_ = nullptr;
    int cellsAcross_ = 0;
    int cellsDown_ = 0;
    std::vector<Rect> pending_;  // changed since the last frame sent
    bool pendingAll_ = true;
    bool pendingMerged_ = true;  // as one present merged it
    int framesSent_ = 0;
};

}  // namespace orvane
