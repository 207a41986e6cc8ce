// A window's retained picture that reaches the screen through the window's backing store.
// Drawing only collects damage; present() copies the damaged rectangles into the backing store
// and flushes them as one region, so a frame of thousands of cells costs one flush.
#pragma once

#include <QBackingStore>
#include <QRegion>

#include <vector>

#include "platform/qt/screen_picture.h"

class QWindow;

namespace orvane {

class BackingStorePicture final : public ScreenPicture {
public:
    BackingStorePicture(QWindow& window, int width, int height, int bitsPerPixel,
                        int logicalDpiY);

    // Copies the damage to the screen; damage of a window not yet on screen is dropped, since
    // its first expose shows the whole picture.
    void present() override;
    // The whole picture to the screen (the window was exposed).
    void presentWhole() override;
    const char* pathName() const override { return "backingstore"; }

    int flushCount() const { return flushCount_; }
    const QRegion& lastFlushedRegion() const { return lastFlushed_; }

    // A region of the rectangles: built in one go when they already form row bands (what
    // takeDamage gives for cells of one row height), otherwise by union.
    static QRegion regionOf(const std::vector<QRect>& rects);

private:
    void copyAndFlush(const QRegion& region);

    QWindow& window_;
    QBackingStore store_;
    std::vector<QRect> qrects_;
    int flushCount_ = 0;
    QRegion lastFlushed_;
};

}  // namespace orvane
