#include "show/text_ops.h"

#include <cstdint>

#include "show/utf8.h"

namespace orvane {

int mulDiv(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = (c < 0 ? -c : c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = ((product < 0 ? -product : product) + half) / (c < 0 ? -c : c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

Size textExtent(Canvas& canvas, std::string_view text) { return canvas.textExtent(text); }
int textWidth(Canvas& canvas, std::string_view text) { return canvas.textExtent(text).width; }
int textHeight(Canvas& canvas, std::string_view text) { return canvas.textExtent(text).height; }

void fillRectColour(Canvas& canvas, const Rect& rect, Colour colour) {
    const Brush kept = canvas.selectBrush(Brush{false, colour});
    canvas.rectangle(rect);
    canvas.selectBrush(kept);
    canvas.flush();
}

// The font and brush made here replace the previous ones in the context; nothing else needs
// to be freed, since a context owns its current selections.
void selectTextFont(Canvas& canvas, int points) {
    canvas.selectFont(Font{-mulDiv(points, canvas.logicalDpiY(), kPointsPerInch), true});
}

void selectBrushColour(Canvas& canvas, Colour colour) { canvas.selectBrush(Brush{false, colour}); }

void selectHollowBrush(Canvas& canvas) { canvas.selectBrush(Brush{true, kBlack}); }

void textOutAt(Canvas& canvas, int x, int y, std::string_view text, std::size_t length) {
    canvas.textOut(x, y, utf8Prefix(text, length));
}

}  // namespace orvane
