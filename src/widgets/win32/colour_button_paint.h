// The colour button on Windows: an owner-drawn push button drawn in its face colour with the
// shared light and dark edge colours, raised when up and sunken when pressed.
#pragma once

#include <windows.h>

#include <string>

#include "widgets/colour_button_colours.h"

namespace orvane {

struct ColourButtonLook {
    Colour face = 0;
    EdgeColours edges;
    std::wstring caption;
    HFONT font = nullptr;
    bool pressed = false;
    bool focused = false;
    bool active = false;  // the button Enter would press
    bool enabled = true;
};

// Draws the button on dc within its client rectangle.
void drawColourButton(HDC dc, const RECT& client, const ColourButtonLook& look);

}  // namespace orvane
