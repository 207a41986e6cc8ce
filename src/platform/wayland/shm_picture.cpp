#include "platform/wayland/shm_picture.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/qt/image_canvas.h"

namespace orvane {

namespace {

constexpr int kSlots = ShmPicture::kBufferCount + 1;  // the drawing and the buffers
// A buffer behind by more changes than this is brought up to date whole.
constexpr std::size_t kMaxStaleRects = 1024;
// More damaged rectangles than this in one frame are sent as their bounding box: the
// compositor's region arithmetic grows faster than the area it saves.
constexpr std::size_t kMaxDamageRects = 512;

ShmPicture& pictureOf(void* data) { return *static_cast<ShmPicture*>(data); }

const wl_buffer_listener kBufferListener = {
    .release = [](void* data, wl_buffer* buffer) { pictureOf(data).bufferReleased(buffer); },
};

const wl_callback_listener kFrameListener = {
    .done = [](void* data, wl_callback*, std::uint32_t) { pictureOf(data).frameDone(); },
};

Rect clipped(const Rect& r, int width, int height) {
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width),
            std::min(r.bottom, height)};
}

}  // namespace

// The mapped pool: it outlives the picture's image (which draws in its first slot).
struct ShmPicture::Pool {
    void* memory = MAP_FAILED;
    std::size_t bytes = 0;
    wl_shm_pool* pool = nullptr;

    ~Pool() {
        if (pool != nullptr) {
            wl_shm_pool_destroy(pool);
        }
        if (memory != MAP_FAILED) {
            munmap(memory, bytes);
        }
    }
};

std::unique_ptr<ShmPicture> ShmPicture::create(wl_shm* shm, int width, int height,
                                               std::string& reason) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    const std::size_t slotBytes =
        std::size_t{4} * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t bytes = slotBytes * kSlots;
    // The protocol gives sizes and offsets as 32-bit signed numbers.
    if (bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        reason = "an output of " + std::to_string(width) + "x" + std::to_string(height) +
                 " pixels is too large for shared-memory buffers";
        return nullptr;
    }
    const int fd = memfd_create("theorvane-picture", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(bytes)) != 0) {
        reason = std::string("no shared memory for the picture: ") + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return nullptr;
    }
    auto pool = std::make_shared<Pool>();
    pool->bytes = bytes;
    pool->memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pool->memory == MAP_FAILED) {
        reason = std::string("no shared memory for the picture: ") + std::strerror(errno);
        close(fd);
        return nullptr;
    }
    pool->pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
    close(fd);  // the compositor has its own

    auto* base = static_cast<std::uint8_t*>(pool->memory);
    const qsizetype bytesPerLine = qsizetype{4} * width;
    auto* keep = new std::shared_ptr<Pool>(pool);
    QImage image(
        base, width, height, bytesPerLine, QImage::Format_RGB32,
        [](void* info) { delete static_cast<std::shared_ptr<Pool>*>(info); }, keep);
    std::unique_ptr<ShmPicture> picture(new ShmPicture(
        std::make_unique<QImageBackend>(std::move(image)), width, height, pool));
    for (int i = 0; i < kBufferCount; ++i) {
        Buffer& buffer = picture->buffers_[i];
        const std::size_t offset = slotBytes * static_cast<std::size_t>(i + 1);
        buffer.pixels = reinterpret_cast<std::uint32_t*>(base + offset);
        // The padding byte is not alpha: 0xFFRRGGBB words are opaque as they stand.
        buffer.buffer = wl_shm_pool_create_buffer(pool->pool, static_cast<std::int32_t>(offset),
                                                  width, height, static_cast<std::int32_t>(bytesPerLine),
                                                  WL_SHM_FORMAT_XRGB8888);
        wl_buffer_add_listener(buffer.buffer, &kBufferListener, picture.get());
    }
    return picture;
}

ShmPicture::ShmPicture(std::unique_ptr<PictureBackend> backend, int width, int height,
                       std::shared_ptr<Pool> pool)
    : WindowPicture(std::move(backend), width, height, 32, 96), pool_(std::move(pool)) {}

