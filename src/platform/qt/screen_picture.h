// A saver window's retained picture together with the way it reaches the screen, chosen once
// at start-up: straight to the X server from shared memory where the server offers it (no
// region bookkeeping, one request per merged rectangle), otherwise through the window's
// QBackingStore. Drawing only collects damage; present() puts the damaged rectangles on the
// screen, presentWhole() the whole picture (an expose).
#pragma once

#include <memory>

#include "platform/common/window_picture.h"

class QWindow;

namespace orvane {

class ScreenPicture : public WindowPicture {
public:
    using WindowPicture::WindowPicture;
    virtual void presentWhole() = 0;
    // "x11-shm" or "backingstore", for the figures and the tests.
    virtual const char* pathName() const = 0;
};

// Environment variable that chooses the path: "backingstore" forces it; "x11-shm" asks for the
// direct path and says on stderr when a window cannot have it; unset, the best there is.
inline constexpr const char* kPresentPathVariable = "ORVANE_PRESENT";

// The picture of a window of that size on its screen, by the best path this display offers.
std::unique_ptr<ScreenPicture> makeScreenPicture(QWindow& window, int width, int height,
                                                 int bitsPerPixel, int logicalDpiY);

}  // namespace orvane
