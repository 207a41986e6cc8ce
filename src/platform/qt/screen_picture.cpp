#include "platform/qt/screen_picture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/qt/backing_store_picture.h"
#include "platform/qt/x11_shm_picture.h"

namespace orvane {

std::unique_ptr<ScreenPicture> makeScreenPicture(QWindow& window, int width, int height,
                                                 int bitsPerPixel, int logicalDpiY) {
    const char* forced = std::getenv(kPresentPathVariable);
    if (forced == nullptr || std::strcmp(forced, "backingstore") != 0) {
        if (auto direct = X11ShmPicture::create(window, width, height, bitsPerPixel, logicalDpiY)) {
            return direct;
        }
        if (forced != nullptr && std::strcmp(forced, "x11-shm") == 0) {
            std::fprintf(stderr, "theorvane: no shared-memory X11 path for this window; "
                                 "presenting through the backing store\n");
        }
    }
    return std::make_unique<BackingStorePicture>(window, width, height, bitsPerPixel, logicalDpiY);
}

}  // namespace orvane
