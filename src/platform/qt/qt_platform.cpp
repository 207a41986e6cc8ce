#include "platform/qt/qt_platform.h"

#include <QCoreApplication>

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/qt/screen_picture.h"

namespace orvane {

namespace {

constexpr std::uint32_t kMsPerDay = 24u * 60u * 60u * 1000u;
constexpr std::size_t kFallbackPasswdBuffer = 16384;

}  // namespace

void QtPlatform::presentAll() {
    for (ScreenPicture* picture : pictures_) {
        picture->present();
    }
}

std::uint32_t QtPlatform::ticks() {
    using namespace std::chrono;
    // Wraps every 49.7 days, as the show expects of a tick count.
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
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

std::uint32_t QtPlatform::millisecondsSinceMidnightUtc() {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(sinceEpoch.count() % kMsPerDay);
}

LocalDateTime QtPlatform::localDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return {};
    }
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::optional<std::string> QtPlatform::loggedOnUserName() {
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : kFallbackPasswdBuffer,
                       '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_name == nullptr || found->pw_name[0] == '\0') {
        return std::nullopt;
    }
    return std::string(found->pw_name);
}

}  // namespace orvane
