// The configuration windows of the Windows build against their reference pictures, at 96 dpi
// under Wine: the About box as it opens and with each credit set, and the settings dialog's
// three pages, the sliders' page also at both ends of its ranges; the same moments and settings
// as the Qt build's run, in GDI's own rows. A picture is the window's client area as Windows
// painted it, read back from the window with BitBlt once every paint has run; the window is
// active, the focus where opening the window puts it, the pointer away from it.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "config/credit_table.h"
#include "config/win32/about_box_win32.h"
#include "config/win32/settings_dialog_win32_detail.h"
#include "reference/config_reference_settings.h"
#include "reference/reference_check.h"

namespace orvane::reference {
namespace {

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Shown and in front: the activation comes back from the X server, and with it the focus.
bool showActive(HWND window) {
    ::ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    for (int i = 0; i < 200 && GetActiveWindow() != window; ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pumpMessages();
    }
    pumpMessages();
    return GetActiveWindow() == window;
}

// The client area with every pending paint of the window and its controls done.
PixelPicture pictureOf(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages();
    GdiFlush();
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC source = GetDC(window);
    HDC memory = CreateCompatibleDC(source);
    std::uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS,
                                      reinterpret_cast<void**>(&bits), nullptr, 0);
    PixelPicture picture(width, height);
    if (bitmap != nullptr) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        GdiFlush();
        for (int i = 0; i < width * height; ++i) {
            picture.pixels[static_cast<std::size_t>(i)] = 0xFF000000u | (bits[i] & 0xFFFFFFu);
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, source);
    return picture;
}

TEST(ConfigReferenceWin32, WindowsLookLikeTheirReferencePictures) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);
    SetCursorPos(0, 0);
    ReferenceRun references("dialogs-96dpi", referencePaths("config"));
    // Every picture of a window with text is kept as a PNG: where this machine draws text
    // with other fonts or rasterisers, the picture is compared with it loosely.
    const auto check = [&](const char* moment, const char* window, HWND handle) {
        return references.check(moment, window, window, pictureOf(handle), true, kTextByPicture);
    };

    Settings settings = fixedSettings();
    {
        AboutBoxWindow about(settings, "unused.ini");
        ASSERT_TRUE(about.create(GetModuleHandleW(nullptr)));
        // As the box opens (its timers not started): the first two slots from set B.
        about.fillSlots({&kCreditSetB[0], &kCreditSetB[1], &kCreditSetA[2], &kCreditSetA[3],
                         &kCreditSetA[4]});
        ASSERT_TRUE(showActive(about.handle()));
        SetFocus(about.okButton());
        check("shown", "about", about.handle());
        about.fillSlots({&kCreditSetA[0], &kCreditSetA[1], &kCreditSetA[2], &kCreditSetA[3],
                         &kCreditSetA[4]});
        check("credits-a", "about", about.handle());
        about.fillSlots({&kCreditSetB[0], &kCreditSetB[1], &kCreditSetB[2], &kCreditSetB[3],
                         &kCreditSetB[4]});
        check("credits-b", "about", about.handle());
        // Under Wine with no window manager, hiding a window that was in front takes two
        // seconds: the process's exit takes it away.
        about.leaveToExit();
    }

    detail::SettingsDialogWindow dialog{
        [](HWND, COLORREF) { return std::optional<COLORREF>(); },
        [](HWND, const std::wstring&, const std::wstring&) {}};
    ASSERT_TRUE(dialog.create(nullptr));
    dialog.setValues(settings);
    ASSERT_TRUE(showActive(dialog.window()));
    // Opening gives the focus to the first control of the tab order.
    ASSERT_EQ(GetFocus(), dialog.control(detail::kDefaultsButtonId));
    HWND pages = dialog.control(detail::kPagesId);
    const auto showPage = [&](int page) {
        TabCtrl_SetCurSel(pages, page);
        NMHDR change{pages, static_cast<UINT_PTR>(detail::kPagesId), TCN_SELCHANGE};
        SendMessageW(dialog.window(), WM_NOTIFY, detail::kPagesId,
                     reinterpret_cast<LPARAM>(&change));
    };
    const char* pageNames[] = {"page1-intro", "page2-code", "page3-power-save"};
    for (int page = 0; page < 3; ++page) {
        showPage(page);
        check(pageNames[page], "settings", dialog.window());
    }
    // The sliders at both ends of their ranges (and the other controls with them).
    showPage(detail::kCodePage);
    dialog.setValues(lowestSettings());
    check("page2-code-lowest", "settings", dialog.window());
    dialog.setValues(highestSettings());
    check("page2-code-highest", "settings", dialog.window());

    EXPECT_TRUE(references.finish()) << references.failure();
}

}  // namespace
}  // namespace orvane::reference
