// One saver window on Windows: a borderless black popup covering its monitor that shows its
// retained picture (WM_ERASEBKGND is swallowed, WM_PAINT copies the picture), hides the pointer
// while shown (ShowCursor, a counter) and hands every input to the input rules in screen
// coordinates: WM_MOUSEMOVE, button presses, and WM_KEYUP / WM_SYSKEYUP (so Alt and F10 count;
// a held key repeats only its WM_KEYDOWN). It is topmost and off the taskbar, and it swallows
// the shell's SC_SCREENSAVE.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/common/input_rules.h"
#include "platform/common/picture_window.h"

namespace orvane {

class ShowControl;

// The saver windows' extended styles: above every window that is not topmost itself, and
// without a taskbar button or an Alt+Tab entry.
constexpr DWORD kSaverExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;

// Whether a WM_SYSCOMMAND's command is the shell's request to start the screen saver.
bool isScreenSaveCommand(WPARAM command);

// The picture of a saver window: each frame's changed cells, merged into column strips, go to
// the window with one BitBlt each.
class SaverPicture final : public WindowPicture {
public:
    SaverPicture(int width, int height, int bitsPerPixel, int logicalDpiY);

    void setWindow(HWND window) { window_ = window; }
    void present() override;
    // The whole picture, or a part of it, on a device context of the window.
    void paint(HDC dc, const RECT& area);
    // The screen under the rectangle (virtual-screen pixels) as the picture's content; black
    // where the screen cannot be read.
    void takeDesktop(const Rect& screenArea);

private:
    HDC pictureDc();

    HWND window_ = nullptr;
};

class Win32SaverWindow final : public PictureWindow {
public:
    // The window is made hidden, captioned and placed; its picture exists before it.
    Win32SaverWindow(int index, const Rect& bounds, const std::wstring& caption, InputRules& rules,
                ShowControl& control, int bitsPerPixel, int logicalDpiY);
    ~Win32SaverWindow() override;

    Win32SaverWindow(const Win32SaverWindow&) = delete;
    Win32SaverWindow& operator=(const Win32SaverWindow&) = delete;

    // Registers the window class once per process.
    static bool registerClass(HINSTANCE instance);

    // Creates the window itself (hidden).
    bool create(HINSTANCE instance);
    HWND handle() const { return window_; }
    int index() const { return index_; }
    SaverPicture& picture() { return picture_; }
    // The pointer's next move over the window only tells where it is (after the monitors
    // changed, screen coordinates may have shifted under a pointer that did not move).
    void forgetPointer() { rules_.forgetPointer(index_); }

    // The first window's 20 ms start timer: its first tick runs this.
    std::function<void()> onStartTimer;
    // Runs once, when the window is closed (after the show was asked to stop).
    std::function<void()> onClosed;
    // Runs when the monitors changed (WM_DISPLAYCHANGE).
    std::function<void()> onDisplayChanged;

    static constexpr UINT_PTR kStartTimerId = 1;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void shown();
    void closed();
    void mouseMoved(LPARAM lParam);

    int index_;
    Rect bounds_;
    std::wstring caption_;
    InputRules& rules_;
    ShowControl& control_;
    SaverPicture picture_;
    HWND window_ = nullptr;
    bool pointerHidden_ = false;
    bool closed_ = false;
};

}  // namespace orvane
