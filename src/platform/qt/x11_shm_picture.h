// The direct X11 way to the screen: the window picture lives in shared memory that the X
// server reads, and each merged rectangle of a frame goes out as one shared-memory put of the
// picture's own pixels into the window, with no region bookkeeping and no per-frame allocation.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>

#include "platform/qt/screen_picture.h"

class QWindow;

namespace orvane {

class X11ShmPicture final : public ScreenPicture {
public:
    // Nothing where this display cannot take it: not X11, no MIT-SHM (a remote server), a
    // window whose pixels are not 32-bit 0xRRGGBB, a scaled window, or no segment to be had.
    static std::unique_ptr<X11ShmPicture> create(QWindow& window, int width, int height,
                                                 int bitsPerPixel, int logicalDpiY);

    void present() override;
    void presentWhole() override;
    const char* pathName() const override { return "x11-shm"; }

    struct Target;

private:
    X11ShmPicture(QImage image, int width, int height, int bitsPerPixel, int logicalDpiY,
                  QWindow& window,
                  std::shared_ptr<Target> target);
    void put(const Rect& area);
    void flush();

    QWindow& window_;
    std::shared_ptr<Target> target_;
};

}  // namespace orvane
