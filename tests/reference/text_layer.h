// Where a window shows text, and which: the text drawn on it, kept as a plain picture that the
// drawing records build up (each text's cell filled with a value of its string, colours, mode
// and font; copies carry it along; drawing over it takes it away). It does not depend on the
// fonts or rasterisers of the machine, so it stands for the text where their pixels differ.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/window_picture.h"

namespace orvane::reference {

class TextLayer {
public:
    TextLayer(int width, int height);

    // Follows what was drawn, in order.
    void apply(const std::vector<DrawRecord>& records);
    bool empty() const;

    // The picture's form that holds where its environment may change its pixels: the layer,
    // and the picture's own pixels except within kInkReachPx of text. "-" where no text shows.
    std::string looseDigest(const PixelPicture& picture) const;

    // How far anti-aliasing and hinting may put ink outside a text's cell.
    static constexpr int kInkReachPx = 2;

private:
    void fill(const Rect& area, std::uint32_t value);

    int width_;
    int height_;
    std::vector<std::uint32_t> layer_;  // 0: no text
};

}  // namespace orvane::reference
