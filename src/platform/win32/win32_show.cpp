#include "platform/win32/win32_show.h"

#include "platform/win32/gdi_canvas.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

constexpr const wchar_t* kMaskClass = L"TheOrvaneMask";

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFOEXW info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT& r = info.rcMonitor;  // the monitor's rectangle, not its work area
        reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
            {Rect{r.left, r.top, r.right, r.bottom}, (info.dwFlags & MONITORINFOF_PRIMARY) != 0,
             info.szDevice});
    }
    return TRUE;
}

// The display's colour depth and vertical pixels per inch, as the show's contexts report them.
struct DisplayFacts {
    int bitsPerPixel = 32;
    int logicalDpiY = 96;
};

DisplayFacts displayFacts() {
    DisplayFacts facts;
    if (HDC screen = GetDC(nullptr)) {
        facts.bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
        facts.logicalDpiY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return facts;
}

HWND makeMask(HINSTANCE instance) {
    WNDCLASSEXW maskClass{};
    maskClass.cbSize = sizeof(maskClass);
    maskClass.lpfnWndProc = DefWindowProcW;  // a close destroys it, once
    maskClass.hInstance = instance;
    maskClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    maskClass.lpszClassName = kMaskClass;
    if (!RegisterClassExW(&maskClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return nullptr;
    }
    const std::wstring caption = toWide(kMaskName);
    return CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kMaskClass, caption.c_str(), WS_POPUP, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), kMaskHeightPx, nullptr, nullptr,
                           instance, nullptr);
}

}  // namespace

std::vector<MonitorArea> systemMonitors() {
    std::vector<MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    return showMonitorOrder(std::move(monitors), GetSystemMetrics(SM_CXSCREEN),
                            GetSystemMetrics(SM_CYSCREEN));
}

Win32Show::Win32Show(HINSTANCE instance, const Settings& settings, GlyphPicture picture,
                     const std::vector<MonitorArea>& monitors)
    : PlatformShow(settings, std::move(picture)),
      instance_(instance),
      monitors_(monitors),
      rules_(settings_, control_, static_cast<int>(monitors.size())) {
    if (!Win32SaverWindow::registerClass(instance)) {
        return;
    }
    const DisplayFacts facts = displayFacts();
    const std::vector<WindowPlacement> placements = saverWindowPlacements(monitors);
    // The desktop is taken before any window of ours can cover it: the opening wipe eats it.
    for (std::size_t i = 0; i < placements.size(); ++i) {
        auto window = std::make_unique<Win32SaverWindow>(static_cast<int>(i), placements[i].bounds,
                                                    placements[i].caption, rules_, control_,
                                                    facts.bitsPerPixel, facts.logicalDpiY);
        // A picture GDI cannot draw on would leave its window unpainted while the show runs
        // unseen: rather no show at all.
        if (!static_cast<GdiBackend&>(window->picture().backend()).hasDeviceContext()) {
            windows_.clear();
            return;
        }
        window->picture().takeDesktop(monitors[i].bounds);
        windows_.push_back(std::move(window));
    }
    mask_ = makeMask(instance);
    for (auto& window : windows_) {
        if (!window->create(instance)) {
            windows_.clear();
            return;
        }
        platform_.addPicture(window->picture());
    }
    windows_[0]->onStartTimer = [this] { play(); };
    windows_[0]->onClosed = [] { PostQuitMessage(0); };
    windows_[0]->onDisplayChanged = [this] { followMonitors(); };
    // A quit message from outside while the show runs ends the show.
    platform_.onQuitContext = &control_;
    platform_.onQuit = [](void* control) { static_cast<ShowControl*>(control)->requestStop(); };
}

Win32Show::~Win32Show() {
    windows_.clear();
    if (mask_ != nullptr && IsWindow(mask_)) {
        DestroyWindow(mask_);
    }
}

void Win32Show::open() {
    if (mask_ != nullptr) {
        ::ShowWindow(mask_, SW_SHOWNOACTIVATE);
    }
    const auto place = [](Win32SaverWindow& window) {
        RECT r;
        GetWindowRect(window.handle(), &r);
        SetWindowPos(window.handle(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
    };
    for (std::size_t i = 1; i < windows_.size(); ++i) {
        ::ShowWindow(windows_[i]->handle(), SW_SHOWNOACTIVATE);
        place(*windows_[i]);
    }
    // The first window last, so that it ends on top and takes the keyboard.
    Win32SaverWindow& first = *windows_[0];
    ::ShowWindow(first.handle(), SW_SHOW);
    place(first);
    SetForegroundWindow(first.handle());
    SetFocus(first.handle());
    SetTimer(first.handle(), Win32SaverWindow::kStartTimerId, static_cast<UINT>(kStartDelayMs), nullptr);
}

void Win32Show::followMonitors() {
    const std::vector<Rect> bounds = windowBoundsAfterDisplayChange(monitors_, systemMonitors());
    for (std::size_t i = 0; i < windows_.size() && i < bounds.size(); ++i) {
        const Rect& r = bounds[i];
        // Forgotten first: moving a window under the pointer sends it a move.
        windows_[i]->forgetPointer();
        SetWindowPos(windows_[i]->handle(), HWND_TOPMOST, r.left, r.top, r.width(), r.height(),
                     SWP_NOACTIVATE);
    }
}

void Win32Show::play() {
    try {
        playOn(platform_);
    } catch (...) {
        // Nothing may leave a window procedure: the show just ends.
    }
    SendMessageW(windows_[0]->handle(), WM_CLOSE, 0, 0);
}

}  // namespace orvane
