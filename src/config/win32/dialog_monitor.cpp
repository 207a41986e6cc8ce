#include "config/win32/dialog_monitor.h"

#include <shellapi.h>

#include <algorithm>

#include "host/run_mode.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

constexpr int kSystemDefaultDpi = 96;
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the scale the user chose for the monitor

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// A function of a system library, or null where this Windows has none.
template <typename Call>
Call systemCall(const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    if (module == nullptr) {
        module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    if (module == nullptr) {
        return nullptr;
    }
    // Through the generic function type, which the compiler accepts as any function's.
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

int systemDpi() {
    int dpi = 0;
    if (HDC screen = GetDC(nullptr)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? dpi : kSystemDefaultDpi;
}

}  // namespace

std::optional<std::uint32_t> configureWindowId(const std::vector<std::string>& arguments) {
    if (arguments.empty() || runModeFromArguments(arguments) != RunMode::Configure) {
        return std::nullopt;
    }
    const std::string& first = arguments.front();
    if (first.size() > 3 && first[2] == ':') {
        return parseWindowId(std::string_view(first).substr(3));
    }
    if (first.size() == 2 && arguments.size() > 1) {
        return parseWindowId(arguments[1]);
    }
    return std::nullopt;
}

HWND windowNamedOnCommandLine() {
    std::vector<std::string> arguments;
    int count = 0;
    if (wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) {
            arguments.push_back(toUtf8(words[i]));
        }
        LocalFree(words);
    }
    const std::optional<std::uint32_t> id = configureWindowId(arguments);
    if (!id) {
        return nullptr;
    }
    // Window handles keep their meaning in 32 bits; a 64-bit one is the same value widened.
    HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(*id));
    return IsWindow(window) ? window : nullptr;
}

HMONITOR dialogMonitor(HWND anchor) {
    // The desktop in front (the user clicked it) spans every monitor: it says nothing of
    // where the user is.
    const auto somewhere = [](HWND window) {
        return window != nullptr && IsWindow(window) && window != GetDesktopWindow() &&
               window != GetShellWindow();
    };
    for (HWND window : {anchor, GetForegroundWindow()}) {
        if (somewhere(window)) {
            if (HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONULL)) {
                return monitor;
            }
        }
    }
    POINT pointer{0, 0};
    if (GetCursorPos(&pointer)) {
        return MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
    }
    return MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
}

RECT monitorWorkArea(HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info)) {
        return info.rcWork;
    }
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

int monitorDpi(HMONITOR monitor) {
    static const auto getDpiForMonitor =
        systemCall<GetDpiForMonitorCall>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0;
    UINT y = 0;
    if (getDpiForMonitor != nullptr && monitor != nullptr &&
        SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y > 0) {
        return static_cast<int>(y);
    }
    return systemDpi();
}

int windowDpi(HWND window) {
    static const auto getDpiForWindow =
        systemCall<GetDpiForWindowCall>(L"user32.dll", "GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return monitorDpi(window != nullptr ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                                        : nullptr);
}

RECT windowRectForClient(int width, int height, DWORD style, DWORD exStyle, int dpi) {
    static const auto adjustForDpi =
        systemCall<AdjustWindowRectExForDpiCall>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT frame{0, 0, width, height};
    if (adjustForDpi == nullptr ||
        !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        frame = RECT{0, 0, width, height};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return frame;
}

RECT centredOn(const RECT& workArea, int width, int height) {
    const auto start = [](LONG low, LONG high, int length) {
        return std::max<LONG>(low, low + (high - low - length) / 2);
    };
    const LONG left = start(workArea.left, workArea.right, width);
    const LONG top = start(workArea.top, workArea.bottom, height);
    return RECT{left, top, left + width, top + height};
}

}  // namespace orvane
