#include "platform/win32/gdi_canvas.h"

#include <algorithm>
#include <string>

#include "platform/common/picture_canvas.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

constexpr const wchar_t* kFontFace = L"Courier New";
// A fresh context's font: the same 16-pixel face the other platforms use.
constexpr int kDefaultFontHeight = -16;
constexpr int kBoldWeight = 700;

// The show's colours have red in the low byte, as COLORREF does.
COLORREF toColorRef(Colour colour) { return static_cast<COLORREF>(colour & 0xFFFFFFu); }

}  // namespace

// One drawing context: its own GDI objects, made when its font, brush or pen changes and put on
// the picture's device context while it draws.
class GdiCanvas final : public PictureCanvas {
public:
    GdiCanvas(WindowPicture& picture, GdiBackend& backend) : PictureCanvas(picture), backend_(backend) {
        makeFont();
        makeBrush();
        makePen();
    }

    ~GdiCanvas() override {
        backend_.release(this);
        DeleteObject(hfont_);
        DeleteObject(hbrush_);
        DeleteObject(hpen_);
    }

    Size textExtent(std::string_view text) override {
        HDC dc = drawing();
        const std::wstring wide = toWide(text);
        SIZE size{0, 0};
        if (dc != nullptr) {
            GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        }
        return {static_cast<int>(size.cx), static_cast<int>(size.cy)};
    }

    void textOut(int x, int y, std::string_view text) override {
        HDC dc = drawing();
        if (dc == nullptr) {
            return;
        }
        const std::wstring wide = toWide(text);
        SIZE size{0, 0};
        GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
        TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
        const Rect cell = Rect::fromSize(x, y, static_cast<int>(size.cx), static_cast<int>(size.cy));
        damage(cell);
        recordText(cell, text);
    }

    void rectangle(const Rect& bounds) override {
        if (bounds.isEmpty()) {
            return;
        }
        if (HDC dc = drawing()) {
            Rectangle(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
        }
        damageShape(bounds);
        recordShape(DrawRecord::Kind::Rectangle, bounds);
    }

    void ellipse(const Rect& bounds) override {
        if (HDC dc = drawing()) {
            Ellipse(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
        }
        damageShape(bounds);
        recordShape(DrawRecord::Kind::Ellipse, bounds);
        // Each ring of the opening is a frame of its own: nothing else paces it.
        picture_.present();
    }

    // Puts this context's state on the device context.
    void apply(HDC dc) const {
        SelectObject(dc, hfont_);
        SelectObject(dc, hbrush_);
        SelectObject(dc, hpen_);
        SetTextColor(dc, toColorRef(textColour_));
        SetBkColor(dc, toColorRef(backgroundColour_));
        SetBkMode(dc, backgroundMode_ == BackgroundMode::Opaque ? OPAQUE : TRANSPARENT);
        SelectClipRgn(dc, nullptr);
        for (const Rect& r : clip_.excluded()) {
            ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
        }
    }

protected:
    void stateChanged() override {
        if (!(font_ == madeFont_)) {
            makeFont();
        }
        if (!(brush_ == madeBrush_)) {
            makeBrush();
        }
        if (!(pen_ == madePen_)) {
            makePen();
        }
        if (backend_.active() == this && backend_.dc() != nullptr) {
            apply(backend_.dc());
        }
    }

private:
    HDC drawing() {
        backend_.activate(this);
        return backend_.dc();
    }

    // The old object is deleted only after the new one is selected (GDI does not delete an
    // object that is still selected).
    void replace(HGDIOBJ& slot, HGDIOBJ made) {
        const HGDIOBJ old = slot;
        slot = made;
        if (backend_.active() == this && backend_.dc() != nullptr) {
            SelectObject(backend_.dc(), made);
        }
        if (old != nullptr) {
            DeleteObject(old);
        }
    }

    void makeFont() {
        madeFont_ = font_;
        const int height = font_.height != 0 ? font_.height : kDefaultFontHeight;
        replace(hfont_,
                CreateFontW(height, 0, 0, 0, font_.bold ? kBoldWeight : FW_NORMAL, FALSE, FALSE,
                            FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH, kFontFace));
    }

    void makeBrush() {
        madeBrush_ = brush_;
        LOGBRUSH style{};
        style.lbStyle = brush_.hollow ? BS_HOLLOW : BS_SOLID;
        style.lbColor = toColorRef(brush_.colour);
        replace(hbrush_, CreateBrushIndirect(&style));
    }

    void makePen() {
        madePen_ = pen_;
        replace(hpen_,
                CreatePen(pen_.width > 0 ? PS_SOLID : PS_NULL, std::max(pen_.width, 1),
                          toColorRef(pen_.colour)));
    }

    GdiBackend& backend_;
    Font madeFont_;
    Brush madeBrush_;
    Pen madePen_;
    HGDIOBJ hfont_ = nullptr;
    HGDIOBJ hbrush_ = nullptr;
    HGDIOBJ hpen_ = nullptr;
};

GdiBackend::GdiBackend(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down: row 0 is the top row, as the picture's
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    if (dc_ != nullptr) {
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    }
    if (bitmap_ == nullptr || bits == nullptr) {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
            dc_ = nullptr;
        }
        fallback_ = std::make_unique<std::uint32_t[]>(static_cast<std::size_t>(width) *
                                                      static_cast<std::size_t>(height));
        pixels_ = fallback_.get();
        return;
    }
    oldBitmap_ = SelectObject(dc_, bitmap_);
    pixels_ = static_cast<std::uint32_t*>(bits);
}

GdiBackend::~GdiBackend() {
    if (dc_ != nullptr) {
        SelectObject(dc_, oldBitmap_);
        SelectObject(dc_, GetStockObject(SYSTEM_FONT));
        SelectObject(dc_, GetStockObject(WHITE_BRUSH));
        SelectObject(dc_, GetStockObject(BLACK_PEN));
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
}

std::unique_ptr<Canvas> GdiBackend::makeCanvas(WindowPicture& picture) {
    return std::make_unique<GdiCanvas>(picture, *this);
}

void GdiBackend::activate(GdiCanvas* canvas) {
    if (active_ != canvas) {
        active_ = canvas;
        if (dc_ != nullptr) {
            canvas->apply(dc_);
        }
    }
}

void GdiBackend::release(GdiCanvas* canvas) {
    if (active_ == canvas) {
        active_ = nullptr;
        if (dc_ != nullptr) {
            // Stock objects back in, so that the context's own can be deleted.
            SelectObject(dc_, GetStockObject(SYSTEM_FONT));
            SelectObject(dc_, GetStockObject(WHITE_BRUSH));
            SelectObject(dc_, GetStockObject(BLACK_PEN));
            SelectClipRgn(dc_, nullptr);
        }
    }
}

std::unique_ptr<PictureBackend> makePictureBackend(int width, int height) {
    return std::make_unique<GdiBackend>(width, height);
}

}  // namespace orvane
