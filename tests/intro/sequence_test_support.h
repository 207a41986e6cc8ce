// Helpers for the intro tests on the virtual platform: a drawing context that stamps each
// drawing call with the virtual time it reached the window, and filters over the window's
// drawing records.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/common/window_picture.h"
#include "platform/virtual/virtual_platform.h"
#include "show/platform.h"

namespace orvane::intro_test {

// One drawing call with its virtual time.
struct Stamped {
    std::uint64_t atUs = 0;
    DrawRecord::Kind kind = DrawRecord::Kind::Text;
    Rect area;  // the rectangle, or for text its top left only
    std::string text;

    std::uint32_t atMs() const { return static_cast<std::uint32_t>(atUs / 1000); }
};

// Passes every call on to the window's own context; notes text and rectangle calls, with the
// virtual time, when keep() accepts them (all of them when keep is empty).
class ClockedCanvas final : public Canvas {
public:
    ClockedCanvas(Canvas& inner, VirtualPlatform& platform) : inner_(inner), platform_(platform) {}

    std::function<bool(const Stamped&)> keep;
    std::vector<Stamped> calls;

    int bitsPerPixel() const override { return inner_.bitsPerPixel(); }
    int logicalDpiY() const override { return inner_.logicalDpiY(); }
    Font selectFont(const Font& font) override { return inner_.selectFont(font); }
    Brush selectBrush(const Brush& brush) override { return inner_.selectBrush(brush); }
    Pen selectPen(const Pen& pen) override { return inner_.selectPen(pen); }
    void setTextColour(Colour colour) override { inner_.setTextColour(colour); }
    Colour textColour() const override { return inner_.textColour(); }
    void setBackgroundColour(Colour colour) override { inner_.setBackgroundColour(colour); }
    void setBackgroundMode(BackgroundMode mode) override { inner_.setBackgroundMode(mode); }
    Size textExtent(std::string_view text) override { return inner_.textExtent(text); }
    void textOut(int x, int y, std::string_view text) override {
        inner_.textOut(x, y, text);
        note({platform_.elapsedUs(), DrawRecord::Kind::Text, {x, y, x, y}, std::string(text)});
    }
    void rectangle(const Rect& bounds) override {
        inner_.rectangle(bounds);
        note({platform_.elapsedUs(), DrawRecord::Kind::Rectangle, bounds, {}});
    }
    void ellipse(const Rect& bounds) override { inner_.ellipse(bounds); }
    void copyFromSurface(const Surface& surface, const Rect& area) override {
        inner_.copyFromSurface(surface, area);
    }
    void copyWithin(const Rect& source, Point destination) override {
        inner_.copyWithin(source, destination);
    }
    void excludeClipRect(const Rect& area) override { inner_.excludeClipRect(area); }
    void flush() override { inner_.flush(); }

    std::vector<Stamped> texts() const {
        std::vector<Stamped> out;
        for (const Stamped& call : calls) {
            if (call.kind == DrawRecord::Kind::Text) {
                out.push_back(call);
            }
        }
        return out;
    }

private:
    void note(Stamped call) {
        if (!keep || keep(call)) {
            calls.push_back(std::move(call));
        }
    }

    Canvas& inner_;
    VirtualPlatform& platform_;
};

inline std::vector<DrawRecord> recordsOfKind(const std::vector<DrawRecord>& records,
                                             DrawRecord::Kind kind) {
    std::vector<DrawRecord> out;
    for (const DrawRecord& record : records) {
        if (record.kind == kind) {
            out.push_back(record);
        }
    }
    return out;
}

inline bool isFill(const DrawRecord& record, const Rect& area, Colour colour) {
    return record.kind == DrawRecord::Kind::Rectangle && record.area == area &&
           !record.brush.hollow && record.brush.colour == colour;
}

// The bounding box of the pixels of the window that are not black; empty when all are.
inline Rect litArea(const WindowPicture& picture) {
    Rect box{picture.width(), picture.height(), 0, 0};
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if ((picture.pixel(x, y) & 0xFFFFFFu) != 0) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
        }
    }
    return box.isEmpty() ? Rect{} : box;
}

// QRgb of a colour of the show (red in the low byte).
inline std::uint32_t rgbOf(Colour colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

}  // namespace orvane::intro_test
