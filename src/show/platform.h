// The seam between the show and the windowing system. The engine (host, show, rain, intro)
// draws, reads the clock and lets input through only by these calls; the Qt platform puts
// them on real windows and the virtual platform on off-screen pictures with a virtual clock.
// The calls follow the drawing-context model the show is written in: a context has a font,
// a brush, a pen, text and background colours and a clip region of its own, and draws on the
// window it was taken from.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "show/colour.h"
#include "show/geometry.h"

namespace orvane {

class Surface;

// A font of the "Courier New" face (a fixed-pitch stand-in where that face is missing).
// height < 0 asks for a character height of -height pixels; 0 is the context's default font.
struct Font {
    int height = 0;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

struct Brush {
    bool hollow = false;
    Colour colour = kWhite;
    bool operator==(const Brush&) const = default;
};

struct Pen {
    Colour colour = kBlack;
    int width = 1;
    bool operator==(const Pen&) const = default;
};

enum class BackgroundMode { Opaque, Transparent };

// One drawing context on one window. A fresh context has the default font, a white solid
// brush, a black 1-pixel pen, black text on an opaque white background and no clipping.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual int bitsPerPixel() const = 0;
    virtual int logicalDpiY() const = 0;

    // Each select returns what it replaced, so callers can put it back.
    virtual Font selectFont(const Font& font) = 0;
    virtual Brush selectBrush(const Brush& brush) = 0;
    virtual Pen selectPen(const Pen& pen) = 0;
    virtual void setTextColour(Colour colour) = 0;
    virtual Colour textColour() const = 0;
    virtual void setBackgroundColour(Colour colour) = 0;
    virtual void setBackgroundMode(BackgroundMode mode) = 0;

    // Width and height of the text (UTF-8) in the current font.
    virtual Size textExtent(std::string_view text) = 0;
    // Top left of the text at x, y, in the current font, text colour and background.
    virtual void textOut(int x, int y, std::string_view text) = 0;
    // The outline with the current pen, the interior with the current brush; with a 1-pixel
    // pen the covered area is left..right-1, top..bottom-1.
    virtual void rectangle(const Rect& bounds) = 0;
    // The ellipse inscribed in bounds: outline with the pen, interior with the brush.
    virtual void ellipse(const Rect& bounds) = 0;
    // Copies an area of the surface to the same place of the window.
    virtual void copyFromSurface(const Surface& surface, const Rect& area) = 0;
    // Copies an area of the window to another place of the same window.
    virtual void copyWithin(const Rect& source, Point destination) = 0;
    // Nothing drawn later through this context paints inside the rectangle.
    virtual void excludeClipRect(const Rect& area) = 0;
    // Everything drawn so far reaches the screen before the call returns.
    virtual void flush() = 0;
};

// One saver window as the show sees it.
class ShowWindow {
public:
    virtual ~ShowWindow() = default;
    virtual int clientWidth() const = 0;
    virtual int clientHeight() const = 0;
    // A new drawing context on the window; destroying it releases it.
    virtual std::unique_ptr<Canvas> getCanvas() = 0;
};

struct LocalDateTime {
    int year = 0;  // four digits
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Time, messages and the few facts of the machine the show asks for.
class Platform {
public:
    virtual ~Platform() = default;
    // The millisecond tick count, a wrapping 32-bit value.
    virtual std::uint32_t ticks() = 0;
    virtual void sleep(std::uint32_t milliseconds) = 0;
    // Runs the input handlers of every pending window message.
    virtual void processPendingMessages() = 0;
    // Milliseconds since midnight, UTC, from the system clock (the random seed).
    virtual std::uint32_t millisecondsSinceMidnightUtc() = 0;
    virtual LocalDateTime localDateTime() = 0;
    // The name of the user logged on, or nothing when the system cannot tell.
    virtual std::optional<std::string> loggedOnUserName() = 0;
};

}  // namespace orvane
