#include "platform/common/picture_canvas.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "show/surface.h"

namespace orvane {

std::vector<Rect> ClipRegion::visibleParts(const Rect& area) const {
    std::vector<Rect> parts{area};
    for (const Rect& cut : excluded_) {
        std::vector<Rect> next;
        for (const Rect& r : parts) {
            const Rect inside = intersected(r, cut);
            if (inside.isEmpty()) {
                next.push_back(r);
                continue;
            }
            // Above, below, then left and right of the cut within its rows.
            const Rect pieces[] = {{r.left, r.top, r.right, inside.top},
                                   {r.left, inside.bottom, r.right, r.bottom},
                                   {r.left, inside.top, inside.left, inside.bottom},
                                   {inside.right, inside.top, r.right, inside.bottom}};
            for (const Rect& piece : pieces) {
                if (!piece.isEmpty()) {
                    next.push_back(piece);
                }
            }
        }
        parts.swap(next);
    }
    return parts;
}

Font PictureCanvas::selectFont(const Font& font) {
    const Font old = std::exchange(font_, font);
    stateChanged();
    return old;
}

Brush PictureCanvas::selectBrush(const Brush& brush) {
    const Brush old = std::exchange(brush_, brush);
    stateChanged();
    return old;
}

Pen PictureCanvas::selectPen(const Pen& pen) {
    const Pen old = std::exchange(pen_, pen);
    stateChanged();
    return old;
}

void PictureCanvas::setTextColour(Colour colour) {
    textColour_ = colour;
    stateChanged();
}

void PictureCanvas::setBackgroundColour(Colour colour) {
    backgroundColour_ = colour;
    stateChanged();
}

void PictureCanvas::setBackgroundMode(BackgroundMode mode) {
    backgroundMode_ = mode;
    stateChanged();
}

void PictureCanvas::excludeClipRect(const Rect& area) {
    clip_.exclude(area);
    stateChanged();
}

template <typename F>
void PictureCanvas::forEachVisible(const Rect& area, F&& f) {
    if (!clip_.isSet()) {
        f(area);
        return;
    }
    for (const Rect& r : clip_.visibleParts(area)) {
        f(r);
    }
}

void PictureCanvas::copyFromSurface(const Surface& surface, const Rect& area) {
    // Plain integer clipping: the rain copies a thousand cells a frame. A rectangle given with
    // a negative size stands for the same area with its edges swapped.
    int left = std::min(area.left, area.right);
    int right = std::max(area.left, area.right);
    int top = std::min(area.top, area.bottom);
    int bottom = std::max(area.top, area.bottom);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min({right, surface.width(), picture_.width()});
    bottom = std::min({bottom, surface.height(), picture_.height()});
    if (right <= left || bottom <= top || area.left == area.right || area.top == area.bottom) {
        return;
    }
    const Rect wanted{left, top, right, bottom};
    forEachVisible(wanted, [&](const Rect& r) {
        picture_.beforeOverwriting(r);
        copyPixelRows(picture_.row(r.top) + r.left, picture_.width(), surface.row(r.top) + r.left,
                      surface.width(), r.height(), r.width());
        picture_.addDamage(r);
    });
    if (picture_.logging()) {
        DrawRecord record;
        record.kind = DrawRecord::Kind::SurfaceCopy;
        record.area = wanted;
        picture_.record(std::move(record));
    }
}

void PictureCanvas::copyWithin(const Rect& source, Point destination) {
    const Rect bounds{0, 0, picture_.width(), picture_.height()};
    Rect from = intersected(source, bounds);
    if (from.isEmpty()) {
        return;
    }
    const int dx = destination.x - source.left;
    const int dy = destination.y - source.top;
    const Rect to = intersected({from.left + dx, from.top + dy, from.right + dx, from.bottom + dy},
                                bounds);
    if (to.isEmpty()) {
        return;
    }
    from = {to.left - dx, to.top - dy, to.right - dx, to.bottom - dy};
    // Rows in the order that never reads a row already overwritten.
    const bool downwards = dy > 0;
    picture_.finishDrawing();
    forEachVisible(to, [&](const Rect& r) {
        const int rows = r.height();
        for (int i = 0; i < rows; ++i) {
            const int y = downwards ? r.bottom - 1 - i : r.top + i;
            std::memmove(picture_.row(y) + r.left, picture_.row(y - dy) + r.left - dx,
                         sizeof(std::uint32_t) * static_cast<std::size_t>(r.width()));
        }
        picture_.addDamage(r);
    });
    if (picture_.logging()) {
        DrawRecord record;
        record.kind = DrawRecord::Kind::CopyWithin;
        record.area = to;
        record.source = {from.left, from.top};
        picture_.record(std::move(record));
    }
}

void PictureCanvas::damage(const Rect& area) {
    const Rect bounded = intersected(area, {0, 0, picture_.width(), picture_.height()});
    if (!bounded.isEmpty()) {
        picture_.addDamage(bounded);
    }
}

void PictureCanvas::damageShape(const Rect& bounds) {
    const int spill = pen_.width / 2 + 1;
    damage({bounds.left - spill, bounds.top - spill, bounds.right + spill, bounds.bottom + spill});
}

void PictureCanvas::recordText(const Rect& cell, std::string_view text) {
    if (!picture_.logging()) {
        return;
    }
    DrawRecord record;
    record.kind = DrawRecord::Kind::Text;
    record.area = cell;
    record.text = std::string(text);
    record.textColour = textColour_;
    record.backgroundColour = backgroundColour_;
    record.opaque = backgroundMode_ == BackgroundMode::Opaque;
    record.font = font_;
    picture_.record(std::move(record));
}

void PictureCanvas::recordShape(DrawRecord::Kind kind, const Rect& bounds) {
    if (!picture_.logging()) {
        return;
    }
    DrawRecord record;
    record.kind = kind;
    record.area = bounds;
    record.brush = brush_;
    record.pen = pen_;
    picture_.record(std::move(record));
}

}  // namespace orvane
