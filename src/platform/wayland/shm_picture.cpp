#include "platform/wayland/shm_picture.h"

#include <wayland-client.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include "platform/image/image_canvas.h"
#include "platform/wayland/protocol_object.h"
#include "show/show_sequencer.h"

namespace orvane {

namespace {

// What a buffer lacks is kept by the show's own cells: a frame's changes are whole cells.
constexpr int kCellWidth = kColumnPitch;
constexpr int kCellHeight = kRowPitch;
// Frames kept back longer than this (a compositor that shows nothing) are sent whole.
constexpr std::size_t kMaxPendingRects = 4096;
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

// The Qt image over one buffer, which the show draws in while it is the current one.
QImage imageOver(void* pixels, int width, int height) {
    return QImage(static_cast<uchar*>(pixels), width, height, qsizetype{4} * width,
                  QImage::Format_RGB32);
}

}  // namespace

// The mapped pool of the buffers.
struct ShmPicture::Pool {
    void* memory = MAP_FAILED;
    std::size_t bytes = 0;
    wl_shm_pool* pool = nullptr;

    ~Pool() {
        drop(pool, wl_shm_pool_destroy);
        if (memory != MAP_FAILED) {
            munmap(memory, bytes);
        }
    }
};

std::shared_ptr<ShmPicture::Pool> ShmPicture::makePool(wl_shm* shm, int width, int height,
                                                      std::string& reason) {
    const std::size_t slotBytes =
        std::size_t{4} * static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::size_t bytes = slotBytes * kBufferCount;
    // The protocol gives sizes and offsets as 32-bit signed numbers.
    if (bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        reason = "an output of " + std::to_string(width) + "x" + std::to_string(height) +
                 " pixels is too large for shared-memory buffers";
        return nullptr;
    }
    auto pool = std::make_shared<Pool>();
    pool->bytes = bytes;
    const int fd = memfd_create("theorvane-picture", MFD_CLOEXEC);
    if (fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0) {
        pool->memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (pool->memory == MAP_FAILED) {
        reason = std::string("no shared memory for the picture: ") + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return nullptr;
    }
    pool->pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(bytes));
    close(fd);  // the compositor has its own
    if (pool->pool == nullptr) {
        reason = "no shared-memory pool on the Wayland connection";
        return nullptr;
    }
    return pool;
}

std::unique_ptr<ShmPicture> ShmPicture::create(wl_shm* shm, int width, int height,
                                               std::string& reason, int turn) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    turn = validTurn(turn);
    std::shared_ptr<Pool> pool = makePool(shm, width, height, reason);
    if (!pool) {
        return nullptr;
    }
    std::vector<std::uint32_t> own;
    void* memory = pool->memory;
    if (turn != kUnturned) {
        own.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        memory = own.data();
    }
    auto images = std::make_unique<QImageBackend>(imageOver(memory, width, height));
    QImageBackend* drawing = images.get();
    std::unique_ptr<ShmPicture> picture(new ShmPicture(drawing, std::move(images), width, height));
    drawing->beforeAccess = [p = picture.get()] {
        p->keepDrawable();
        p->bringUpToDate();
    };
    picture->own_ = std::move(own);
    picture->turn_ = turn;
    picture->useBuffers(std::move(pool));  // the picture is black, and so are the buffers
    return picture;
}

// The buffers of a new pool, the first of which holds the whole picture.
void ShmPicture::useBuffers(std::shared_ptr<Pool> pool) {
    for (Buffer& buffer : buffers_) {
        drop(buffer.buffer, wl_buffer_destroy);
        buffer = Buffer{};
    }
    pool_ = std::move(pool);
    auto* base = static_cast<std::uint8_t*>(pool_->memory);
    const std::size_t slotBytes = std::size_t{4} * static_cast<std::size_t>(width()) *
                                  static_cast<std::size_t>(height());
    const int across = sideways() ? height() : width();
    const int down = sideways() ? width() : height();
    for (int i = 0; i < kBufferCount; ++i) {
        Buffer& buffer = buffers_[i];
        const std::size_t offset = slotBytes * static_cast<std::size_t>(i);
        buffer.pixels = reinterpret_cast<std::uint32_t*>(base + offset);
        // The padding byte is not alpha: 0xFFRRGGBB words are opaque as they stand.
        buffer.buffer = wl_shm_pool_create_buffer(pool_->pool, static_cast<std::int32_t>(offset),
                                                  across, down, 4 * across,
                                                  WL_SHM_FORMAT_XRGB8888);
        if (buffer.buffer != nullptr) {  // else never shown: out of memory
            wl_buffer_add_listener(buffer.buffer, &kBufferListener, this);
        }
    }
    // Turned buffers are all brought up to date from the picture before they are shown.
    ledger_.reset(width(), height(), turn_ != kUnturned);
    resendWhole();
}

