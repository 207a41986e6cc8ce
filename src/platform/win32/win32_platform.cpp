#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "platform/common/window_picture.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

constexpr std::uint32_t kMsPerSecond = 1000;
constexpr std::uint32_t kMsPerMinute = 60 * kMsPerSecond;
constexpr std::uint32_t kMsPerHour = 60 * kMsPerMinute;
// Longest user name Windows keeps (UNLEN), and its terminator.
constexpr DWORD kUserNameCapacity = 256 + 1;

}  // namespace

void Win32Platform::presentAll() {
    for (WindowPicture* picture : pictures_) {
        if (picture->hasDamage()) {
            picture->present();
        }
    }
}

std::uint32_t counterMilliseconds(std::uint64_t count, std::uint64_t frequency) {
    if (frequency == 0) {
        return 0;
    }
    const std::uint64_t whole = count / frequency * kMsPerSecond;
    const std::uint64_t part = count % frequency * kMsPerSecond / frequency;
    return static_cast<std::uint32_t>(whole + part);
}

FineTimerResolution::FineTimerResolution() : granted_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

FineTimerResolution::~FineTimerResolution() {
    if (granted_) {
        timeEndPeriod(1);
    }
}

Win32Platform::Win32Platform() {
    LARGE_INTEGER frequency;
    if (QueryPerformanceFrequency(&frequency)) {
        counterFrequency_ = static_cast<std::uint64_t>(frequency.QuadPart);
    }
}

std::uint32_t Win32Platform::ticks() {
    LARGE_INTEGER count;
    if (counterFrequency_ == 0 || !QueryPerformanceCounter(&count)) {
        return static_cast<std::uint32_t>(GetTickCount());
    }
    return counterMilliseconds(static_cast<std::uint64_t>(count.QuadPart), counterFrequency_);
}

void Win32Platform::sleep(std::uint32_t milliseconds) {
    const std::uint32_t start = ticks();
    presentAll();
    const std::uint32_t spent = ticks() - start;
    if (spent < milliseconds) {
        Sleep(milliseconds - spent);
    }
}

void Win32Platform::processPendingMessages() {
    MSG message;
    bool quit = false;
    int quitCode = 0;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            quitCode = static_cast<int>(message.wParam);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    presentAll();
    if (quit) {
        PostQuitMessage(quitCode);
        if (onQuit != nullptr) {
            onQuit(onQuitContext);
        }
    }
}

std::uint32_t Win32Platform::millisecondsSinceMidnightUtc() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return now.wHour * kMsPerHour + now.wMinute * kMsPerMinute + now.wSecond * kMsPerSecond +
           now.wMilliseconds;
}

LocalDateTime Win32Platform::localDateTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::optional<std::string> Win32Platform::loggedOnUserName() {
    wchar_t name[kUserNameCapacity];
    DWORD size = kUserNameCapacity;
    if (!GetUserNameW(name, &size) || size <= 1) {
        return std::nullopt;
    }
    return toUtf8(std::wstring_view(name, size - 1));  // size counts the terminator
}

}  // namespace orvane
