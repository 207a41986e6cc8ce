// Looks at what the X server shows, for the end-to-end scripts:
//   x_probe cursor          whether a pointer is drawn: the current cursor image (XFixes) has a
//                           pixel that is not fully transparent. Prints "visible WxH" or
//                           "blank WxH"; exit code 0 visible, 1 blank.
//   x_probe pixels X Y W H  a rectangle of the screen: prints a hash of its pixels and how many
//                           of them are not black; exit code 0.
//   x_probe wait-gone ID MS  waits until the window is unmapped or destroyed; prints the wall
//                           clock in milliseconds when it was seen; exit code 0, 1 when MS
//                           passed first.
//   x_probe greens X Y W H   how many pixels of the rectangle are a shade of green (the rain's
//                           default tint): green above 48 and above twice red and twice blue.
//   x_probe blues X Y W H    the same for shades of blue (a tint chosen in a test's settings).
//   x_probe window X Y W H  makes a plain window with no children (a settings app's preview
//                           pane), grey, prints its id and keeps it until killed.
//   x_probe suspend         suspends the server's screen saver, as a video player does, prints
//                           "suspended" and holds it until killed.
// Exit code 2 when the server gives no answer.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/scrnsaver.h>

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

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

enum class Count { NotBlack, Greens, Blues };

int probePixels(Display* display, int x, int y, unsigned width, unsigned height, Count count) {
    const bool greens = count != Count::NotBlack;
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
            const unsigned long r = (pixel >> 16) & 0xff, g = (pixel >> 8) & 0xff, b = pixel & 0xff;
            if (greens) {
                const unsigned long c = count == Count::Greens ? g : b;
                const unsigned long o = count == Count::Greens ? b : g;
                notBlack += c > 48 && c > 2 * r && c > 2 * o ? 1 : 0;
            } else {
                notBlack += pixel != 0 ? 1 : 0;
            }
            hash = (hash ^ pixel) * 1099511628211ull;
        }
    }
    if (greens) {
        std::printf("%lu\n", notBlack);
    } else {
        std::printf("%016llx %lu\n", static_cast<unsigned long long>(hash), notBlack);
    }
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

int plainWindow(Display* display, int x, int y, unsigned width, unsigned height) {
    constexpr unsigned long kGrey = 0x404040;
    XSetWindowAttributes attributes{};
    attributes.background_pixel = kGrey;
    attributes.override_redirect = True;
    const Window window = XCreateWindow(display, DefaultRootWindow(display), x, y, width, height, 0,
                                        CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel | CWOverrideRedirect, &attributes);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);  // until killed
    }
}

int usage() {
    std::fprintf(stderr, "usage: x_probe cursor | pixels|greens|blues X Y W H | wait-gone ID MS | "
                         "window X Y W H | suspend\n");
    return kNoAnswer;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const bool cursor = std::strcmp(argv[1], "cursor") == 0;
    const bool greens = std::strcmp(argv[1], "greens") == 0 && argc == 6;
    const bool blues = std::strcmp(argv[1], "blues") == 0 && argc == 6;
    const bool pixels = (greens || blues || std::strcmp(argv[1], "pixels") == 0) && argc == 6;
    const bool gone = std::strcmp(argv[1], "wait-gone") == 0 && argc == 4;
    const bool window = std::strcmp(argv[1], "window") == 0 && argc == 6;
    const bool suspend = std::strcmp(argv[1], "suspend") == 0;
    if (!cursor && !pixels && !gone && !window && !suspend) {
        return usage();
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "x_probe: cannot open the display\n");
        return kNoAnswer;
    }
    if (suspend) {
        XScreenSaverSuspend(display, True);
        XSync(display, False);
        std::printf("suspended\n");
        std::fflush(stdout);
        for (;;) pause();
    }
    if (window) {
        return plainWindow(display, std::atoi(argv[2]), std::atoi(argv[3]),
                           static_cast<unsigned>(std::atoi(argv[4])),
                           static_cast<unsigned>(std::atoi(argv[5])));
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
                                            static_cast<unsigned>(std::atoi(argv[5])),
                                            greens ? Count::Greens : blues ? Count::Blues : Count::NotBlack);
    XCloseDisplay(display);
    return result;
}
