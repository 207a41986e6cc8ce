// The settings dialog in native Windows controls: its texts, its values through "&Ok",
// "&Defaults" and "&Cancel" in the modal loop, Enter, and its layout at 96 dpi. With the About
// box: the monitor both open on, and their layout at the system's DPI and after WM_DPICHANGED
// (tools/wine-at-dpi.sh runs these at 144 and 192 dpi on two monitors).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "config/win32/about_box_win32.h"
#include "config/win32/dialog_monitor.h"
#include "config/win32/settings_dialog_win32.h"
#include "config/win32/settings_dialog_win32_detail.h"
#include "platform/win32/wide_text.h"
#include "support/fixed_texts.h"

namespace orvane {
namespace {

using detail::SettingsDialogWindow;

// A dialog made without its modal loop, whose picker and message box never wait.
struct DialogFixture {
    std::vector<std::wstring> messages;
    SettingsDialogWindow dialog{[](HWND, COLORREF) { return std::optional<COLORREF>(); },
                                [this](HWND, const std::wstring&, const std::wstring& text) {
                                    messages.push_back(text);
                                }};

    DialogFixture() { EXPECT_TRUE(dialog.create(nullptr)); }
    HWND control(int id) { return dialog.control(id); }
    void click(int id) { SendMessageW(control(id), BM_CLICK, 0, 0); }
    std::string text(int id) {
        wchar_t buffer[256] = {};
        GetWindowTextW(control(id), buffer, 256);
        return toUtf8(buffer);
    }
};

std::string windowText(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return toUtf8(buffer);
}

// Every text the dialog carries, each as "kind: text", sorted.
std::vector<std::string> dialogTexts(HWND dialog) {
    std::vector<std::string> texts{"title: " + windowText(dialog)};
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        const std::string text = windowText(child);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (lstrcmpiW(className, WC_BUTTONW) == 0) {
            switch (style & BS_TYPEMASK) {
            case BS_GROUPBOX: texts.push_back("group: " + text); break;
            case BS_AUTOCHECKBOX: texts.push_back("check: " + text); break;
            case BS_AUTORADIOBUTTON: texts.push_back("radio: " + text); break;
            default: texts.push_back("button: " + text); break;
            }
        } else if (lstrcmpiW(className, WC_STATICW) == 0 && !text.empty()) {
            texts.push_back("label: " + text);
        } else if (lstrcmpiW(className, WC_TABCONTROLW) == 0) {
            for (int i = 0; i < TabCtrl_GetItemCount(child); ++i) {
                wchar_t title[64] = {};
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = title;
                item.cchTextMax = 64;
                TabCtrl_GetItem(child, i, &item);
                texts.push_back("tab: " + toUtf8(title));
            }
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

// A place as left, top, width and height.
struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Box&) const = default;
    friend void PrintTo(const Box& b, std::ostream* out) {
        *out << b.left << "," << b.top << " " << b.width << "x" << b.height;
    }
};

Box boxOf(const RECT& r) {
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right - r.left),
            static_cast<int>(r.bottom - r.top)};
}

// A control's place in the dialog's client area.
Box clientPlace(HWND dialog, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return boxOf(r);
}

// What to do with the dialog once its modal loop runs, from a timer of that loop.
std::function<void(HWND dialog)> whileOpen;

void CALLBACK actOnOpenDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(nullptr, toWide(kSettingsCaption).c_str());
    if (dialog == nullptr || !IsWindowVisible(dialog)) {
        return;
    }
    KillTimer(nullptr, timer);
    whileOpen(dialog);
}

std::optional<Settings> runWith(HWND owner, const Settings& settings,
                                std::function<void(HWND dialog)> action) {
    whileOpen = std::move(action);
    SetTimer(nullptr, 0, 10, actOnOpenDialog);
    return runSettingsDialog(owner, settings);
}

