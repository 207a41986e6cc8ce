#include "platform/win32/win32_platform.h"

#include <windows.h>

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

std::uint32_t Win32Platform::ticks() { return static_cast<std::uint32_t>(GetTickCount()); }

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
