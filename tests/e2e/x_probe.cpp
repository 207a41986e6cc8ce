// Looks at what the X server shows, for the end-to-end scripts:
//   x_probe cursor          whether a pointer is drawn: the current cursor image (XFixes) has a
//                           pixel that is not fully transparent. Prints "visible WxH" or
//                           "blank WxH"; exit code 0 visible, 1 blank.
//   x_probe pixels X Y W H  a rectangle of the screen: prints a hash of its pixels and how many
//                           of them are not black; exit code 0.
// Exit code 2 when the server gives no answer.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kNoAnswer = 2;

int probeCursor(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
        std::fprintf(stderr, "x_probe: the server has no XFIXES extension\n");
        return kNoAnswer;
    }
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (image == nullptr) {
        std::fprintf(stderr, "x_probe: no cursor image\n");
        return kNoAnswer;
    }
    // Pixels are ARGB in unsigned longs; a blank cursor has alpha 0 everywhere.
    bool visible = false;
    const unsigned long count = static_cast<unsigned long>(image->width) * image->height;
    for (unsigned long i = 0; i < count && !visible; ++i) {
        visible = ((image->pixels[i] >> 24) & 0xffu) != 0;
    }
    std::printf("%s %ux%u\n", visible ? "visible" : "blank", image->width, image->height);
    XFree(image);
    return visible ? 0 : 1;
}

int probePixels(Display* display, int x, int y, unsigned width, unsigned height) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, width, height, AllPlanes,
                              ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "x_probe: cannot read %ux%u+%d+%d\n", width, height, x, y);
        return kNoAnswer;
    }
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    unsigned long notBlack = 0;
    for (unsigned row = 0; row < height; ++row) {
        for (unsigned column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, static_cast<int>(column),
                                                  static_cast<int>(row)) & 0xffffffu;
            notBlack += pixel != 0 ? 1 : 0;
            hash = (hash ^ pixel) * 1099511628211ull;
        }
    }
    std::printf("%016llx %lu\n", static_cast<unsigned long long>(hash), notBlack);
    XDestroyImage(image);
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: x_probe cursor | x_probe pixels X Y W H\n");
    return kNoAnswer;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const bool cursor = std::strcmp(argv[1], "cursor") == 0;
    const bool pixels = std::strcmp(argv[1], "pixels") == 0 && argc == 6;
    if (!cursor && !pixels) {
        return usage();
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_probe: cannot open the display\n");
        return kNoAnswer;
    }
    const int result = cursor ? probeCursor(display)
                              : probePixels(display, std::atoi(argv[2]), std::atoi(argv[3]),
                                            static_cast<unsigned>(std::atoi(argv[4])),
                                            static_cast<unsigned>(std::atoi(argv[5])));
    XCloseDisplay(display);
    return result;
}
