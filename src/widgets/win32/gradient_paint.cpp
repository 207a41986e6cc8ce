#include "widgets/win32/gradient_paint.h"

namespace orvane {

void paintGradient(HDC dc, const GradientStyle& style, int width, int height) {
    // Rendered for each paint and freed after it: the panel keeps no picture between paints.
    const Bgr24Picture picture = renderedGradient(style, width, height);
    if (picture.width == 0 || picture.height == 0) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down, as the picture's rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(picture.width), static_cast<DWORD>(picture.height),
                      0, 0, 0, static_cast<UINT>(picture.height), picture.bytes.data(), &info,
                      DIB_RGB_COLORS);
}

}  // namespace orvane
