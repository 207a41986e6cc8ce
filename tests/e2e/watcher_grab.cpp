// The show's X11 input watch against a keyboard grab another client holds (a menu open as the show starts):
// it keeps trying for ten attempts 20 ms apart before it leaves the input to the windows' own
// handlers, and takes the input once the other client lets go. Prints what it saw; exit code 0
// when both held, 1 when not, 2 when it cannot run (no X11).
// Usage: watcher_grab   (run on a real X server or Xvfb)
#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/qt/x11_watch.h"

int main(int argc, char** argv) {
    using namespace orvane;
    using Clock = std::chrono::steady_clock;
    QGuiApplication app(argc, argv);
    if (app.nativeInterface<QNativeInterface::QX11Application>() == nullptr) {
        std::fprintf(stderr, "watcher_grab: needs an X11 display\n");
        return 2;
    }
    QWindow window;
    window.setGeometry(0, 0, 200, 100);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "watcher_grab: the window was not exposed\n");
        return 2;
    }
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(other) != 0) {
        std::fprintf(stderr, "watcher_grab: no second connection to the server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_grab_keyboard_reply_t* held = xcb_grab_keyboard_reply(
        other,
        xcb_grab_keyboard(other, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    if (held == nullptr || held->status != XCB_GRAB_STATUS_SUCCESS) {
        std::fprintf(stderr, "watcher_grab: the other client could not take the keyboard\n");
        return 2;
    }
    std::free(held);

    InputWatch watch;
    watch.grabWindow = static_cast<std::uint32_t>(window.winId());
    const Clock::time_point start = Clock::now();
    const bool tookHeld = grabX11Input(watch) != nullptr;
    const auto triedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    std::printf("held by another client: %s after %lld ms\n", tookHeld ? "taken" : "refused",
                static_cast<long long>(triedMs));

    xcb_ungrab_keyboard(other, XCB_CURRENT_TIME);
    xcb_get_input_focus_reply_t* sync =
        xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr);
    std::free(sync);
    const bool tookFree = grabX11Input(watch) != nullptr;
    std::printf("let go: %s\n", tookFree ? "taken" : "refused");
    xcb_disconnect(other);
    // Ten attempts with a 20 ms wait after each: never less than 200 ms.
    return !tookHeld && triedMs >= 200 && tookFree ? 0 : 1;
}
