#include "widgets/win32/colour_button_paint.h"

namespace orvane {

namespace {

constexpr int kFocusInsetPx = 4;

COLORREF ref(Colour colour) { return static_cast<COLORREF>(colour & 0xFFFFFFu); }

void fill(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// A 1-pixel outline in one colour and the inside in another; r shrinks by 1.
void filledRectangle(HDC dc, RECT& r, COLORREF pen, COLORREF inside) {
    if (r.right <= r.left || r.bottom <= r.top) {
        return;
    }
    fill(dc, r, pen);
    InflateRect(&r, -1, -1);
    fill(dc, r, inside);
}

// A 1-pixel frame: top and left edges in one colour, bottom and right (which own the
// top-right and bottom-left corners) in the other; r shrinks by 1.
void frame3d(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    if (r.right <= r.left || r.bottom <= r.top) {
        return;
    }
    const RECT top{r.left, r.top, r.right - 1, r.top + 1};
    const RECT left{r.left, r.top, r.left + 1, r.bottom - 1};
    const RECT right{r.right - 1, r.top, r.right, r.bottom};
    const RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
    fill(dc, top, topLeft);
    fill(dc, left, topLeft);
    fill(dc, right, bottomRight);
    fill(dc, bottom, bottomRight);
    InflateRect(&r, -1, -1);
}

void caption(HDC dc, RECT r, const ColourButtonLook& look) {
    RECT text = r;
    DrawTextW(dc, look.caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
    const int width = text.right - text.left;
    const int height = text.bottom - text.top;
    OffsetRect(&text, r.left - text.left + ((r.right - r.left) - width) / 2,
               r.top - text.top + ((r.bottom - r.top) - height) / 2);
    SetBkMode(dc, TRANSPARENT);
    const UINT flags = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
    if (!look.enabled) {
        // Embossed: light below right, dark above left.
        SetTextColor(dc, ref(look.edges.light));
        DrawTextW(dc, look.caption.c_str(), -1, &text, flags);
        OffsetRect(&text, -1, -1);
        SetTextColor(dc, ref(look.edges.dark));
        DrawTextW(dc, look.caption.c_str(), -1, &text, flags);
        return;
    }
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, look.caption.c_str(), -1, &text, flags);
}

}  // namespace

void drawColourButton(HDC dc, const RECT& client, const ColourButtonLook& look) {
    const int saved = SaveDC(dc);
    RECT r = client;
    if (look.active || look.focused) {
        HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_WINDOWFRAME));
        FrameRect(dc, &r, frame);
        DeleteObject(frame);
        InflateRect(&r, -1, -1);
    }
    if (look.pressed) {
        filledRectangle(dc, r, ref(look.edges.dark), ref(look.face));
    } else {
        RECT outline = r;
        filledRectangle(dc, outline, ref(look.edges.light), ref(look.face));
        frame3d(dc, r, ref(look.edges.light), GetSysColor(COLOR_3DDKSHADOW));
        frame3d(dc, r, ref(look.face), ref(look.edges.dark));
    }
    if (look.active) {
        r = client;
        InflateRect(&r, -1, -1);
    }
    if (look.font != nullptr) {
        SelectObject(dc, look.font);
    }
    if (look.pressed) {
        OffsetRect(&r, 1, 1);
    }
    if (!look.caption.empty()) {
        caption(dc, r, look);
    }
    if (look.active && look.focused) {
        RECT focus = client;
        InflateRect(&focus, -kFocusInsetPx, -kFocusInsetPx);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWFRAME));
        SetBkColor(dc, ref(look.face));
        DrawFocusRect(dc, &focus);
    }
    RestoreDC(dc, saved);
}

}  // namespace orvane