void press(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

TEST(SettingsDialogWin32, FixedTextsAreExactlyAsWritten) {
    DialogFixture f;
    EXPECT_EQ(dialogTexts(f.dialog.window()), test::kSettingsDialogTexts);
}

TEST(SettingsDialogWin32, OkGivesTheRecordAndCancelOrTheCloseBoxNothing) {
    HWND owner = CreateWindowExW(0, WC_STATICW, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    Settings s;
    s.userName = "Night Owls of the Fourth Floor B";  // 32 characters, beyond the limit of 25
    s.variance = 130;                                 // 130 / 20 = 6.5: position 6
    bool ownerEnabledMeanwhile = true;
    const std::optional<Settings> edited = runWith(owner, s, [&](HWND dialog) {
        ownerEnabledMeanwhile = IsWindowEnabled(owner) != FALSE;
        press(dialog, detail::kOkButtonId);
    });
    Settings expected = s;
    expected.variance = 120;
    ASSERT_TRUE(edited.has_value());
    EXPECT_EQ(*edited, expected);
    EXPECT_FALSE(ownerEnabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(owner));

    EXPECT_FALSE(runWith(owner, s, [](HWND dialog) {
        press(dialog, detail::kDefaultsButtonId);
        press(dialog, detail::kCancelButtonId);
    }));
    EXPECT_EQ(FindWindowW(nullptr, toWide(kSettingsCaption).c_str()), nullptr);
    DestroyWindow(owner);

    DialogFixture f;
    SendMessageW(f.dialog.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(f.dialog.result(), SettingsDialogWindow::Result::Rejected) << "the close box";
    EXPECT_TRUE(IsWindow(f.dialog.window())) << "the modal run, not the close box, destroys it";
}

TEST(SettingsDialogWin32, EnterPressesOnlyAFocusedButtonAndOkWantsWholeMinutes) {
    DialogFixture f;
    Settings s;
    s.phoneNumber = "123";
    s.suspendTimeout = 15;
    f.dialog.setValues(s);
    HWND dialog = f.dialog.window();
    ShowWindow(dialog, SW_SHOW);
    const auto enter = [&] {
        MSG message{GetFocus(), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
        EXPECT_TRUE(IsDialogMessageW(dialog, &message));
    };

    HWND phone = f.control(detail::kPhoneEditId);
    SetFocus(phone);
    ASSERT_EQ(GetFocus(), phone);
    SendMessageW(phone, EM_SETSEL, 3, 3);
    SendMessageW(phone, WM_CHAR, L'4', 1);
    enter();
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // as the dialog manager sends it for Enter
    EXPECT_EQ(f.dialog.result(), SettingsDialogWindow::Result::Open);
    EXPECT_EQ(f.text(detail::kPhoneEditId), "1234") << "neither reset nor closed";
    EXPECT_EQ(f.text(detail::kSuspendEditId), "15");

    // "&Ok" refuses a "Suspend After" that is not a whole number, and shows where it is.
    SetWindowTextW(f.control(detail::kSuspendEditId), L"soon");
    SetFocus(f.control(detail::kOkButtonId));
    enter();
    EXPECT_EQ(f.dialog.result(), SettingsDialogWindow::Result::Open);
    ASSERT_EQ(f.messages.size(), 1u);
    EXPECT_EQ(f.messages[0], toWide(suspendRefusalText()));
    EXPECT_EQ(f.dialog.currentPage(), detail::kPowerSavePage);
    EXPECT_EQ(TabCtrl_GetCurSel(f.control(detail::kPagesId)), detail::kPowerSavePage);
    EXPECT_TRUE(IsWindowVisible(f.control(detail::kSuspendEditId)));
    EXPECT_FALSE(IsWindowVisible(phone));
    EXPECT_EQ(GetFocus(), f.control(detail::kSuspendEditId));
    DWORD start = 1;
    DWORD end = 0;
    SendMessageW(f.control(detail::kSuspendEditId), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 4u);

    SetWindowTextW(f.control(detail::kSuspendEditId), L"-2147483648");
    SetFocus(f.control(detail::kOkButtonId));
    enter();
    EXPECT_EQ(f.dialog.result(), SettingsDialogWindow::Result::Accepted);
    EXPECT_EQ(f.dialog.values(s)->suspendTimeout, INT32_MIN);
    EXPECT_EQ(f.dialog.values(s)->phoneNumber, "1234");
}

TEST(SettingsDialogWin32, FixedSizePlacesRangesAndTabOrder) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ASSERT_EQ(dpi, 96);
    DialogFixture f;
    HWND dialog = f.dialog.window();
    RECT client;
    GetClientRect(dialog, &client);
    EXPECT_EQ(boxOf(client), (Box{0, 0, 290, 386}));
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0);
    EXPECT_NE(style & WS_SYSMENU, 0);

    EXPECT_EQ(clientPlace(dialog, f.control(detail::kDefaultsButtonId)), (Box{32, 356, 75, 25}));
    EXPECT_EQ(clientPlace(dialog, f.control(detail::kOkButtonId)), (Box{120, 356, 75, 25}));
    EXPECT_EQ(clientPlace(dialog, f.control(detail::kCancelButtonId)), (Box{206, 356, 75, 25}));
    HWND pages = f.control(detail::kPagesId);
    EXPECT_EQ(clientPlace(dialog, pages), (Box{8, 8, 273, 341}));
    RECT display;
    GetClientRect(pages, &display);
    TabCtrl_AdjustRect(pages, FALSE, &display);
    const int x = 8 + display.left;
    const int y = 8 + display.top;
    EXPECT_EQ(clientPlace(dialog, f.control(detail::kPhoneEditId)),
              (Box{x + 4 + 172, y + 152 + 20, 73, 21}));
    EXPECT_EQ(clientPlace(dialog, f.control(detail::kNameEditId)),
              (Box{x + 4 + 156, y + 216 + 56, 89, 21}));
    EXPECT_EQ(clientPlace(dialog, f.control(detail::kDensityTrackId)),
              (Box{x + 4 + 8, y + 100 + 20, 241, 33}));
    EXPECT_EQ(clientPlace(dialog, f.control(detail::kSuspendEditId)),
              (Box{x + 8 + 96, y + 8 + 24, 49, 21}));
    EXPECT_EQ(SendMessageW(f.control(detail::kPhoneEditId), EM_GETLIMITTEXT, 0, 0), 20);
    EXPECT_EQ(SendMessageW(f.control(detail::kNameEditId), EM_GETLIMITTEXT, 0, 0), 25);

    struct Range {
        int id;
        LRESULT minimum;
        LRESULT maximum;
        bool ticks;
    };
    for (const Range& range : {Range{detail::kSpeedTrackId, 0, 10, false},
                               Range{detail::kVarianceTrackId, 0, 10, false},
                               Range{detail::kDensityTrackId, 1, 10, true}}) {
        HWND track = f.control(range.id);
        EXPECT_EQ(SendMessageW(track, TBM_GETRANGEMIN, 0, 0), range.minimum) << range.id;
        EXPECT_EQ(SendMessageW(track, TBM_GETRANGEMAX, 0, 0), range.maximum) << range.id;
        const LONG trackStyle = GetWindowLongW(track, GWL_STYLE);
        EXPECT_EQ((trackStyle & TBS_NOTICKS) == 0, range.ticks) << range.id;
        EXPECT_EQ((trackStyle & TBS_AUTOTICKS) != 0, range.ticks) << range.id;
    }
    EXPECT_EQ(SendMessageW(f.control(detail::kDensityTrackId), TBM_GETNUMTICS, 0, 0), 10);

    // Tab on the first page: the bottom row, the notebook, then the group boxes from
    // "Trace Program Phone Number"; one stop for a group of radio buttons, its checked one.
    std::vector<int> order;
    HWND at = f.control(detail::kDefaultsButtonId);
    for (int i = 0; i < 10; ++i) {
        order.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(dialog, at, FALSE);
    }
    EXPECT_EQ(order, (std::vector<int>{detail::kDefaultsButtonId, detail::kOkButtonId,
                                       detail::kCancelButtonId, detail::kPagesId,
                                       detail::kPhoneEditId, detail::kLoginNameRadioId,
                                       detail::kNameEditId, detail::kShowTitleCheckId,
                                       detail::kShowIntroCheckId, detail::kMovieDateRadioId}));
    EXPECT_EQ(GetNextDlgTabItem(dialog, f.control(detail::kMovieDateRadioId), FALSE),
              f.control(detail::kDefaultsButtonId));
}

// The system DPI of the run: tools/wine-at-dpi.sh names the one it set (and its monitors);
// otherwise 96, on one monitor.
int runDpi() {
    const char* named = std::getenv("ORVANE_EXPECTED_DPI");
    return named != nullptr ? std::atoi(named) : 96;
}

int at(int designPx, int dpi) { return MulDiv(designPx, dpi, 96); }

Box designBox(int left, int top, int width, int height, int dpi) {
    return {at(left, dpi), at(top, dpi), at(width, dpi), at(height, dpi)};
}

LONG fontHeight(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    return GetObjectW(handle, sizeof(font), &font) == sizeof(font) ? font.lfHeight : 0;
}

// The settings dialog's controls where the 96-dpi layout puts them at dpi, and every one in
// the dialog's font of 8 points at that dpi.
void expectSettingsLayout(SettingsDialogWindow& dialog, int dpi) {
    SCOPED_TRACE("settings dialog at " + std::to_string(dpi) + " dpi");
    HWND window = dialog.window();
    EXPECT_EQ(dialog.dpi(), dpi);
    struct Row {
        int id;
        Box group;  // 0,0 for the client area's controls
        Box place;  // at 96 dpi
        bool onPage;
    };
    const Row rows[] = {
        {detail::kDefaultsButtonId, {}, {32, 356, 75, 25}, false},
        {detail::kOkButtonId, {}, {120, 356, 75, 25}, false},
        {detail::kCancelButtonId, {}, {206, 356, 75, 25}, false},
        {detail::kPagesId, {}, {8, 8, 273, 341}, false},
        {detail::kPhoneEditId, {4, 152}, {172, 20, 73, 21}, true},
        {detail::kNameEditId, {4, 216}, {156, 56, 89, 21}, true},
        {detail::kShowIntroCheckId, {4, 4}, {12, 40, 177, 17}, true},
        {detail::kDensityTrackId, {4, 100}, {8, 20, 241, 33}, true},
        {detail::kHighlightSelectButtonId, {4, 172}, {168, 60, 75, 25}, true},
        {detail::kSuspendEditId, {8, 8}, {96, 24, 49, 21}, true},
        {detail::kEscapeExitCheckId, {8, 8}, {16, 64, 145, 17}, true},
    };
    HWND pages = dialog.control(detail::kPagesId);
    RECT display;
    GetClientRect(pages, &display);
    TabCtrl_AdjustRect(pages, FALSE, &display);
    const POINT page{at(8, dpi) + display.left, at(8, dpi) + display.top};
    for (const Row& row : rows) {
        const POINT origin = row.onPage ? POINT{page.x + at(row.group.left, dpi),
                                                page.y + at(row.group.top, dpi)}
                                        : POINT{0, 0};
        Box expected = designBox(row.place.left, row.place.top, row.place.width,
                                 row.place.height, dpi);
        expected.left += origin.x;
        expected.top += origin.y;
        EXPECT_EQ(clientPlace(window, dialog.control(row.id)), expected) << "control " << row.id;
    }
    // A label is as large as its text in the new font.
    HWND minutes = FindWindowExW(window, nullptr, WC_STATICW, L"minutes");
    ASSERT_NE(minutes, nullptr);
    HDC dc = GetDC(window);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(minutes, WM_GETFONT, 0, 0)));
    SIZE text{};
    GetTextExtentPoint32W(dc, L"minutes", 7, &text);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    EXPECT_EQ(clientPlace(window, minutes),
              (Box{page.x + at(8, dpi) + at(160, dpi), page.y + at(8, dpi) + at(26, dpi),
                   static_cast<int>(text.cx), static_cast<int>(text.cy)}));

    const auto font = SendMessageW(dialog.control(detail::kOkButtonId), WM_GETFONT, 0, 0);
    EXPECT_EQ(fontHeight(dialog.control(detail::kOkButtonId)), MulDiv(-11, dpi, 96));
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[64] = {};
        GetClassNameW(child, className, 64);
        if (lstrcmpiW(className, TRACKBAR_CLASSW) != 0) {  // a track bar has no text, no font
            EXPECT_EQ(SendMessageW(child, WM_GETFONT, 0, 0), font)
                << "control " << GetDlgCtrlID(child);
        }
    }
}

