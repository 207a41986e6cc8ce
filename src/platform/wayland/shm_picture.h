// A window picture on Wayland. The show draws straight into one of two shared-memory buffers
// of a pool, by the same image backend as the X11 direct path (so the same pixels), and that
// buffer goes to the compositor as it stands: no copy while the compositor lets go of each
// buffer before the next frame (one that uploads what it is given). One that keeps the buffer
// it shows gets the other, which the ledger brings up to date. Only a frame's own changes are
// marked damaged. A frame waits for the compositor's frame callback and for a free buffer,
// keeping its changes for the next present, so the show never waits on the compositor. A new
// size gets new buffers, the old picture kept where they overlap. On a turned output the
// buffers are turned as the output is, so that the compositor shows them as they stand: the
// show then draws in memory of its own, turned into each buffer before it is shown.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/window_picture.h"
#include "platform/wayland/buffer_ledger.h"

struct wl_buffer;
struct wl_callback;
struct wl_shm;
struct wl_surface;

namespace orvane {

class QImageBackend;

class ShmPicture final : public WindowPicture {
public:
    static constexpr int kBufferCount = BufferLedger::kBuffers;
    static constexpr int kUnturned = 0;  // wl_output's normal transform

    // A black picture of width x height device pixels, whose buffers are turned by turn (one of
    // wl_output's transforms; others count as none); nothing, with a reason, where the system
    // or the compositor gives no memory of that size.
    static std::unique_ptr<ShmPicture> create(wl_shm* shm, int width, int height,
                                              std::string& reason, int turn = kUnturned);
    ~ShmPicture() override;

    // Where the frames go; nothing drops them (the output is gone). A new surface gets the
    // whole picture with the next present.
    void showOn(wl_surface* surface);
    // Width x height device pixels from now on: the part both sizes share stays as it was, the
    // rest is black, and the whole goes with the next present, without waiting for the frame
    // callback. False, with the reason, where there is no memory for it (the old size stays).
    bool resize(wl_shm* shm, int width, int height, int turn, std::string& reason);
    // The transform its buffers carry, for wl_surface.set_buffer_transform.
    int turn() const { return turn_; }
    // One of wl_output's transforms, or none.
    static int validTurn(int turn) { return turn >= 0 && turn <= kLastTurn ? turn : kUnturned; }
    // A frame callback has been awaited for longer than that: the compositor shows nothing of
    // the surface (an output powered off, a hidden surface).
    bool unanswered(std::chrono::steady_clock::duration longerThan) const;
    void present() override;
    void beforeOverwriting(const Rect& area) override;

    // For the listeners.
    void bufferReleased(wl_buffer* buffer);
    void frameDone();

    struct Pool;

private:
    static constexpr int kLastTurn = 7;  // wl_output's flipped_270
    // bx = a x + b y + c, by = d x + e y + f
    struct Turn {
        int a, b, c, d, e, f;
    };

    struct Buffer {
        wl_buffer* buffer = nullptr;
        std::uint32_t* pixels = nullptr;
    };

    ShmPicture(QImageBackend* drawing, std::unique_ptr<PictureBackend> backend, int width,
               int height);
    static std::shared_ptr<Pool> makePool(wl_shm* shm, int width, int height,
                                          std::string& reason);
    void useBuffers(std::shared_ptr<Pool> pool);
    void resendWhole();
    bool sideways() const { return (turn_ & 1) != 0; }  // a quarter or three quarters turned
    Turn turnOf() const;
    Rect turned(const Rect& r) const;
    void turnArea(Buffer& buffer, const Rect& area);
    void keepDrawable();
    void moveDrawingTo(int index);
    void bringUpToDate();
    void copyIn(const std::vector<Rect>& areas);
    void markDamage();

    std::shared_ptr<Pool> pool_;
    QImageBackend* images_;  // the picture's backend, which draws in the current buffer
    Buffer buffers_[kBufferCount];
    BufferLedger ledger_;  // which buffer is drawn in and held, and what each lacks
    wl_surface* surface_ = nullptr;
    wl_callback* frameCallback_ = nullptr;
    std::chrono::steady_clock::time_point frameAsked_;
    int turn_ = kUnturned;
    std::vector<std::uint32_t> own_;  // the picture, where the buffers are turned
    std::vector<Rect> pending_;  // changed since the last frame sent
    bool pendingAll_ = true;
    bool pendingMerged_ = true;  // as one present merged it
};

}  // namespace orvane
