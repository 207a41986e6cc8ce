#include "platform/qt/host_window.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

#if ORVANE_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace orvane {

namespace {

std::string hex(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", id);
    return text;
}

}  // namespace

std::optional<HostWindow> findHostWindow(const ModuleWindow& wanted, std::string& reason) {
#if ORVANE_HAVE_XCB
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                                   : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        reason = "module mode needs an X11 display (this one is '" +
                 QGuiApplication::platformName().toStdString() + "')";
        return std::nullopt;
    }
    std::uint32_t id = wanted.id;
    if (wanted.rootWindow) {
        char* host = nullptr;
        int display = 0;
        int screen = 0;
        if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) {
            screen = 0;
        }
        std::free(host);
        xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screen && roots.rem > 1; ++i) {
            xcb_screen_next(&roots);
        }
        id = roots.data->root;
    }
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, id), nullptr);
    const bool drawable = attributes != nullptr && attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
    std::free(attributes);
    if (!drawable) {
        reason = "there is no window " + hex(id) + " to draw in on the display";
        return std::nullopt;
    }
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    if (geometry == nullptr) {
        reason = "there is no window " + hex(id) + " on the display";
        return std::nullopt;
    }
    const HostWindow host{id, geometry->width, geometry->height};
    std::free(geometry);
    if (host.width <= 0 || host.height <= 0) {
        reason = "window " + hex(id) + " has no area";
        return std::nullopt;
    }
    return host;
#else
    (void)wanted;
    reason = "this build cannot draw in another program's window (built without xcb)";
    return std::nullopt;
#endif
}

}  // namespace orvane
