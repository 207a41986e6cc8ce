// Rectangles in the drawing-system convention: right and bottom are exclusive.
#pragma once

#include <algorithm>

namespace orvane {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;

    static Rect fromSize(int left, int top, int width, int height) {
        return {left, top, left + width, top + height};
    }
};

// The part of a that lies in b; empty (right <= left or bottom <= top) where they do not meet.
inline Rect intersected(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

}  // namespace orvane
