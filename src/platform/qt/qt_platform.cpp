#include "platform/qt/qt_platform.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

#include "platform/qt/screen_picture.h"

namespace orvane {

void QtPlatform::presentAll() {
    for (ScreenPicture* picture : pictures_) {
        picture->present();
    }
}

void QtPlatform::sleep(std::uint32_t milliseconds) {
    const std::uint32_t start = ticks();
    presentAll();
    const std::uint32_t spent = ticks() - start;
    if (spent < milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds - spent));
    }
}

void QtPlatform::processPendingMessages() {
    QCoreApplication::processEvents();
    presentAll();
}

}  // namespace orvane
