// A rain window on the virtual platform for frame-level tests and benchmarks: a show with a
// fixed seed, a glyph picture whose cells are flat greys (so a cell's colour tells its glyph
// and band), and frames stepped at chosen virtual times.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "platform/virtual/virtual_show.h"
#include "rain/rain_window.h"

namespace orvane {

// Cell g filled with grey 100 + g: every glyph has a colour of its own in every band.
inline GlyphPicture flatCellPicture() {
    GlyphPicture picture;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const int cell = (y / kGlyphCellSize) * kGlyphGridCells + x / kGlyphCellSize;
            picture.grey[static_cast<std::size_t>(y) * picture.width + x] =
                static_cast<std::uint8_t>(100 + cell);
        }
    }
    return picture;
}

inline Colour colourOf(std::uint32_t pixel) {
    return rgb(redOf(pixel), greenOf(pixel), blueOf(pixel));
}

class RainHarness {
  public:
    static constexpr std::uint32_t kStartTick = 1000000;

    explicit RainHarness(int width, int height, const std::function<void(Settings&)>& adjust = {},
                         std::uint32_t startTick = kStartTick, std::uint32_t seed = 12345)
        : startTick_(startTick), vs({VirtualMonitor{0, 0, width, height}}, startTick) {
        vs.platform.utcMsSinceMidnight = seed;
        vs.picture = flatCellPicture();
        if (adjust) {
            adjust(vs.settings);
        }
        rain = std::make_unique<RainWindow>(vs.show(), vs.show().windows[0]);
    }

    ShowSequencer& show() { return vs.show(); }
    VirtualWindow& window() { return vs.platform.window(0); }
    const Surface& sheet() { return vs.show().glyphSheet(); }
    Colour glyphColour(int glyph, int band) {
        const Point p = glyphSource(glyph, band);
        return sheet().pixel(p.x + kGlyphCellSize / 2, p.y + kGlyphCellSize / 2);
    }
    std::uint32_t ticks() const { return vs.platform.peekTicks(); }

    // Moves the clock to ms after the platform was made (on a millisecond boundary, so every
    // tick read of a short frame gives the same tick) and steps one frame.
    void frameAt(std::uint32_t ms) {
        moveTo(ms);
        rain->step();
    }
    // The same with no random spots made: the spot rate sees no time passing.
    void quietFrameAt(std::uint32_t ms) {
        moveTo(ms);
        rain->lastRateTick = tickAt(ms);
        rain->step();
    }
    void moveTo(std::uint32_t ms) {
        const std::uint64_t target = static_cast<std::uint64_t>(ms) * 1000;
        if (target > vs.platform.elapsedUs()) {
            vs.platform.advance(target - vs.platform.elapsedUs());
        }
    }
    // The tick of a time given as ms after the platform was made.
    std::uint32_t tickAt(std::uint32_t ms) const { return startTick_ + ms; }
    std::uint32_t nowMs() const { return vs.platform.elapsedMs(); }

    // No run falls and none will be refilled: tests then place their own.
    void stopAllRuns() {
        for (Run& run : rain->runs) {
            run.falling = false;
        }
        rain->activeRuns = 0;
    }

    // Sets the rain up again, on another window standing in for the virtual one.
    void restartOn(ShowWindow& window) {
        rain.reset();
        vs.show().windows[0].window = &window;
        rain = std::make_unique<RainWindow>(vs.show(), vs.show().windows[0]);
    }

  private:
    std::uint32_t startTick_;

  public:
    VirtualShow vs;
    std::unique_ptr<RainWindow> rain;
};

// A window that lets a test watch (and slow down) what reaches it: a slow display makes slow
// frames; text calls are seen with the virtual time they came at.
class WatchedWindow final : public ShowWindow {
  public:
    explicit WatchedWindow(VirtualWindow& inner) : inner_(inner) {}

    int clientWidth() const override { return inner_.clientWidth(); }
    int clientHeight() const override { return inner_.clientHeight(); }
    std::unique_ptr<Canvas> getCanvas() override {
        return std::make_unique<WatchedCanvas>(inner_.getCanvas(), *this);
    }

    std::function<void()> onCopy;
    std::function<void(int x, int y, std::string_view text)> onText;

  private:
    class WatchedCanvas final : public Canvas {
      public:
        WatchedCanvas(std::unique_ptr<Canvas> inner, WatchedWindow& owner)
            : inner_(std::move(inner)), owner_(owner) {}
        int bitsPerPixel() const override { return inner_->bitsPerPixel(); }
        int logicalDpiY() const override { return inner_->logicalDpiY(); }
        Font selectFont(const Font& font) override { return inner_->selectFont(font); }
        Brush selectBrush(const Brush& brush) override { return inner_->selectBrush(brush); }
        Pen selectPen(const Pen& pen) override { return inner_->selectPen(pen); }
        void setTextColour(Colour colour) override { inner_->setTextColour(colour); }
        Colour textColour() const override { return inner_->textColour(); }
        void setBackgroundColour(Colour colour) override { inner_->setBackgroundColour(colour); }
        void setBackgroundMode(BackgroundMode mode) override { inner_->setBackgroundMode(mode); }
        Size textExtent(std::string_view text) override { return inner_->textExtent(text); }
        void textOut(int x, int y, std::string_view text) override {
            inner_->textOut(x, y, text);
            if (owner_.onText) {
                owner_.onText(x, y, text);
            }
        }
        void rectangle(const Rect& bounds) override { inner_->rectangle(bounds); }
        void ellipse(const Rect& bounds) override { inner_->ellipse(bounds); }
        void copyFromSurface(const Surface& surface, const Rect& area) override {
            if (owner_.onCopy) {
                owner_.onCopy();
            }
            inner_->copyFromSurface(surface, area);
        }
        void copyWithin(const Rect& source, Point destination) override {
            inner_->copyWithin(source, destination);
        }
        void excludeClipRect(const Rect& area) override { inner_->excludeClipRect(area); }
        void flush() override { inner_->flush(); }

      private:
        std::unique_ptr<Canvas> inner_;
        WatchedWindow& owner_;
    };

    VirtualWindow& inner_;
};

}  // namespace orvane
