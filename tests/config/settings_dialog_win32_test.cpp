// The settings dialog in native Windows controls: its texts, its values through "&Ok",
// "&Defaults" and "&Cancel" in the modal loop, Enter, and its layout at 96 dpi.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orvane