ShmPicture::~ShmPicture() {
    if (frameCallback_ != nullptr) {
        wl_callback_destroy(frameCallback_);
    }
    for (Buffer& buffer : buffers_) {
        if (buffer.buffer != nullptr) {
            wl_buffer_destroy(buffer.buffer);
        }
    }
}

void ShmPicture::showOn(wl_surface* surface) {
    if (frameCallback_ != nullptr) {
        wl_callback_destroy(frameCallback_);
        frameCallback_ = nullptr;
    }
    surface_ = surface;
    pendingAll_ = true;
    pending_.clear();
}

void ShmPicture::bufferReleased(wl_buffer* released) {
    for (Buffer& buffer : buffers_) {
        if (buffer.buffer == released) {
            buffer.held = false;
        }
    }
}

void ShmPicture::frameDone() {
    if (frameCallback_ != nullptr) {
        wl_callback_destroy(frameCallback_);
        frameCallback_ = nullptr;
    }
}

ShmPicture::Buffer* ShmPicture::freeBuffer() {
    for (Buffer& buffer : buffers_) {
        if (!buffer.held) {
            return &buffer;
        }
    }
    return nullptr;
}

void ShmPicture::present() {
    const std::vector<Rect>& changed = takeDamageInColumns();
    if (surface_ == nullptr) {
        return;  // nowhere to show it
    }
    if (!pendingAll_) {
        pending_.insert(pending_.end(), changed.begin(), changed.end());
        if (pending_.size() > kMaxStaleRects) {
            pendingAll_ = true;
            pending_.clear();
        }
    }
    if ((pending_.empty() && !pendingAll_) || frameCallback_ != nullptr) {
        return;  // nothing new, or the compositor has not shown the last frame yet
    }
    Buffer* buffer = freeBuffer();
    if (buffer == nullptr) {
        return;  // both are on the screen still; the changes wait for a release
    }
    for (Buffer& other : buffers_) {
        if (pendingAll_ || other.stale.size() + pending_.size() > kMaxStaleRects) {
            other.allStale = true;
            other.stale.clear();
        } else if (!other.allStale) {
            other.stale.insert(other.stale.end(), pending_.begin(), pending_.end());
        }
    }
    bringUpToDate(*buffer);
    wl_surface_attach(surface_, buffer->buffer, 0, 0);
    markDamage();
    frameCallback_ = wl_surface_frame(surface_);
    wl_callback_add_listener(frameCallback_, &kFrameListener, this);
    wl_surface_commit(surface_);
    buffer->held = true;
    pending_.clear();
    pendingAll_ = false;
    ++framesSent_;
}

void ShmPicture::bringUpToDate(Buffer& buffer) {
    finishDrawing();
    if (buffer.allStale) {
        std::memcpy(buffer.pixels, row(0),
                    std::size_t{4} * static_cast<std::size_t>(width()) *
                        static_cast<std::size_t>(height()));
    } else {
        WindowPicture::mergeColumns(buffer.stale);
        for (const Rect& area : buffer.stale) {
            const Rect r = clipped(area, width(), height());
            if (r.isEmpty()) {
                continue;
            }
            const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(r.width());
            for (int y = r.top; y < r.bottom; ++y) {
                std::memcpy(buffer.pixels + static_cast<std::ptrdiff_t>(y) * width() + r.left,
                            row(y) + r.left, rowBytes);
            }
        }
    }
    buffer.stale.clear();
    buffer.allStale = false;
}

void ShmPicture::markDamage() {
    if (pendingAll_ || pending_.size() > kMaxDamageRects) {
        Rect box{width(), height(), 0, 0};
        if (pendingAll_) {
            box = {0, 0, width(), height()};
        }
        for (const Rect& r : pending_) {
            box = {std::min(box.left, r.left), std::min(box.top, r.top),
                   std::max(box.right, r.right), std::max(box.bottom, r.bottom)};
        }
        pending_.assign(1, clipped(box, width(), height()));
    } else {
        WindowPicture::mergeColumns(pending_);
    }
    for (const Rect& area : pending_) {
        const Rect r = clipped(area, width(), height());
        if (!r.isEmpty()) {
            wl_surface_damage_buffer(surface_, r.left, r.top, r.width(), r.height());
        }
    }
}

}  // namespace orvane
