// What every drawing context on a window picture does the same way, whatever draws its text
// and shapes: the context's state (font, brush, pen, colours, background mode, excluded
// rectangles), the direct copies from a surface and within the window, the damage and the
// records. A platform's context adds text, rectangles and ellipses in its drawing library.
#pragma once

#include <vector>

#include "platform/common/window_picture.h"

namespace orvane {

// A context's clip region: the whole picture less the rectangles excluded so far.
class ClipRegion {
public:
    bool isSet() const { return !excluded_.empty(); }
    const std::vector<Rect>& excluded() const { return excluded_; }
    void exclude(const Rect& area) { excluded_.push_back(area); }
    // The parts of the rectangle that stay visible, disjoint.
    std::vector<Rect> visibleParts(const Rect& area) const;

private:
    std::vector<Rect> excluded_;
};

class PictureCanvas : public Canvas {
public:
    explicit PictureCanvas(WindowPicture& picture) : picture_(picture) {}

    int bitsPerPixel() const override { return picture_.bitsPerPixel(); }
    int logicalDpiY() const override { return picture_.logicalDpiY(); }

    Font selectFont(const Font& font) override;
    Brush selectBrush(const Brush& brush) override;
    Pen selectPen(const Pen& pen) override;
    void setTextColour(Colour colour) override;
    Colour textColour() const override { return textColour_; }
    void setBackgroundColour(Colour colour) override;
    void setBackgroundMode(BackgroundMode mode) override;

    void copyFromSurface(const Surface& surface, const Rect& area) override;
    void copyWithin(const Rect& source, Point destination) override;
    void excludeClipRect(const Rect& area) override;
    void flush() override { picture_.present(); }

protected:
    // The drawing library's context follows a change of state.
    virtual void stateChanged() {}

    // Damage of a drawn area, kept inside the picture.
    void damage(const Rect& area);
    void recordText(const Rect& cell, std::string_view text);
    void recordShape(DrawRecord::Kind kind, const Rect& bounds);
    // The damage of a shape drawn with the current pen (which may spill over the bounds).
    void damageShape(const Rect& bounds);

    WindowPicture& picture_;
    Font font_;
    Brush brush_;
    Pen pen_;
    Colour textColour_ = kBlack;
    Colour backgroundColour_ = kWhite;
    BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
    ClipRegion clip_;

private:
    template <typename F>
    void forEachVisible(const Rect& area, F&& f);
};

}  // namespace orvane
