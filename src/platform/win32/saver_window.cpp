#include "platform/win32/saver_window.h"

#include <windowsx.h>

#include <algorithm>

#include "platform/win32/gdi_canvas.h"
#include "show/show_sequencer.h"

namespace orvane {

namespace {

constexpr const wchar_t* kWindowClass = L"TheOrvaneSaverWindow";

}  // namespace

bool isScreenSaveCommand(WPARAM command) {
    // The low four bits of a system command are Windows' own.
    return (command & 0xFFF0) == SC_SCREENSAVE;
}

SaverPicture::SaverPicture(int width, int height, int bitsPerPixel, int logicalDpiY)
    : WindowPicture(width, height, bitsPerPixel, logicalDpiY) {}

HDC SaverPicture::pictureDc() { return static_cast<GdiBackend&>(backend()).dc(); }

void SaverPicture::present() {
    // A run's cells down one column go out as one strip.
    const std::vector<Rect>& strips = takeDamageInColumns();
    if (strips.empty() || window_ == nullptr || pictureDc() == nullptr) {
        return;
    }
    finishDrawing();
    HDC dc = GetDC(window_);
    if (dc == nullptr) {
        return;
    }
    // Each BitBlt to a window has a fixed cost far above that of its pixels: strips of the
    // same column go out as one, from the first one's top to the last one's bottom (what lies
    // between is unchanged, so copying it again shows the same).
    std::size_t i = 0;
    while (i < strips.size()) {
        Rect r = strips[i];
        while (++i < strips.size() && strips[i].left == r.left && strips[i].right == r.right) {
            r.bottom = std::max(r.bottom, strips[i].bottom);
        }
        BitBlt(dc, r.left, r.top, r.width(), r.height(), pictureDc(), r.left, r.top, SRCCOPY);
    }
    GdiFlush();
    ReleaseDC(window_, dc);
}

void SaverPicture::paint(HDC dc, const RECT& area) {
    if (pictureDc() == nullptr) {
        return;
    }
    finishDrawing();
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, pictureDc(),
           area.left, area.top, SRCCOPY);
}

void SaverPicture::takeDesktop(const Rect& screenArea) {
    setContent(PixelPicture{});
    HDC screen = GetDC(nullptr);
    if (screen == nullptr || pictureDc() == nullptr) {
        if (screen != nullptr) {
            ReleaseDC(nullptr, screen);
        }
        return;
    }
    if (!BitBlt(pictureDc(), 0, 0, screenArea.width(), screenArea.height(), screen, screenArea.left,
                screenArea.top, SRCCOPY)) {
        setContent(PixelPicture{});  // a screen that cannot be read: black
    }
    GdiFlush();
    ReleaseDC(nullptr, screen);
}

Win32SaverWindow::Win32SaverWindow(int index, const Rect& bounds, const std::wstring& caption,
                         InputRules& rules, ShowControl& control, int bitsPerPixel,
                         int logicalDpiY)
    : index_(index),
      bounds_(bounds),
      caption_(caption),
      rules_(rules),
      control_(control),
      picture_(bounds.width(), bounds.height(), bitsPerPixel, logicalDpiY) {
    showPicture(&picture_);
    rules_.forgetPointer(index_);  // until the window is shown
}

// The window itself is left to the program's exit, which takes every window off the screen at
// once: hiding or destroying a full-screen window first may wait for a window manager's answer
// (two seconds under Wine without one). Messages after this go to the default procedure.
Win32SaverWindow::~Win32SaverWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    }
}

bool Win32SaverWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // No background brush: the window shows its picture and nothing erases it.
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Win32SaverWindow::create(HINSTANCE instance) {
    // Topmost, so that secondary taskbars and always-on-top windows stay under the show on
    // every monitor; a tool window, so that no taskbar button or Alt+Tab entry names it.
    window_ = CreateWindowExW(kSaverExStyle, kWindowClass, caption_.c_str(), WS_POPUP, bounds_.left,
                              bounds_.top, bounds_.width(), bounds_.height(), nullptr, nullptr,
                              instance, this);
    picture_.setWindow(window_);
    return window_ != nullptr;
}

LRESULT CALLBACK Win32SaverWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<Win32SaverWindow*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<Win32SaverWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT Win32SaverWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // swallowed: only the show paints this window
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (HDC dc = BeginPaint(window_, &paint)) {
            picture_.paint(dc, paint.rcPaint);
            EndPaint(window_, &paint);
        }
        return 0;
    }
    case WM_SHOWWINDOW:
        if (wParam != FALSE) {
            shown();
        }
        break;
    case WM_TIMER:
        if (wParam == kStartTimerId) {
            // Killed before anything else: the show pumps messages and must not start twice.
            KillTimer(window_, kStartTimerId);
            if (onStartTimer) {
                onStartTimer();
            }
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        mouseMoved(lParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        rules_.mouseButtonPressed(
            index_, buttonOfCode(message, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN));
        return message == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        rules_.keyReleased(index_, static_cast<int>(wParam), false);
        return 0;
    case WM_SYSCOMMAND:
        // The shell's idle request, sent to the foreground window when the idle time passes
        // during a show started by hand: passed on, it would start a second copy over this one.
        if (isScreenSaveCommand(wParam)) {
            return 0;
        }
        break;
    case WM_DISPLAYCHANGE:
        if (onDisplayChanged) {
            onDisplayChanged();
        }
        break;
    case WM_CLOSE:
        closed();
        return 0;
    case WM_DESTROY:
        window_ = nullptr;
        picture_.setWindow(nullptr);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Win32SaverWindow::shown() {
    if (pointerHidden_) {
        return;
    }
    POINT pointer{0, 0};
    // Where the pointer is cannot always be read (another desktop may have the input): then its
    // first move over the window tells, rather than a made-up 0,0 that the first move would
    // count as a move.
    const bool known = GetCursorPos(&pointer) != FALSE;
    rules_.windowShown(index_, {static_cast<int>(pointer.x), static_cast<int>(pointer.y)});
    if (!known) {
        rules_.forgetPointer(index_);
    }
    ShowCursor(FALSE);
    pointerHidden_ = true;
}

void Win32SaverWindow::mouseMoved(LPARAM lParam) {
    // Screen coordinates, so that every window compares like with like.
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window_, &at);
    rules_.mouseMoved(index_, {static_cast<int>(at.x), static_cast<int>(at.y)});
}

void Win32SaverWindow::closed() {
    if (closed_) {
        return;
    }
    closed_ = true;
    control_.requestStop();
    if (pointerHidden_) {
        ShowCursor(TRUE);
    }
    if (onClosed) {
        onClosed();
    }
}

}  // namespace orvane