// The part the old picture and the new size share is kept; what the new size adds is black.
bool ShmPicture::resize(wl_shm* shm, int width, int height, int turn, std::string& reason) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    turn = validTurn(turn);
    if (width == this->width() && height == this->height() && turn == turn_) {
        return true;
    }
    std::shared_ptr<Pool> pool = makePool(shm, width, height, reason);
    if (!pool) {
        return false;
    }
    // The whole picture: its own memory where the buffers are turned, else the buffer drawn in.
    bringUpToDate();
    const std::uint32_t* from =
        turn_ != kUnturned ? own_.data() : buffers_[ledger_.current()].pixels;
    std::vector<std::uint32_t> own;
    auto* memory = static_cast<std::uint32_t*>(pool->memory);
    if (turn != kUnturned) {
        own.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        memory = own.data();
    }
    std::uint32_t* to = memory;
    const int kept = std::min(width, this->width());
    for (int y = 0; y < height; ++y, to += width) {
        if (y < this->height()) {
            std::memcpy(to, from + static_cast<std::ptrdiff_t>(y) * this->width(),
                        std::size_t{4} * static_cast<std::size_t>(kept));
        }
        std::fill(to + (y < this->height() ? kept : 0), to + width, 0xFF000000u);
    }
    images_->moveTo(imageOver(memory, width, height));
    own_ = std::move(own);
    turn_ = turn;
    pixelsMoved(width, height);
    useBuffers(std::move(pool));
    return true;
}

void ShmPicture::resendWhole() {
    drop(frameCallback_, wl_callback_destroy);
    pendingAll_ = true;
    pending_.clear();
}

ShmPicture::ShmPicture(QImageBackend* drawing, std::unique_ptr<PictureBackend> backend,
                       int width, int height)
    : WindowPicture(std::move(backend), width, height, 32, 96), images_(drawing),
      ledger_(kCellWidth, kCellHeight) {}

ShmPicture::~ShmPicture() {
    // The drawing lets go of the pool's memory before the pool goes.
    images_->beforeAccess = nullptr;
    images_->moveTo(QImage());
    drop(frameCallback_, wl_callback_destroy);
    for (Buffer& buffer : buffers_) {
        drop(buffer.buffer, wl_buffer_destroy);
    }
}

void ShmPicture::showOn(wl_surface* surface) {
    surface_ = surface;
    resendWhole();
}

void ShmPicture::bufferReleased(wl_buffer* released) {
    for (int i = 0; i < kBufferCount; ++i) {
        if (buffers_[i].buffer == released) {
            ledger_.released(i);
        }
    }
}

void ShmPicture::keepDrawable() {
    if (ledger_.keepDrawable()) {
        moveDrawingTo(ledger_.current());
    }
}

void ShmPicture::moveDrawingTo(int index) {
    images_->moveTo(imageOver(buffers_[index].pixels, width(), height()));
    pixelsMoved();
}

void ShmPicture::beforeOverwriting(const Rect& area) {
    keepDrawable();
    copyIn(ledger_.beforeOverwriting(area));
}

bool ShmPicture::unanswered(std::chrono::steady_clock::duration longerThan) const {
    return frameCallback_ != nullptr &&
           std::chrono::steady_clock::now() - frameAsked_ > longerThan;
}

void ShmPicture::frameDone() {
    drop(frameCallback_, wl_callback_destroy);
}

void ShmPicture::present() {
    const std::vector<Rect>& changed = takeDamageInColumns();
    for (const Rect& r : changed) {
        ledger_.markStale(r);
    }
    if (surface_ == nullptr) {
        return;  // nowhere to show it
    }
    if (!pendingAll_ && !changed.empty()) {
        pendingMerged_ = pending_.empty();
        pending_.insert(pending_.end(), changed.begin(), changed.end());
        if (pending_.size() > kMaxPendingRects) {
            pendingAll_ = true;
            pending_.clear();
        }
    }
    if ((pending_.empty() && !pendingAll_) || frameCallback_ != nullptr) {
        return;  // nothing new, or the compositor has not shown the last frame yet
    }
    keepDrawable();
    const int shown = ledger_.toShow();
    if (shown < 0) {
        return;  // never attached twice: the changes wait for a release
    }
    Buffer* buffer = &buffers_[shown];
    if (buffer->buffer == nullptr) {
        return;
    }
    if (turn_ != kUnturned) {
        // Turned buffers take what they lack from the picture.
        for (const Rect& area : ledger_.take(shown)) {
            turnArea(*buffer, area);
        }
    }
    bringUpToDate();
    wl_surface_attach(surface_, buffer->buffer, 0, 0);
    markDamage();
    frameCallback_ = wl_surface_frame(surface_);
    if (frameCallback_ != nullptr) {
        wl_callback_add_listener(frameCallback_, &kFrameListener, this);
    }
    frameAsked_ = std::chrono::steady_clock::now();
    wl_surface_commit(surface_);
    ledger_.shown(shown);
    pending_.clear();
    pendingAll_ = false;
    pendingMerged_ = true;
}

