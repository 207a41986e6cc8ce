#include "config/win32/about_box_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <fstream>
#include <system_error>

#include "config/credit_cipher.h"
#include "config/settings_form.h"
#include "config/win32/dialog_monitor.h"
#include "config/win32/settings_dialog_win32.h"
#include "platform/win32/wide_text.h"
#include "widgets/colour_button_colours.h"
#include "widgets/win32/colour_button_paint.h"
#include "widgets/win32/gradient_paint.h"

namespace orvane {

namespace {

constexpr const wchar_t* kWindowClass = L"TheOrvaneAbout";
constexpr const wchar_t* kWindowCaption = L"About The Orvane Screen Saver";
constexpr int kClientWidth = 440;
constexpr int kClientHeight = 302;

constexpr Colour kPanelStartColour = rgb(0, 128, 0);
constexpr int kPanelBorder = 8;
constexpr int kPanelRotation = 30;

constexpr COLORREF kLime = RGB(0, 255, 0);
constexpr COLORREF kLinkRed = RGB(255, 0, 0);
constexpr Colour kButtonFace = rgb(0, 193, 0);

constexpr int kTitleFontPx = 21;  // "The Orvane" and "Screen Saver", at 96 dpi
constexpr int kTextFontPx = 16;   // the other design-time lines, at 96 dpi
constexpr int kRunTimeFontPoints = 12;
constexpr int kDialogFontPoints = 8;
constexpr int kPointsPerInch = 72;
constexpr int kDesignDpi = 96;
constexpr int kBoldWeight = 700;

constexpr int kWrittenByTop = 104;
// Run-time lines stand at y0 + n * h, y0 just below "Written by", h one line of 12 points.
constexpr std::array<int, AboutBoxWindow::kLineCount> kLineSteps = {0, 2, 3, 5, 6, 7};

constexpr UINT_PTR kSetATimer = 1;
constexpr UINT_PTR kSetBTimer = 2;
constexpr UINT kCreditTimerMs = 1000;
constexpr int kOkId = 100;
constexpr int kOkLeft = 224;
constexpr int kSettingsLeft = 136;
constexpr int kButtonTop = 260;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kSettingsId = 101;

constexpr const wchar_t* kImagesLine = L"Orvane character images by";
constexpr const wchar_t* kLinkProbeFileName = L"TheOrvane.htm";
constexpr const char* kProbeContent = "test\r\n";

// A design-time label: text, top and height at 96 dpi, font.
struct FixedLine {
    const wchar_t* text;
    int top;
    int height;
    bool title;
};
constexpr FixedLine kFixedLines[] = {
    {L"The Orvane", 16, 23, true},
    {L"Screen Saver", 48, 23, true},
    {L"Version 1.12 - 01 August 2010", 80, 18, false},
    {L"Written by", kWrittenByTop, 18, false},
};

HFONT courier(int pixelHeight, bool underline = false) {
    return CreateFontW(-pixelHeight, 0, 0, 0, kBoldWeight, FALSE, underline ? TRUE : FALSE, FALSE,
                       ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH, L"Courier New");
}

std::filesystem::path programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return std::filesystem::path(path).parent_path();
}

}  // namespace

AboutBoxWindow::AboutBoxWindow(Settings& settings, std::filesystem::path settingsFile)
    : settings_(settings), settingsFile_(std::move(settingsFile)) {
    lines_[1] = kImagesLine;
}

AboutBoxWindow::~AboutBoxWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    deleteFonts();
}

void AboutBoxWindow::deleteFonts() {
    for (HFONT* font : {&titleFont_, &textFont_, &lineFont_, &linkFont_, &buttonFont_}) {
        if (*font != nullptr) {
            DeleteObject(*font);
            *font = nullptr;
        }
    }
}

void AboutBoxWindow::leaveToExit() {
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
    }
}

int AboutBoxWindow::scaled(int designPx) const { return MulDiv(designPx, dpi_, kDesignDpi); }

std::array<int, AboutBoxWindow::kLineCount> AboutBoxWindow::lineTops() const {
    const int y0 = scaled(kWrittenByTop) + scaled(kTextFontPx);
    const int h = MulDiv(kRunTimeFontPoints, dpi_, kPointsPerInch);
    std::array<int, kLineCount> tops{};
    for (std::size_t i = 0; i < tops.size(); ++i) {
        tops[i] = y0 + kLineSteps[i] * h;
    }
    return tops;
}

