#include "platform/common/window_picture.h"

#include <algorithm>
#include <cstring>

namespace orvane {

PixelPicture::PixelPicture(int w, int h, std::uint32_t fill)
    : width(std::max(w, 0)), height(std::max(h, 0)),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

WindowPicture::WindowPicture(std::unique_ptr<PictureBackend> backend, int width, int height,
                             int bitsPerPixel, int logicalDpiY)
    : backend_(std::move(backend)), pixels_(backend_->pixels()), width_(width), height_(height),
      bitsPerPixel_(bitsPerPixel), logicalDpiY_(logicalDpiY) {
    std::fill_n(pixels_, static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_),
                0xFF000000u);
}

WindowPicture::~WindowPicture() = default;

std::uint32_t WindowPicture::pixel(int x, int y) const {
    finishDrawing();
    // Drawing libraries may leave the padding byte as they like; the colour is what counts.
    return 0xFF000000u | row(y)[x];
}

PixelPicture WindowPicture::snapshot() const {
    finishDrawing();
    PixelPicture copy(width_, height_);
    std::transform(pixels_, pixels_ + copy.pixels.size(), copy.pixels.begin(),
                   [](std::uint32_t pixel) { return 0xFF000000u | pixel; });
    return copy;
}

void WindowPicture::setContent(const PixelPicture& content) {
    finishDrawing();
    const int w = std::min(width_, content.width);
    for (int y = 0; y < height_; ++y) {
        std::uint32_t* to = row(y);
        int x = 0;
        if (y < content.height && w > 0) {
            std::memcpy(to, content.pixels.data() + static_cast<std::ptrdiff_t>(y) * content.width,
                        sizeof(std::uint32_t) * static_cast<std::size_t>(w));
            x = w;
        }
        std::fill(to + x, to + width_, 0xFF000000u);
    }
}

std::vector<Rect>& WindowPicture::takeDamage() {
    merged_.clear();
    if (damage_.size() < 2) {
        merged_.swap(damage_);
        return merged_;
    }
    // Row-sorted, horizontal neighbours of the same rows merged.
    std::sort(damage_.begin(), damage_.end(), [](const Rect& a, const Rect& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    for (const Rect& r : damage_) {
        if (!merged_.empty()) {
            Rect& last = merged_.back();
            if (last.top == r.top && last.bottom == r.bottom && r.left <= last.right) {
                last.right = std::max(last.right, r.right);
                continue;
            }
        }
        merged_.push_back(r);
    }
    damage_.clear();
    return merged_;
}

std::vector<Rect>& WindowPicture::takeDamageInColumns() {
    merged_.clear();
    merged_.swap(damage_);
    mergeColumns(merged_);
    return merged_;
}

void WindowPicture::mergeColumns(std::vector<Rect>& rects) {
    if (rects.size() < 2) {
        return;
    }
    std::sort(rects.begin(), rects.end(), [](const Rect& a, const Rect& b) {
        if (a.left != b.left) {
            return a.left < b.left;
        }
        return a.right != b.right ? a.right < b.right : a.top < b.top;
    });
    std::size_t kept = 0;
    for (std::size_t i = 1; i < rects.size(); ++i) {
        Rect& last = rects[kept];
        const Rect& r = rects[i];
        if (r.left == last.left && r.right == last.right && r.top <= last.bottom) {
            last.bottom = std::max(last.bottom, r.bottom);
        } else {
            rects[++kept] = r;
        }
    }
    rects.resize(kept + 1);
}

}  // namespace orvane
