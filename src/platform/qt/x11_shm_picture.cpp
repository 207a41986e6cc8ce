#include "platform/qt/x11_shm_picture.h"

#include "platform/image/image_canvas.h"

#include <QGuiApplication>
#include <QWindow>

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>

#if ORVANE_HAVE_XCB_SHM
#include <xcb/shm.h>
#include <xcb/xcb.h>
#endif

namespace orvane {

#if ORVANE_HAVE_XCB_SHM

// The window, the segment and the graphics context the puts use; freed with the last picture
// memory that refers to it.
struct X11ShmPicture::Target {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_gcontext_t gc = 0;
    xcb_shm_seg_t segment = 0;
    std::uint8_t depth = 0;
    void* memory = nullptr;

    ~Target() {
        if (segment != 0) {
            xcb_shm_detach(connection, segment);
        }
        if (gc != 0) {
            xcb_free_gc(connection, gc);
        }
        xcb_flush(connection);
        if (memory != nullptr) {
            shmdt(memory);
        }
    }
};

namespace {

xcb_connection_t* qtConnection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

// Asked once: whether the server shares memory with this client at all.
bool serverSharesMemory(xcb_connection_t* connection) {
    static const bool shares = [connection] {
        xcb_shm_query_version_reply_t* version =
            xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr);
        const bool ok = version != nullptr;
        std::free(version);
        return ok;
    }();
    return shares;
}

// The window's pixels are this picture's: 32 bits a pixel, little-endian 0x..RRGGBB.
bool samePixelLayout(xcb_connection_t* connection, xcb_window_t window, std::uint8_t& depth) {
    if constexpr (std::endian::native != std::endian::little) {
        return false;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        return false;
    }
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool known = geometry != nullptr && attributes != nullptr;
    depth = known ? geometry->depth : 0;
    const xcb_visualid_t visual = known ? attributes->visual : 0;
    std::free(geometry);
    std::free(attributes);
    if (!known || (depth != 24 && depth != 32)) {
        return false;
    }
    bool formatFits = false;
    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem > 0;
         xcb_format_next(&f)) {
        if (f.data->depth == depth) {
            formatFits = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
        }
    }
    for (xcb_screen_iterator_t s = xcb_setup_roots_iterator(setup); s.rem > 0; xcb_screen_next(&s)) {
        for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(s.data); d.rem > 0;
             xcb_depth_next(&d)) {
            for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem > 0;
                 xcb_visualtype_next(&v)) {
                if (v.data->visual_id == visual) {
                    return formatFits && v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 &&
                           v.data->blue_mask == 0xff;
                }
            }
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<X11ShmPicture> X11ShmPicture::create(QWindow& window, int width, int height,
                                                     int bitsPerPixel, int logicalDpiY) {
    xcb_connection_t* connection = qtConnection();
    if (connection == nullptr || !serverSharesMemory(connection) || window.devicePixelRatio() != 1.0) {
        return nullptr;
    }
    auto target = std::make_shared<Target>();
    target->connection = connection;
    target->window = static_cast<xcb_window_t>(window.winId());
    if (!samePixelLayout(connection, target->window, target->depth)) {
        return nullptr;
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
    const std::size_t bytes = std::size_t{4} * static_cast<std::size_t>(width) *
                              static_cast<std::size_t>(height);
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        return nullptr;
    }
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return nullptr;
    }
    target->memory = memory;
    // Where shared memory may use huge pages, a frame's cells spread over the window cost fewer
    // address-translation misses; where it may not, this does nothing.
    madvise(memory, bytes, MADV_HUGEPAGE);
    const xcb_shm_seg_t segment = xcb_generate_id(connection);
    xcb_generic_error_t* error =
        xcb_request_check(connection, xcb_shm_attach_checked(connection, segment, id, 1));
    // Gone from the system once both sides have let go of it.
    shmctl(id, IPC_RMID, nullptr);
    if (error != nullptr) {
        std::free(error);
        return nullptr;  // a server that cannot see this memory
    }
    target->segment = segment;
    target->gc = xcb_generate_id(connection);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(connection, target->gc, target->window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);

    const qsizetype bytesPerLine = qsizetype{4} * width;
    auto* keep = new std::shared_ptr<Target>(target);
    QImage image(
        static_cast<uchar*>(memory), width, height, bytesPerLine, QImage::Format_RGB32,
        [](void* info) { delete static_cast<std::shared_ptr<Target>*>(info); }, keep);
    return std::unique_ptr<X11ShmPicture>(
        new X11ShmPicture(std::move(image), width, height, bitsPerPixel, logicalDpiY, window,
                          std::move(target)));
}

void X11ShmPicture::present() {
    // A run's cells down one column go out as one strip.
    const std::vector<Rect>& rects = takeDamageInColumns();
    if (rects.empty() || !window_.isExposed()) {
        return;  // a window not yet on screen shows the whole picture at its first expose
    }
    for (const Rect& r : rects) {
        put(r);
    }
    flush();
}

void X11ShmPicture::presentWhole() {
    takeDamage();
    if (!window_.isExposed()) {
        return;
    }
    put(Rect{0, 0, width(), height()});
    flush();
}

void X11ShmPicture::put(const Rect& area) {
    const Rect r{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, width()),
                 std::min(area.bottom, height())};
    if (r.isEmpty()) {
        return;
    }
    const auto x = static_cast<std::int16_t>(r.left);
    const auto y = static_cast<std::int16_t>(r.top);
    xcb_shm_put_image(target_->connection, target_->window, target_->gc,
                      static_cast<std::uint16_t>(width()), static_cast<std::uint16_t>(height()), x, y,
                      static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(r.height()),
                      x, y, target_->depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, target_->segment, 0);
}

void X11ShmPicture::flush() { xcb_flush(target_->connection); }

#else

struct X11ShmPicture::Target {};

std::unique_ptr<X11ShmPicture> X11ShmPicture::create(QWindow&, int, int, int, int) { return nullptr; }
void X11ShmPicture::present() {}
void X11ShmPicture::presentWhole() {}
void X11ShmPicture::put(const Rect&) {}
void X11ShmPicture::flush() {}

#endif

X11ShmPicture::X11ShmPicture(QImage image, int width, int height, int bitsPerPixel,
                             int logicalDpiY, QWindow& window,
                             std::shared_ptr<Target> target)
    : ScreenPicture(std::make_unique<QImageBackend>(std::move(image)), width, height,
                    bitsPerPixel, logicalDpiY),
      window_(window),
      target_(std::move(target)) {}

}  // namespace orvane