bool AboutBoxWindow::create(HINSTANCE instance, HWND anchor) {
    const HMONITOR monitor = dialogMonitor(anchor);
    dpi_ = monitorDpi(monitor);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    const RECT place =
        centredOn(monitorWorkArea(monitor), scaled(kClientWidth), scaled(kClientHeight));
    // No border and no caption bar; the caption names the window for the system only.
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, kWindowCaption,
                              WS_POPUP | WS_CLIPCHILDREN, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, nullptr,
                              nullptr, instance, this);
    if (window_ == nullptr) {
        return false;
    }
    // "&Ok" first in the tab order, then "&Settings"; placed by layOut.
    const auto button = [&](const wchar_t* caption, int id) {
        return CreateWindowExW(0, L"BUTTON", caption,
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 0, 0, 0, 0,
                               window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               instance, nullptr);
    };
    okButton_ = button(L"&Ok", kOkId);
    settingsButton_ = button(L"&Settings", kSettingsId);
    if (okButton_ == nullptr || settingsButton_ == nullptr) {
        return false;
    }
    // The scale Windows gives the window where it stands: the monitor's for this per-monitor
    // aware program, but the window's own is the one it is drawn at.
    if (const int drawn = windowDpi(window_); drawn != dpi_) {
        dpi_ = drawn;
        const RECT again =
            centredOn(monitorWorkArea(monitor), scaled(kClientWidth), scaled(kClientHeight));
        SetWindowPos(window_, nullptr, again.left, again.top, again.right - again.left,
                     again.bottom - again.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    layOut();
    return true;
}

void AboutBoxWindow::layOut() {
    deleteFonts();
    titleFont_ = courier(scaled(kTitleFontPx));
    textFont_ = courier(scaled(kTextFontPx));
    const int linePx = MulDiv(kRunTimeFontPoints, dpi_, kPointsPerInch);
    lineFont_ = courier(linePx);
    linkFont_ = courier(linePx, true);
    buttonFont_ = CreateFontW(-MulDiv(kDialogFontPoints, dpi_, kPointsPerInch), 0, 0, 0, FW_NORMAL,
                              FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif");
    const auto place = [&](HWND button, int left) {
        SetWindowPos(button, nullptr, scaled(left), scaled(kButtonTop), scaled(kButtonWidth),
                     scaled(kButtonHeight), SWP_NOZORDER | SWP_NOACTIVATE);
        // The buttons draw themselves with buttonFont_; this is for anyone who asks them.
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), FALSE);
        InvalidateRect(button, nullptr, FALSE);
    };
    place(okButton_, kOkLeft);
    place(settingsButton_, kSettingsLeft);
    InvalidateRect(window_, nullptr, FALSE);
}

void AboutBoxWindow::changeDpi(int dpi, const RECT& suggested) {
    dpi_ = dpi > 0 ? dpi : kDesignDpi;
    // The client area is the whole window: the size is ours, the place is the system's.
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, scaled(kClientWidth),
                 scaled(kClientHeight), SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
}

void AboutBoxWindow::fillSlots(const std::array<const ScrambledText*, kCreditSlotCount>& entries) {
    constexpr std::array<std::size_t, kCreditSlotCount> kSlotLines = {0, 2, 3, 4, 5};
    bool changed = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::wstring text = toWide(decodeStream(entries[i]->bytes, entries[i]->key));
        changed = changed || text != lines_[kSlotLines[i]];
        lines_[kSlotLines[i]] = std::move(text);
    }
    if (changed && window_ != nullptr) {
        InvalidateRect(window_, nullptr, FALSE);
    }
}

void AboutBoxWindow::runModal() {
    // On showing: the first two slots from set B, the rest from set A.
    fillSlots({&kCreditSetB[0], &kCreditSetB[1], &kCreditSetA[2], &kCreditSetA[3], &kCreditSetA[4]});
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(okButton_);
    SetTimer(window_, kSetATimer, kCreditTimerMs, nullptr);
    SetTimer(window_, kSetBTimer, kCreditTimerMs, nullptr);
    MSG message;
    while (!done_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    KillTimer(window_, kSetATimer);
    KillTimer(window_, kSetBTimer);
}

RECT AboutBoxWindow::linkRect() const {
    const int top = lineTops()[kLineCount - 1];
    return RECT{0, top, scaled(kClientWidth), top + MulDiv(kRunTimeFontPoints, dpi_, kPointsPerInch) + 2};
}

void AboutBoxWindow::paint(HDC dc) {
    GradientStyle style;
    style.startColour = kPanelStartColour;
    style.endColour = kBlack;
    style.borderThickness = kPanelBorder;
    style.rotation = kPanelRotation;
    style.shadeMode = ShadeMode::Saturate;
    const int width = scaled(kClientWidth);
    paintGradient(dc, style, width, scaled(kClientHeight));

    const int saved = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    // Every line is centred across the whole box.
    const auto line = [&](const std::wstring& text, int top, int height, HFONT font, COLORREF colour) {
        SelectObject(dc, font);
        SetTextColor(dc, colour);
        RECT r{0, top, width, top + height};
        DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
    };
    for (const FixedLine& fixed : kFixedLines) {
        line(fixed.text, scaled(fixed.top), scaled(fixed.height), fixed.title ? titleFont_ : textFont_,
             kLime);
    }
    const std::array<int, kLineCount> tops = lineTops();
    const int lineHeight = MulDiv(kRunTimeFontPoints, dpi_, kPointsPerInch) + 2;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const bool link = i + 1 == lines_.size();
        line(lines_[i], tops[i], lineHeight, link ? linkFont_ : lineFont_, link ? kLinkRed : kLime);
    }
    RestoreDC(dc, saved);
}

