#include "platform/posix/posix_platform.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

namespace orvane {

namespace {

constexpr std::uint32_t kMsPerDay = 24u * 60u * 60u * 1000u;
constexpr std::size_t kFallbackPasswdBuffer = 16384;

}  // namespace

std::uint32_t PosixPlatform::ticks() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint32_t PosixPlatform::millisecondsSinceMidnightUtc() {
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(sinceEpoch.count() % kMsPerDay);
}

LocalDateTime PosixPlatform::localDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return {};
    }
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::optional<std::string> PosixPlatform::loggedOnUserName() {
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
