// Window pictures drawn by GDI: the pixels are a top-down 32-bit DIB section selected into a
// memory device context, so text, rectangles and ellipses are GDI's own (CreateFontW,
// TextOutW, Rectangle, Ellipse, ExcludeClipRect) and the surfaces' cells are plain row copies
// into the same memory. The saver windows copy the changed strips to the screen with BitBlt;
// the virtual platform of the Windows build draws the same way without a screen.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/common/window_picture.h"

namespace orvane {

class GdiCanvas;

class GdiBackend final : public PictureBackend {
public:
    GdiBackend(int width, int height);
    ~GdiBackend() override;

    GdiBackend(const GdiBackend&) = delete;
    GdiBackend& operator=(const GdiBackend&) = delete;

    // False when Windows could not give the DIB section (the pixels are then plain memory that
    // GDI cannot draw on; direct copies still work).
    bool hasDeviceContext() const { return dc_ != nullptr; }
    std::uint32_t* pixels() override { return pixels_; }
    std::unique_ptr<Canvas> makeCanvas(WindowPicture& picture) override;
    void finishDrawing() override { GdiFlush(); }

    // The memory device context holding the picture: the source of copies to the screen.
    HDC dc() const { return dc_; }

    // The context that draws next puts its state (objects, colours, clipping) on the device
    // context first; the device context is shared by every context of the picture.
    void activate(GdiCanvas* canvas);
    void release(GdiCanvas* canvas);
    GdiCanvas* active() const { return active_; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
    std::unique_ptr<std::uint32_t[]> fallback_;
    GdiCanvas* active_ = nullptr;
};

}  // namespace orvane