// The About box at dpi: its size, its buttons, their font, and the panel painted to its edges.
void expectAboutLayout(AboutBoxWindow& box, int dpi) {
    SCOPED_TRACE("About box at " + std::to_string(dpi) + " dpi");
    EXPECT_EQ(box.dpi(), dpi);
    RECT r;
    GetWindowRect(box.handle(), &r);
    const Box size = designBox(0, 0, 440, 302, dpi);
    EXPECT_EQ(boxOf(r).width, size.width);
    EXPECT_EQ(boxOf(r).height, size.height);
    EXPECT_EQ(clientPlace(box.handle(), box.okButton()), designBox(224, 260, 75, 25, dpi));
    EXPECT_EQ(clientPlace(box.handle(), box.settingsButton()), designBox(136, 260, 75, 25, dpi));
    EXPECT_EQ(fontHeight(box.okButton()), -MulDiv(8, dpi, 72));

    // Painted on a larger picture of another colour: the panel ends exactly at the box's size.
    const int width = size.width + 4;
    const int height = size.height + 4;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC memory = CreateCompatibleDC(nullptr);
    std::uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS,
                                      reinterpret_cast<void**>(&bits), nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    std::fill(bits, bits + width * height, 0x00FF00FFu);
    box.paint(memory);
    GdiFlush();
    const auto pixel = [&](int x, int y) { return bits[y * width + x] & 0xFFFFFFu; };
    EXPECT_NE(pixel(size.width - 1, size.height - 1), 0xFF00FFu) << "the panel's last pixel";
    EXPECT_EQ(pixel(size.width, size.height - 1), 0xFF00FFu) << "beyond the panel's right";
    EXPECT_EQ(pixel(size.width - 1, size.height), 0xFF00FFu) << "beyond the panel's bottom";
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

RECT workAreaOf(HWND window) {
    return monitorWorkArea(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

// Centred on the work area, to the pixel the halving leaves.
void expectCentredOn(const char* what, HWND window, const RECT& area) {
    SCOPED_TRACE(what);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_LE(std::abs((r.left + r.right) - (area.left + area.right)), 1)
        << boxOf(r).left << " in " << area.left << ".." << area.right;
    EXPECT_LE(std::abs((r.top + r.bottom) - (area.top + area.bottom)), 1)
        << boxOf(r).top << " in " << area.top << ".." << area.bottom;
}

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, RECT*, LPARAM list) {
    reinterpret_cast<std::vector<HMONITOR>*>(list)->push_back(monitor);
    return TRUE;
}

TEST(ConfigurationWindowsWin32, OpenCentredOnTheMonitorOfTheNamedTheForegroundOrThePointer) {
    std::vector<HMONITOR> monitors;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    const char* expected = std::getenv("ORVANE_EXPECTED_MONITORS");
    ASSERT_EQ(monitors.size(), expected != nullptr ? std::strtoul(expected, nullptr, 10) : 1u);
    const HMONITOR primary = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    // With two monitors, the named one is the other (left of the primary in the DPI runs).
    const HMONITOR named = monitors.size() > 1 && monitors.front() == primary ? monitors.back()
                                                                              : monitors.front();
    const RECT namedArea = monitorWorkArea(named);
    const RECT primaryArea = monitorWorkArea(primary);
    // Never shown: under Wine with no window manager, hiding a shown window that was in front
    // takes two seconds.
    const auto windowIn = [](const RECT& area, const wchar_t* title) {
        return CreateWindowExW(0, WC_STATICW, title, WS_POPUP, area.left + 10,
                               area.top + 10, 100, 50, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    };
    HWND anchor = windowIn(namedArea, L"anchor");
    HWND other = windowIn(primaryArea, L"other");
    ASSERT_EQ(MonitorFromWindow(anchor, MONITOR_DEFAULTTONULL), named);

    EXPECT_EQ(configureWindowId({"/c:" + std::to_string(reinterpret_cast<UINT_PTR>(anchor))}),
              static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(anchor)));
    // The window as Windows' screen saver page and people write it; anything else is none.
    const std::pair<std::vector<std::string>, std::optional<std::uint32_t>> given[] = {
        {{"/C:0x1F"}, 31},      {{"/c", "1234"}, 1234}, {{"/c"}, std::nullopt},
        {{"/c:"}, std::nullopt}, {{"/c:12ab"}, std::nullopt}, {{"/c:0"}, std::nullopt},
        {{"/s:1234"}, std::nullopt}, {{"/cx", "12"}, std::nullopt}, {{}, std::nullopt},
        {{"/c:99999999999"}, std::nullopt},
    };
    for (const auto& [arguments, id] : given) {
        EXPECT_EQ(configureWindowId(arguments), id) << (arguments.empty() ? "" : arguments[0]);
    }

    struct Case {
        const char* name;
        HWND given;
        HWND foreground;
    };
    // No window in front first: none of this process's has been put there yet (the
    // desktop may be).
    for (const Case& c : {Case{"no window named, none in front: the pointer's", nullptr, nullptr},
                          Case{"the named window, another in front", anchor, other},
                          Case{"no window named: the foreground one", nullptr, anchor}}) {
        SCOPED_TRACE(c.name);
        if (c.foreground != nullptr) {
            SetForegroundWindow(c.foreground);
        } else {
            SetCursorPos((namedArea.left + namedArea.right) / 2,
                         (namedArea.top + namedArea.bottom) / 2);
        }
        HWND front = GetForegroundWindow();
        if (front == GetDesktopWindow() || front == GetShellWindow()) {
            front = nullptr;  // the desktop in front: no window of the user's
        }
        ASSERT_EQ(front, c.foreground)
            << std::hex << reinterpret_cast<UINT_PTR>(front) << " in front";
        Settings settings;
        AboutBoxWindow box(settings, "unused.ini");
        ASSERT_TRUE(box.create(GetModuleHandleW(nullptr), c.given));
        expectCentredOn("About box", box.handle(), namedArea);

        // The settings dialog, over the About box: on the About box's monitor.
        SettingsDialogWindow dialog{[](HWND, COLORREF) { return std::optional<COLORREF>(); },
                                    [](HWND, const std::wstring&, const std::wstring&) {}};
        if (c.foreground != nullptr) {
            SetForegroundWindow(other);
        }
        ASSERT_TRUE(dialog.create(box.handle()));
        expectCentredOn("settings dialog", dialog.window(), namedArea);
        dialog.destroy();
    }
    DestroyWindow(anchor);
    DestroyWindow(other);
}

TEST(ConfigurationWindowsWin32, ScaledToTheMonitorsDpiAndAgainOnDpiChanged) {
    const int dpi = runDpi();
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), dpi) << "the prefix's LogPixels";
    ReleaseDC(nullptr, screen);

    Settings settings;
    AboutBoxWindow box(settings, "unused.ini");
    ASSERT_TRUE(box.create(GetModuleHandleW(nullptr)));
    DialogFixture f;
    RECT client;
    GetClientRect(f.dialog.window(), &client);
    EXPECT_EQ(boxOf(client), designBox(0, 0, 290, 386, dpi));
    expectSettingsLayout(f.dialog, dpi);
    expectAboutLayout(box, dpi);

    // Moved to monitors of other scales: the system suggests each window's new rectangle.
    const DWORD style = static_cast<DWORD>(GetWindowLongW(f.dialog.window(), GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(f.dialog.window(), GWL_EXSTYLE));
    const RECT area = workAreaOf(box.handle());
    for (const int next : {192, 120, 96, 144}) {
        if (next == dpi) {
            continue;
        }
        RECT suggested = windowRectForClient(at(290, next), at(386, next), style, exStyle, next);
        OffsetRect(&suggested, area.left + 30 - suggested.left, area.top + 20 - suggested.top);
        SendMessageW(f.dialog.window(), WM_DPICHANGED, MAKEWPARAM(next, next),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT placed;
        GetWindowRect(f.dialog.window(), &placed);
        EXPECT_EQ(boxOf(placed), boxOf(suggested)) << next << " dpi: the suggested rectangle";
        expectSettingsLayout(f.dialog, next);

        RECT boxSuggested{area.left + 40, area.top + 50, area.left + 40 + at(440, next),
                          area.top + 50 + at(302, next)};
        SendMessageW(box.handle(), WM_DPICHANGED, MAKEWPARAM(next, next),
                     reinterpret_cast<LPARAM>(&boxSuggested));
        GetWindowRect(box.handle(), &placed);
        EXPECT_EQ(boxOf(placed), boxOf(boxSuggested)) << next << " dpi: the suggested rectangle";
        expectAboutLayout(box, next);
    }
}

}  // namespace
}  // namespace orvane
