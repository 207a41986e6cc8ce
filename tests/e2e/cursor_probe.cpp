// Tells whether the X server draws a pointer now: asks XFixes for the current cursor image and
// looks for any pixel that is not fully transparent. Used by the end-to-end scripts, which cannot
// see the pointer otherwise.
// Prints "visible WxH" or "blank WxH"; exit code 0 visible, 1 blank, 2 no answer.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "cursor_probe: cannot open the display\n");
        return 2;
    }
    int eventBase = 0;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
        std::fprintf(stderr, "cursor_probe: the server has no XFIXES extension\n");
        XCloseDisplay(display);
        return 2;
    }
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (image == nullptr) {
        std::fprintf(stderr, "cursor_probe: no cursor image\n");
        XCloseDisplay(display);
        return 2;
    }
    // Pixels are ARGB in unsigned longs; a blank cursor has alpha 0 everywhere.
    bool visible = false;
    const unsigned long count = static_cast<unsigned long>(image->width) * image->height;
    for (unsigned long i = 0; i < count && !visible; ++i) {
        visible = ((image->pixels[i] >> 24) & 0xffu) != 0;
    }
    std::printf("%s %ux%u\n", visible ? "visible" : "blank", image->width, image->height);
    XFree(image);
    XCloseDisplay(display);
    return visible ? 0 : 1;
}
