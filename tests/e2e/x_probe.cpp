// Looks at what the X server shows, for the end-to-end scripts:
//   x_probe cursor          whether a pointer is drawn: the current cursor image (XFixes) has a
//                           pixel that is not fully transparent. Prints "visible WxH" or
//                           "blank WxH"; exit code 0 visible, 1 blank.
//   x_probe pixels X Y W H  a rectangle of the screen: prints a hash of its pixels and how many
//                           of them are not black; exit code 0.
//   x_probe wait-gone ID MS  waits until the window is unmapped or destroyed; prints the wall
//                           clock in milliseconds when it was seen; exit code 0, 1 when MS
//                           passed first.
// Exit code 2 when the server gives no answer.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <poll.h>

#include <chrono>
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

long long wallClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int waitGone(Display* display, Window window, int timeoutMs) {
    XSelectInput(display, window, StructureNotifyMask);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0 ||
        attributes.map_state != IsViewable) {
        std::printf("%lld\n", wallClockMs());
        return 0;
    }
    const long long deadline = wallClockMs() + timeoutMs;
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == UnmapNotify || event.type == DestroyNotify) {
                std::printf("%lld\n", wallClockMs());
                return 0;
            }
        }
        const long long left = deadline - wallClockMs();
        if (left <= 0) {
            return 1;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left));
    }
}

int usage() {
    std::fprintf(stderr, "usage: x_probe cursor | x_probe pixels X Y W H | x_probe wait-gone ID MS\n");
    return kNoAnswer;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const bool cursor = std::strcmp(argv[1], "cursor") == 0;
    const bool pixels = std::strcmp(argv[1], "pixels") == 0 && argc == 6;
    const bool gone = std::strcmp(argv[1], "wait-gone") == 0 && argc == 4;
    if (!cursor && !pixels && !gone) {
        return usage();
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_probe: cannot open the display\n");
        return kNoAnswer;
    }
    if (gone) {
        const int result = waitGone(display, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)),
                                    std::atoi(argv[3]));
        XCloseDisplay(display);
        return result;
    }
    const int result = cursor ? probeCursor(display)
                              : probePixels(display, std::atoi(argv[2]), std::atoi(argv[3]),
                                            static_cast<unsigned>(std::atoi(argv[4])),
                                            static_cast<unsigned>(std::atoi(argv[5])));
    XCloseDisplay(display);
    return result;
}