void AboutBoxWindow::drawButton(const DRAWITEMSTRUCT& item) {
    ColourButtonLook look;
    look.face = kButtonFace;
    look.edges = edgeColoursFor(kButtonFace);
    wchar_t caption[64] = {};
    GetWindowTextW(item.hwndItem, caption, static_cast<int>(std::size(caption)));
    look.caption = caption;
    look.font = buttonFont_;
    look.pressed = (item.itemState & ODS_SELECTED) != 0;
    look.focused = (item.itemState & ODS_FOCUS) != 0;
    look.enabled = (item.itemState & ODS_DISABLED) == 0;
    drawColourButton(item.hDC, item.rcItem, look);
}

void AboutBoxWindow::editSettings() {
    const std::optional<Settings> edited = runSettingsDialog(window_, settings_);
    if (!edited) {
        return;
    }
    settings_ = *edited;
    const std::string failure = saveSettings(settings_, settingsFile_);
    if (!failure.empty()) {
        MessageBoxW(window_, toWide(saveFailureText(settingsFile_, failure)).c_str(),
                    toWide(kSettingsCaption).c_str(), MB_ICONERROR | MB_OK);
    }
}

void AboutBoxWindow::openHomePage() {
    const std::wstring address = toWide(ORVANE_HOMEPAGE_URL);
    // The program Windows opens web pages with, found through a page file beside ours (made
    // for the question and removed again; an existing one is left alone).
    const std::filesystem::path folder = programFolder();
    const std::filesystem::path probe = folder / kLinkProbeFileName;
    std::error_code error;
    bool created = false;
    if (!std::filesystem::exists(probe, error)) {
        std::ofstream out(probe, std::ios::binary);
        created = out.is_open();
        out << kProbeContent;
    }
    wchar_t program[MAX_PATH] = {};
    const auto found = reinterpret_cast<INT_PTR>(
        FindExecutableW(probe.c_str(), folder.c_str(), program));
    if (created) {
        std::filesystem::remove(probe, error);
    }
    constexpr INT_PTR kFindExecutableSucceeded = 32;
    if (found > kFindExecutableSucceeded && program[0] != L'\0') {
        std::wstring command = L"\"" + std::wstring(program) + L"\" " + address;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            return;
        }
    }
    // A folder that cannot take the page file, or no program for it: the system's own handler.
    ShellExecuteW(window_, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT CALLBACK AboutBoxWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<AboutBoxWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<AboutBoxWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->handle(message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT AboutBoxWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the panel paints every pixel
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(window_, &ps)) {
            paint(dc);
            EndPaint(window_, &ps);
        }
        return 0;
    }
    case WM_DRAWITEM:
        drawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == kOkId || LOWORD(wParam) == IDCANCEL) {
            done_ = true;
        } else if (LOWORD(wParam) == kSettingsId) {
            editSettings();
        }
        return 0;
    case WM_TIMER:
        if (wParam == kSetATimer) {
            fillSlots({&kCreditSetA[0], &kCreditSetA[1], &kCreditSetA[2], &kCreditSetA[3], &kCreditSetA[4]});
        } else if (wParam == kSetBTimer) {
            fillSlots({&kCreditSetB[0], &kCreditSetB[1], &kCreditSetB[2], &kCreditSetB[3], &kCreditSetB[4]});
        }
        return 0;
    case WM_LBUTTONUP: {
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const RECT link = linkRect();
        if (PtInRect(&link, at)) {
            openHomePage();
        }
        return 0;
    }
    case WM_CLOSE:
        done_ = true;
        return 0;
    case WM_DPICHANGED:
        // Moved to a monitor of another scale (or the user changed it): the system's place,
        // everything drawn again at the new scale.
        changeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void runConfigurationMode(HINSTANCE instance, Settings& settings,
                          const std::filesystem::path& settingsFile) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    AboutBoxWindow box(settings, settingsFile);
    if (box.create(instance, windowNamedOnCommandLine())) {
        box.runModal();
        // The box leaves the screen with the program, at once: destroying a top-level window
        // first may wait for a window manager's answer (two seconds under Wine without one).
        box.leaveToExit();
    }
}

}  // namespace orvane
