// The gradient panel on Windows: the shared render copied onto a device context, pixel for
// pixel. The About box paints its background with it.
#pragma once

#include <windows.h>

#include "widgets/gradient_style.h"

namespace orvane {

// Renders the style at the size and copies it to dc at 0,0 (SetDIBitsToDevice); a geometry the
// render cannot take leaves black.
void paintGradient(HDC dc, const GradientStyle& style, int width, int height);

}  // namespace orvane
