// The settings dialog's window itself, apart from its modal loop: runSettingsDialog runs it
// modally, and the tests drive it directly (no modal loop, a colour picker and a message sink
// that never wait for a person).
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/settings_form.h"
#include "host/settings.h"

namespace orvane::detail {

// The controls' ids. "&Ok" is not IDOK: Enter sends IDOK when no button is the default, and
// the dialog has none. Escape sends IDCANCEL, which is "&Cancel"'s.
enum SettingsControlId : int {
    kCancelButtonId = IDCANCEL,
    kDefaultsButtonId = 100,
    kOkButtonId,
    kPagesId,
    kPhoneEditId,
    kFixedNameRadioId,
    kLoginNameRadioId,
    kSpecifiedNameRadioId,
    kNameEditId,
    kShowTitleCheckId,
    kShowIntroCheckId,
    kMovieDateRadioId,
    kCurrentDateRadioId,
    kSpeedTrackId,
    kVarianceTrackId,
    kDensityTrackId,
    kTintSwatchId,
    kTintSelectButtonId,
    kHighlightSwatchId,
    kHighlightSelectButtonId,
    kSuspendEditId,
    kEscapeExitCheckId,
};

constexpr int kIntroPage = 0;
constexpr int kCodePage = 1;
constexpr int kPowerSavePage = 2;

class SettingsDialogWindow {
public:
    // The picker answers the chosen colour, or nothing when cancelled.
    using ColourPicker = std::function<std::optional<COLORREF>(HWND owner, COLORREF preset)>;
    using MessageSink =
        std::function<void(HWND owner, const std::wstring& caption, const std::wstring& text)>;
    enum class Result { Open, Accepted, Rejected };
    struct Place;

    SettingsDialogWindow(ColourPicker pickColour, MessageSink showMessage);
    ~SettingsDialogWindow();
    SettingsDialogWindow(const SettingsDialogWindow&) = delete;
    SettingsDialogWindow& operator=(const SettingsDialogWindow&) = delete;

    // Makes the window and every control, hidden, owned by owner (which may be null), on the
    // first page; centred on the work area of the owner's monitor (see dialogMonitor) at that
    // monitor's scale.
    bool create(HWND owner);
    void destroy();
    HWND window() const { return window_; }
    HWND control(int id) const { return GetDlgItem(window_, id); }
    int currentPage() const { return page_; }
    int dpi() const { return dpi_; }
    Result result() const { return result_; }

    // Fills the controls from the record, in the record's order.
    void setValues(const Settings& settings);
    // The record with the dialog's values copied in, or nothing when "Suspend After" does
    // not hold a whole number of minutes.
    std::optional<Settings> values(const Settings& current) const;
    SettingsControls controls() const;
    void setControls(const SettingsControls& controls);

    // "&Defaults": the controls only; nothing reaches the record before "&Ok".
    void restoreDefaults();
    // "&Ok": refused, with a message, while "Suspend After" is not a whole number.
    void accept();
    // "&Cancel", Escape and the close box.
    void reject() { result_ = Result::Rejected; }

private:
    using Channels = std::array<int, 3>;  // red, green, blue

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK notebookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void command(int id, int code);

    // A control and its place at 96 dpi: in the client area (page kNoPage), or on the pages,
    // in a group box's place when group is given; a label is as large as its text.
    struct Laid {
        HWND control;
        int page;
        const Place* group;
        const Place* at;
        bool label;
    };

    // Controls are made at no place; layOut places them.
    HWND addControl(const wchar_t* className, const std::wstring& text, DWORD style, int id,
                    const Place* group, const Place& at, int page, bool label = false);
    HWND addLabel(const std::wstring& text, const Place& group, const Place& at, int page);
    const Place& addGroup(const std::wstring& title, const Place& at, int pageIndex);
    void buildIntroPage();
    void buildCodePage();
    void buildPowerSavePage();
    int scaled(int designPx) const;
    // The font, every control's place and the notebook's picture at dpi_.
    void layOut();
    // WM_DPICHANGED: the suggested window rectangle, everything in it at the new scale.
    void changeDpi(int dpi, const RECT& suggested);

    void showPage(int page);
    void clipOutPageControls(HDC dc) const;
    void makePaneBrush();
    void deletePane();
    void eraseBackground(HDC dc) const;
    HBRUSH pageControlBrush(HWND control, HDC dc) const;
    void pressFocusedButton();
    void pickColourFor(Channels& channels);
    void paintSwatches();

    ColourPicker pickColour_;
    MessageSink showMessage_;
    int dpi_ = 96;
    HFONT font_ = nullptr;
    HBRUSH tintBrush_ = nullptr;
    HBRUSH highlightBrush_ = nullptr;
    HBITMAP paneBitmap_ = nullptr;  // the notebook as drawn, behind the pages' controls
    HBRUSH paneBrush_ = nullptr;
    Channels tint_{};
    Channels highlight_{};
    Result result_ = Result::Open;
    int page_ = kIntroPage;
    HWND lastFocus_ = nullptr;  // the control that gets the focus back on reactivation
    std::array<std::vector<HWND>, 3> pageControls_;
    std::vector<HWND> groupBoxes_;
    std::vector<Laid> layout_;

    HWND window_ = nullptr;
    HWND pages_ = nullptr;
    HWND showTitleCheck_ = nullptr;
    HWND showIntroCheck_ = nullptr;
    HWND movieDateRadio_ = nullptr;
    HWND currentDateRadio_ = nullptr;
    HWND phoneEdit_ = nullptr;
    HWND fixedNameRadio_ = nullptr;
    HWND loginNameRadio_ = nullptr;
    HWND specifiedNameRadio_ = nullptr;
    HWND nameEdit_ = nullptr;
    HWND speedTrack_ = nullptr;
    HWND varianceTrack_ = nullptr;
    HWND densityTrack_ = nullptr;
    HWND tintSwatch_ = nullptr;
    HWND highlightSwatch_ = nullptr;
    HWND suspendEdit_ = nullptr;
    HWND escapeExitCheck_ = nullptr;
};

}  // namespace orvane::detail