// Copies into the buffer drawn in what it still lacks, from the one the drawing left.
void ShmPicture::bringUpToDate() { copyIn(ledger_.bringUpToDate()); }

// From the buffer the drawing left into the one drawn in, pixel row by pixel row.
void ShmPicture::copyIn(const std::vector<Rect>& areas) {
    for (const Rect& r : areas) {
        const std::ptrdiff_t start = static_cast<std::ptrdiff_t>(r.top) * width() + r.left;
        std::uint32_t* to = buffers_[ledger_.current()].pixels + start;
        const std::uint32_t* from = buffers_[ledger_.source()].pixels + start;
        const std::size_t rowBytes = std::size_t{4} * static_cast<std::size_t>(r.width());
        for (int y = r.top; y < r.bottom; ++y, to += width(), from += width()) {
            std::memcpy(to, from, rowBytes);
        }
    }
}

// Where a picture pixel lies in a turned buffer: bx = a x + b y + c, by = d x + e y + f, as
// wl_output's transforms turn the picture (counter-clockwise, a flip before the turn).
ShmPicture::Turn ShmPicture::turnOf() const {
    const int w = width() - 1;
    const int h = height() - 1;
    switch (turn_) {
    case WL_OUTPUT_TRANSFORM_90: return {0, 1, 0, -1, 0, w};
    case WL_OUTPUT_TRANSFORM_180: return {-1, 0, w, 0, -1, h};
    case WL_OUTPUT_TRANSFORM_270: return {0, -1, h, 1, 0, 0};
    case WL_OUTPUT_TRANSFORM_FLIPPED: return {-1, 0, w, 0, 1, 0};
    case WL_OUTPUT_TRANSFORM_FLIPPED_90: return {0, 1, 0, 1, 0, 0};
    case WL_OUTPUT_TRANSFORM_FLIPPED_180: return {1, 0, 0, 0, -1, h};
    case WL_OUTPUT_TRANSFORM_FLIPPED_270: return {0, -1, h, -1, 0, w};
    default: return {1, 0, 0, 0, 1, 0};
    }
}

Rect ShmPicture::turned(const Rect& r) const {
    if (turn_ == kUnturned || r.isEmpty()) {
        return r;
    }
    const Turn t = turnOf();
    const int x0 = t.a * r.left + t.b * r.top + t.c;
    const int y0 = t.d * r.left + t.e * r.top + t.f;
    const int x1 = t.a * (r.right - 1) + t.b * (r.bottom - 1) + t.c;
    const int y1 = t.d * (r.right - 1) + t.e * (r.bottom - 1) + t.f;
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1};
}

void ShmPicture::turnArea(Buffer& buffer, const Rect& area) {
    const Turn t = turnOf();
    const std::ptrdiff_t across = sideways() ? height() : width();
    const std::ptrdiff_t stepX = t.a + t.d * across;
    const std::ptrdiff_t stepY = t.b + t.e * across;
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint32_t* from = own_.data() + static_cast<std::ptrdiff_t>(y) * width();
        std::uint32_t* to = buffer.pixels + t.c + t.f * across + stepY * y + stepX * area.left;
        for (int x = area.left; x < area.right; ++x, to += stepX) {
            *to = from[x];
        }
    }
}

void ShmPicture::markDamage() {
    if (pendingAll_ || pending_.size() > kMaxDamageRects) {
        Rect box = pendingAll_ ? Rect{0, 0, width(), height()} : Rect{width(), height(), 0, 0};
        for (const Rect& r : pending_) {
            box = {std::min(box.left, r.left), std::min(box.top, r.top),
                   std::max(box.right, r.right), std::max(box.bottom, r.bottom)};
        }
        pending_.assign(1, box);
    } else if (!pendingMerged_) {
        WindowPicture::mergeColumns(pending_);
    }
    for (const Rect& area : pending_) {
        const Rect r = turned(intersected(area, {0, 0, width(), height()}));
        if (!r.isEmpty()) {
            wl_surface_damage_buffer(surface_, r.left, r.top, r.width(), r.height());
        }
    }
}

}  // namespace orvane
