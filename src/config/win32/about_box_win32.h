// The About box on Windows, the whole configuration mode: a borderless 440 x 302 window (at 96
// pixels per inch, scaled to its monitor's, and again when it moves to another) on the green
// gradient panel, the title, version and
// credit lines in bold lime "Courier New", the red link line, and two colour buttons, "&Ok"
// (close) and "&Settings" (the settings dialog, then the settings file is rewritten at once).
// The credit lines are filled when the box is shown and again by two 1000 ms timers.
#pragma once

#include <windows.h>

#include <array>
#include <filesystem>
#include <string>

#include "config/credit_table.h"
#include "host/settings.h"

namespace orvane {

class AboutBoxWindow {
public:
    static constexpr int kLineCount = 6;  // slot 1, images line, slots 2 to 4, link

    AboutBoxWindow(Settings& settings, std::filesystem::path settingsFile);
    ~AboutBoxWindow();

    AboutBoxWindow(const AboutBoxWindow&) = delete;
    AboutBoxWindow& operator=(const AboutBoxWindow&) = delete;

    // Makes the window (hidden), centred on the work area of anchor's monitor (see
    // dialogMonitor) at that monitor's scale; false when Windows refuses.
    bool create(HINSTANCE instance, HWND anchor = nullptr);
    // Shows it and runs its modal loop until "&Ok" or a close.
    void runModal();
    // Leaves the window to the program's exit instead of destroying it.
    void leaveToExit();

    HWND handle() const { return window_; }
    HWND okButton() const { return okButton_; }
    HWND settingsButton() const { return settingsButton_; }
    int dpi() const { return dpi_; }
    // The lines as shown now: slot 1, the images line, slots 2, 3, 4 and the link.
    const std::array<std::wstring, kLineCount>& lines() const { return lines_; }
    // Tops of those lines in client pixels.
    std::array<int, kLineCount> lineTops() const;
    // Paints the whole box (background, lines) on dc; the buttons paint themselves.
    void paint(HDC dc);

    // The "&Settings" edit cycle; a failed save is said in a message box.
    void editSettings();
    // The link: opens the project's page.
    void openHomePage();
    // Refills the credit slots: the first two from set B and the rest from set A (on showing),
    // or all five from one set (the timers).
    void fillSlots(const std::array<const ScrambledText*, kCreditSlotCount>& entries);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    int scaled(int designPx) const;
    // Fonts and buttons at dpi_.
    void layOut();
    void deleteFonts();
    // WM_DPICHANGED: the suggested place, the size and everything in it at the new scale.
    void changeDpi(int dpi, const RECT& suggested);
    RECT linkRect() const;
    void drawButton(const DRAWITEMSTRUCT& item);

    Settings& settings_;
    std::filesystem::path settingsFile_;
    HWND window_ = nullptr;
    HWND okButton_ = nullptr;
    HWND settingsButton_ = nullptr;
    HFONT titleFont_ = nullptr;
    HFONT textFont_ = nullptr;
    HFONT lineFont_ = nullptr;
    HFONT linkFont_ = nullptr;
    HFONT buttonFont_ = nullptr;
    int dpi_ = 96;
    bool done_ = false;
    std::array<std::wstring, kLineCount> lines_;
};

// Configuration mode: the About box, modal, until closed, on the monitor of the window named
// after "/c:" on the command line (else of the foreground window, else under the pointer).
void runConfigurationMode(HINSTANCE instance, Settings& settings,
                          const std::filesystem::path& settingsFile);

}  // namespace orvane
