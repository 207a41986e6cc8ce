// Helpers for the opening and title tests: a glyph picture whose every cell is distinct and
// never black (so a comparison with the sheet cannot pass on a black picture), and saver
// windows that watch the drawing contexts the show takes from them.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "show/glyph_sheet.h"
#include "show/platform.h"
#include "show/surface.h"

namespace orvane::test {

inline GlyphPicture patternedGlyphPicture() {
    GlyphPicture picture;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const int cell = (y / kGlyphCellSize) * kGlyphGridCells + x / kGlyphCellSize;
            picture.grey[static_cast<std::size_t>(y * picture.width + x)] =
                static_cast<std::uint8_t>(60 + (x * 7 + y * 13 + cell * 29) % 190);
        }
    }
    return picture;
}

// The colour of pixel (x, y) of glyph g in band b of the sheet, as the window shows it.
inline std::uint32_t sheetPixel(const Surface& sheet, int glyph, int band, int x, int y) {
    const Point source = glyphSource(glyph, band);
    const Colour c = sheet.pixel(source.x + x, source.y + y);
    return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// What one watched context had selected when it was released.
struct ReleasedContext {
    Brush brush;
    Pen pen;
    std::vector<Brush> brushesSelected;
    std::vector<Pen> pensSelected;
};

struct ContextWatch {
    int live = 0;
    int taken = 0;
    std::vector<ReleasedContext> released;
    std::function<void(const Rect&)> beforeDraw;  // before every ellipse and surface copy
};

// Passes every call on to the real context and remembers the selections; a fresh context
// has a white solid brush and a black 1-pixel pen.
class WatchedCanvas final : public Canvas {
public:
    WatchedCanvas(std::unique_ptr<Canvas> inner, ContextWatch& watch)
        : inner_(std::move(inner)), watch_(watch) {
        ++watch_.live;
        ++watch_.taken;
    }
    ~WatchedCanvas() override {
        --watch_.live;
        state_.brush = brush_;
        state_.pen = pen_;
        watch_.released.push_back(state_);
    }

    int bitsPerPixel() const override { return inner_->bitsPerPixel(); }
    int logicalDpiY() const override { return inner_->logicalDpiY(); }
    Font selectFont(const Font& font) override { return inner_->selectFont(font); }
    Brush selectBrush(const Brush& brush) override {
        brush_ = brush;
        state_.brushesSelected.push_back(brush);
        return inner_->selectBrush(brush);
    }
    Pen selectPen(const Pen& pen) override {
        pen_ = pen;
        state_.pensSelected.push_back(pen);
        return inner_->selectPen(pen);
    }
    void setTextColour(Colour colour) override { inner_->setTextColour(colour); }
    Colour textColour() const override { return inner_->textColour(); }
    void setBackgroundColour(Colour colour) override { inner_->setBackgroundColour(colour); }
    void setBackgroundMode(BackgroundMode mode) override { inner_->setBackgroundMode(mode); }
    Size textExtent(std::string_view text) override { return inner_->textExtent(text); }
    void textOut(int x, int y, std::string_view text) override { inner_->textOut(x, y, text); }
    void rectangle(const Rect& bounds) override { inner_->rectangle(bounds); }
    void ellipse(const Rect& bounds) override {
        beforeDraw(bounds);
        inner_->ellipse(bounds);
    }
    void copyFromSurface(const Surface& surface, const Rect& area) override {
        beforeDraw(area);
        inner_->copyFromSurface(surface, area);
    }
    void copyWithin(const Rect& source, Point destination) override {
        inner_->copyWithin(source, destination);
    }
    void excludeClipRect(const Rect& area) override { inner_->excludeClipRect(area); }
    void flush() override { inner_->flush(); }

private:
    void beforeDraw(const Rect& area) {
        if (watch_.beforeDraw) {
            watch_.beforeDraw(area);
        }
    }

    std::unique_ptr<Canvas> inner_;
    ContextWatch& watch_;
    Brush brush_{false, kWhite};
    Pen pen_{kBlack, 1};
    ReleasedContext state_;
};

class WatchedWindow final : public ShowWindow {
public:
    explicit WatchedWindow(ShowWindow& inner) : inner_(inner) {}
    int clientWidth() const override { return inner_.clientWidth(); }
    int clientHeight() const override { return inner_.clientHeight(); }
    std::unique_ptr<Canvas> getCanvas() override {
        return std::make_unique<WatchedCanvas>(inner_.getCanvas(), watch);
    }

    ContextWatch watch;

private:
    ShowWindow& inner_;
};

}  // namespace orvane::test
