#include "reference/text_layer.h"

#include <algorithm>

#include "reference/fnv.h"
#include "reference/reference_check.h"

namespace orvane::reference {

namespace {

std::uint32_t textValue(const DrawRecord& r) {
    std::uint64_t h = kFnvOffsetBasis;
    for (const char c : r.text) h = fnv(h, static_cast<unsigned char>(c));
    h = fnv(h, r.textColour);
    h = fnv(h, r.opaque ? r.backgroundColour | 0x1000000u : 0u);
    h = fnv(h, static_cast<std::uint32_t>(r.font.height) * 2u + (r.font.bold ? 1u : 0u));
    return static_cast<std::uint32_t>(h ^ (h >> 32)) | 1u;  // never 0
}

Rect clipped(const Rect& a, int width, int height) {
    const Rect r = intersected(a, {0, 0, width, height});
    return r.isEmpty() ? Rect{} : r;
}

}  // namespace

TextLayer::TextLayer(int width, int height)
    : width_(width), height_(height),
      layer_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0u) {}

void TextLayer::fill(const Rect& area, std::uint32_t value) {
    const Rect r = clipped(area, width_, height_);
    for (int y = r.top; y < r.bottom; ++y) {
        std::fill_n(layer_.begin() + static_cast<std::ptrdiff_t>(y) * width_ + r.left, r.width(), value);
    }
}

void TextLayer::apply(const std::vector<DrawRecord>& records) {
    for (const DrawRecord& r : records) {
        switch (r.kind) {
        case DrawRecord::Kind::Text: fill(r.area, textValue(r)); break;
        case DrawRecord::Kind::SurfaceCopy: fill(r.area, 0); break;
        case DrawRecord::Kind::Rectangle:
            if (!r.brush.hollow) fill(r.area, 0);
            break;
        case DrawRecord::Kind::Ellipse: break;  // may leave text in its corners
        case DrawRecord::Kind::CopyWithin: {
            const Rect to = clipped(r.area, width_, height_);
            std::vector<std::uint32_t> moved(static_cast<std::size_t>(std::max(0, to.width())) *
                                             static_cast<std::size_t>(std::max(0, to.height())));
            const int dx = r.area.left - r.source.x;
            const int dy = r.area.top - r.source.y;
            auto out = moved.begin();
            for (int y = to.top; y < to.bottom; ++y) {
                const auto from = layer_.begin() + static_cast<std::ptrdiff_t>(y - dy) * width_ + (to.left - dx);
                out = std::copy_n(from, to.width(), out);
            }
            auto in = moved.cbegin();
            for (int y = to.top; y < to.bottom; ++y, in += to.width()) {
                std::copy_n(in, to.width(), layer_.begin() + static_cast<std::ptrdiff_t>(y) * width_ + to.left);
            }
            break;
        }
        }
    }
}

bool TextLayer::empty() const {
    return std::all_of(layer_.begin(), layer_.end(), [](std::uint32_t v) { return v == 0; });
}

std::string TextLayer::looseDigest(const PixelPicture& picture) const {
    if (empty() || picture.width != width_ || picture.height != height_) {
        return "-";
    }
    // Near text: within kInkReachPx of a text cell, across then down.
    std::vector<char> across(layer_.size(), 0);
    std::vector<char> near(layer_.size(), 0);
    const auto at = [this](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x); };
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (layer_[at(x, y)] == 0) continue;
            for (int n = std::max(0, x - kInkReachPx); n <= std::min(width_ - 1, x + kInkReachPx); ++n) across[at(n, y)] = 1;
        }
    }
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            if (!across[at(x, y)]) continue;
            for (int n = std::max(0, y - kInkReachPx); n <= std::min(height_ - 1, y + kInkReachPx); ++n) near[at(x, n)] = 1;
        }
    }
    std::uint64_t h = fnv(fnv(kFnvOffsetBasis, static_cast<std::uint32_t>(width_)),
                          static_cast<std::uint32_t>(height_));
    for (std::size_t i = 0; i < layer_.size(); ++i) {
        const std::uint64_t word = layer_[i] != 0 ? 0x100000000ull | layer_[i]
                                   : near[i]      ? 0x200000000ull
                                                  : picture.pixels[i] & 0xFFFFFFu;
        h = fnv(h, word);
    }
    h ^= h >> 31;
    h *= 0x94d049bb133111ebull;
    h ^= h >> 29;
    return digestText(h);
}

}  // namespace orvane::reference
