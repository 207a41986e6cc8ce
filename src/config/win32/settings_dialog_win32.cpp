#include "config/win32/settings_dialog_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "config/settings_form.h"
#include "config/win32/settings_dialog_win32_detail.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace detail {

// A control's place at 96 dpi; a label's size is its text's (width and height 0).
struct SettingsDialogWindow::Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

namespace {

using Place = SettingsDialogWindow::Place;

constexpr const wchar_t* kWindowClass = L"TheOrvaneSettings";
constexpr int kDesignDpi = 96;
constexpr int kClientWidth = 290;
constexpr int kClientHeight = 386;
constexpr int kFontHeight = -11;  // 8 points at 96 dpi
constexpr const wchar_t* kFontFace = L"MS Sans Serif";
constexpr int kNoPage = -1;  // the bottom row and the notebook: on every page

// The bottom row and the notebook, in the dialog's client area.
constexpr Place kDefaultsButtonAt{32, 356, 75, 25};
constexpr Place kOkButtonAt{120, 356, 75, 25};
constexpr Place kCancelButtonAt{206, 356, 75, 25};
constexpr Place kPagesAt{8, 8, 273, 341};

// Group boxes lie in the notebook's display area; their controls in the group box.
// "Intro Sequence"
constexpr Place kGeneralGroupAt{4, 4, 257, 69};
constexpr Place kShowTitleCheckAt{12, 20, 177, 17};
constexpr Place kShowIntroCheckAt{12, 40, 177, 17};
constexpr Place kDateTimeGroupAt{4, 80, 257, 65};
constexpr Place kMovieDateRadioAt{12, 20, 153, 17};
constexpr Place kCurrentDateRadioAt{12, 40, 113, 17};
constexpr Place kPhoneGroupAt{4, 152, 257, 57};
constexpr Place kPhoneHintAt{12, 24};
constexpr Place kPhoneEditAt{172, 20, 73, 21};
constexpr Place kNameGroupAt{4, 216, 257, 89};
constexpr Place kFixedNameRadioAt{12, 20, 113, 17};
constexpr Place kLoginNameRadioAt{12, 40, 149, 17};
constexpr Place kSpecifiedNameRadioAt{12, 60, 113, 17};
constexpr Place kNameEditAt{156, 56, 89, 21};
// "Code Emulation"
constexpr Place kSpeedGroupAt{4, 4, 257, 89};
constexpr Place kScrollSpeedLabelAt{12, 24};
constexpr Place kSpeedTrackAt{80, 20, 169, 25};
constexpr Place kVariabilityLabelAt{12, 56};
constexpr Place kVarianceTrackAt{80, 52, 169, 25};
constexpr Place kDensityGroupAt{4, 100, 257, 61};
constexpr Place kDensityTrackAt{8, 20, 241, 33};
constexpr Place kColourGroupAt{4, 172, 257, 101};
constexpr Place kCodeLabelAt{12, 28};
constexpr Place kTintSwatchAt{84, 24, 73, 25};
constexpr Place kTintSelectButtonAt{168, 24, 75, 25};
constexpr Place kHighlightLabelAt{12, 64};
constexpr Place kHighlightSwatchAt{84, 60, 73, 25};
constexpr Place kHighlightSelectButtonAt{168, 60, 75, 25};
// "Power Save"
constexpr Place kPowerSaveGroupAt{8, 8, 249, 105};
constexpr Place kSuspendLabelAt{16, 26};
constexpr Place kSuspendEditAt{96, 24, 49, 21};
constexpr Place kMinutesLabelAt{160, 26};
constexpr Place kEscapeExitCheckAt{16, 64, 145, 17};

constexpr std::array<const wchar_t*, 3> kPageTitles = {L"Intro Sequence", L"Code Emulation",
                                                       L"Power Save"};

// Every control starts a group of its own, except the radio buttons after a group's first:
// the arrow keys then move only among the radio buttons of one group box.
constexpr DWORD kPushButtonStyle = BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;
constexpr DWORD kCheckStyle = BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
constexpr DWORD kFirstRadioStyle = BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP;
constexpr DWORD kRadioStyle = BS_AUTORADIOBUTTON | WS_TABSTOP;
constexpr DWORD kEditStyle = ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
constexpr DWORD kTrackStyle = TBS_HORZ | TBS_NOTICKS | WS_TABSTOP | WS_GROUP;
constexpr DWORD kDensityTrackStyle = TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP | WS_GROUP;

std::string windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return toUtf8(text);
}

void setWindowText(HWND window, const std::string& text) {
    SetWindowTextW(window, toWide(text).c_str());
}

bool isChecked(HWND button) { return Button_GetCheck(button) == BST_CHECKED; }

void setChecked(HWND button, bool checked) {
    Button_SetCheck(button, checked ? BST_CHECKED : BST_UNCHECKED);
}

int trackPosition(HWND track) { return static_cast<int>(SendMessageW(track, TBM_GETPOS, 0, 0)); }

void setTrackPosition(HWND track, int position) {
    SendMessageW(track, TBM_SETPOS, TRUE, position);
}

bool isPushButton(HWND window) {
    const auto code = SendMessageW(window, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

std::optional<COLORREF> chooseColour(HWND owner, COLORREF preset,
                                     std::array<COLORREF, 16>& customColours) {
    CHOOSECOLORW choice{};
    choice.lStructSize = sizeof(choice);
    choice.hwndOwner = owner;
    choice.rgbResult = preset;
    choice.lpCustColors = customColours.data();
    choice.Flags = CC_FULLOPEN | CC_ANYCOLOR | CC_RGBINIT;
    if (!ChooseColorW(&choice)) {
        return std::nullopt;
    }
    return choice.rgbResult;
}

void initCommonControls() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_TAB_CLASSES | ICC_BAR_CLASSES;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

}  // namespace

SettingsDialogWindow::SettingsDialogWindow(ColourPicker pickColour, MessageSink showMessage)
    : pickColour_(std::move(pickColour)), showMessage_(std::move(showMessage)) {}

SettingsDialogWindow::~SettingsDialogWindow() {
    destroy();
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(tintBrush_), static_cast<HGDIOBJ>(highlightBrush_),
                           static_cast<HGDIOBJ>(paneBrush_), static_cast<HGDIOBJ>(paneBitmap_)}) {
        if (object != nullptr) {
            DeleteObject(object);
        }
    }
}

void SettingsDialogWindow::destroy() {
    if (window_ != nullptr) {
        DestroyWindow(window_);  // WM_NCDESTROY clears window_
    }
    // Only once every control that used it is gone.
    if (font_ != nullptr) {
        DeleteObject(font_);
        font_ = nullptr;
    }
}

int SettingsDialogWindow::scaled(int designPx) const { return MulDiv(designPx, dpi_, kDesignDpi); }

bool SettingsDialogWindow::create(HWND owner) {
    initCommonControls();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }
    if (HDC screen = GetDC(nullptr)) {
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    font_ = CreateFontW(scaled(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, kFontFace);

    // Fixed size: a caption with the close box, no sizing frame, no maximise box.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, scaled(kClientWidth), scaled(kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowExW(exStyle, kWindowClass, toWide(kSettingsCaption).c_str(), style, left, top,
                    width, height, owner, nullptr, instance, this);
    if (window_ == nullptr) {
        return false;
    }

    // Created in the tab order: the dialog manager follows the order of creation.
    const POINT client{0, 0};
    addControl(WC_BUTTONW, L"&Defaults", kPushButtonStyle, kDefaultsButtonId, client,
               kDefaultsButtonAt, kNoPage);
    addControl(WC_BUTTONW, L"&Ok", kPushButtonStyle, kOkButtonId, client, kOkButtonAt, kNoPage);
    addControl(WC_BUTTONW, L"&Cancel", kPushButtonStyle, kCancelButtonId, client,
               kCancelButtonAt, kNoPage);
    pages_ = addControl(WC_TABCONTROLW, L"", WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS, kPagesId,
                        client, kPagesAt, kNoPage);
    for (std::size_t i = 0; i < kPageTitles.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageTitles[i]);
        TabCtrl_InsertItem(pages_, static_cast<int>(i), &item);
    }
    // The pages' controls lie on the notebook but below it in the z-order (which is the tab
    // order): the notebook must not paint over them.
    SetWindowSubclass(pages_, notebookProc, 0, reinterpret_cast<DWORD_PTR>(this));

    RECT display;
    GetClientRect(pages_, &display);
    TabCtrl_AdjustRect(pages_, FALSE, &display);
    const POINT page{scaled(kPagesAt.left) + display.left, scaled(kPagesAt.top) + display.top};
    buildIntroPage(page);
    buildCodePage(page);
    buildPowerSavePage(page);

    TabCtrl_SetCurSel(pages_, kIntroPage);  // the dialog always opens on the first page
    showPage(kIntroPage);
    paintSwatches();
    makePaneBrush();
    return true;
}

// With visual styles the notebook's pane is not the dialog's colour: the controls on it take
// their background from a picture of the notebook, aligned to where they lie on it.
void SettingsDialogWindow::makePaneBrush() {
    RECT area;
    GetClientRect(pages_, &area);
    HDC screen = GetDC(pages_);
    if (screen == nullptr) {
        return;
    }
    HDC memory = CreateCompatibleDC(screen);
    paneBitmap_ = CreateCompatibleBitmap(screen, area.right, area.bottom);
    if (memory != nullptr && paneBitmap_ != nullptr) {
        const HGDIOBJ old = SelectObject(memory, paneBitmap_);
        // Without a theme the notebook leaves its pane to the background brush.
        FillRect(memory, &area, GetSysColorBrush(COLOR_BTNFACE));
        SendMessageW(pages_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
        SelectObject(memory, old);
        paneBrush_ = CreatePatternBrush(paneBitmap_);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    ReleaseDC(pages_, screen);
}

HBRUSH SettingsDialogWindow::pageControlBrush(HWND control, HDC dc) const {
    const std::vector<HWND>& shown = pageControls_[static_cast<std::size_t>(page_)];
    if (paneBrush_ == nullptr || std::find(shown.begin(), shown.end(), control) == shown.end()) {
        return nullptr;
    }
    POINT at{0, 0};
    MapWindowPoints(control, pages_, &at, 1);
    SetBrushOrgEx(dc, -at.x, -at.y, nullptr);
    SetBkMode(dc, TRANSPARENT);
    return paneBrush_;
}

// Also what themed controls draw behind themselves: they ask their parent for its background.
void SettingsDialogWindow::eraseBackground(HDC dc) const {
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (paneBrush_ == nullptr) {
        return;
    }
    RECT notebook;
    GetWindowRect(pages_, &notebook);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&notebook), 2);
    POINT origin{0, 0};
    GetViewportOrgEx(dc, &origin);
    POINT oldBrushOrigin;
    SetBrushOrgEx(dc, notebook.left + origin.x, notebook.top + origin.y, &oldBrushOrigin);
    FillRect(dc, &notebook, paneBrush_);
    SetBrushOrgEx(dc, oldBrushOrigin.x, oldBrushOrigin.y, nullptr);
}

HWND SettingsDialogWindow::addControl(const wchar_t* className, const std::wstring& text,
                                      DWORD style, int id, POINT origin, const Place& at,
                                      int page) {
    const bool shown = page == kNoPage || page == kIntroPage;
    const DWORD exStyle = std::wstring_view(className) == WC_EDITW ? WS_EX_CLIENTEDGE : 0;
    HWND control = CreateWindowExW(
        exStyle, className, text.c_str(), WS_CHILD | (shown ? WS_VISIBLE : 0) | style,
        origin.x + scaled(at.left), origin.y + scaled(at.top), scaled(at.width),
        scaled(at.height), window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (page != kNoPage) {
        pageControls_[static_cast<std::size_t>(page)].push_back(control);
    }
    return control;
}

HWND SettingsDialogWindow::addLabel(const std::wstring& text, POINT origin, const Place& at,
                                    int page) {
    SIZE size{0, 0};
    if (HDC dc = GetDC(window_)) {
        const HGDIOBJ old = SelectObject(dc, font_);
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(window_, dc);
    }
    HWND label = addControl(WC_STATICW, text, SS_LEFT | SS_NOPREFIX, 0, origin, at, page);
    SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    return label;
}

POINT SettingsDialogWindow::addGroup(const std::wstring& title, POINT page, const Place& at,
                                     int pageIndex) {
    groupBoxes_.push_back(
        addControl(WC_BUTTONW, title, BS_GROUPBOX | WS_GROUP, 0, page, at, pageIndex));
    return {page.x + scaled(at.left), page.y + scaled(at.top)};
}

void SettingsDialogWindow::buildIntroPage(POINT page) {
    constexpr int p = kIntroPage;
    // The group boxes in the tab order, which is not their order down the page.
    const POINT phone = addGroup(L"Trace Program Phone Number", page, kPhoneGroupAt, p);
    addLabel(L"(10 digits with spaces allowed)", phone, kPhoneHintAt, p);
    phoneEdit_ = addControl(WC_EDITW, toWide(kDefaultPhoneNumber), kEditStyle, kPhoneEditId,
                            phone, kPhoneEditAt, p);
    // The limit holds for typing only: a longer stored text is shown, and kept, whole.
    Edit_LimitText(phoneEdit_, kPhoneMaxLength);

    const POINT name = addGroup(L"Displayed Name", page, kNameGroupAt, p);
    fixedNameRadio_ = addControl(WC_BUTTONW, L"Use 'Kel' as name", kFirstRadioStyle,
                                 kFixedNameRadioId, name, kFixedNameRadioAt, p);
    loginNameRadio_ = addControl(WC_BUTTONW, L"Use computer user name", kRadioStyle,
                                 kLoginNameRadioId, name, kLoginNameRadioAt, p);
    specifiedNameRadio_ = addControl(WC_BUTTONW, L"Use specified name", kRadioStyle,
                                     kSpecifiedNameRadioId, name, kSpecifiedNameRadioAt, p);
    nameEdit_ = addControl(WC_EDITW, toWide(kDefaultUserName), kEditStyle, kNameEditId, name,
                           kNameEditAt, p);
    Edit_LimitText(nameEdit_, kNameMaxLength);

    const POINT general = addGroup(L"General", page, kGeneralGroupAt, p);
    showTitleCheck_ = addControl(WC_BUTTONW, L"Show The Orvane title sequence", kCheckStyle,
                                 kShowTitleCheckId, general, kShowTitleCheckAt, p);
    showIntroCheck_ = addControl(WC_BUTTONW, L"Show trace program sequence", kCheckStyle,
                                 kShowIntroCheckId, general, kShowIntroCheckAt, p);

    const POINT dateTime = addGroup(L"Displayed Date and Time", page, kDateTimeGroupAt, p);
    movieDateRadio_ = addControl(WC_BUTTONW, L"Date/Time from movie", kFirstRadioStyle,
                                 kMovieDateRadioId, dateTime, kMovieDateRadioAt, p);
    currentDateRadio_ = addControl(WC_BUTTONW, L"Current date/time", kRadioStyle,
                                   kCurrentDateRadioId, dateTime, kCurrentDateRadioAt, p);

    // The form's own state until it is filled.
    setChecked(loginNameRadio_, true);
    setChecked(fixedNameRadio_, false);
    setChecked(specifiedNameRadio_, false);
    setChecked(movieDateRadio_, true);
    setChecked(currentDateRadio_, false);
}

void SettingsDialogWindow::buildCodePage(POINT page) {
    constexpr int p = kCodePage;
    const auto track = [&](POINT group, int id, const Place& at, DWORD style, int minimum) {
        HWND control = addControl(TRACKBAR_CLASSW, L"", style, id, group, at, p);
        SendMessageW(control, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, kTrackMax));
        SendMessageW(control, TBM_SETPAGESIZE, 0, 1);
        return control;
    };
    const auto swatch = [&](POINT group, int id, const Place& at) {
        return addControl(WC_STATICW, L"", SS_SUNKEN, id, group, at, p);
    };

    const POINT speed = addGroup(L"Speed Settings", page, kSpeedGroupAt, p);
    addLabel(L"Scroll Speed", speed, kScrollSpeedLabelAt, p);
    speedTrack_ = track(speed, kSpeedTrackId, kSpeedTrackAt, kTrackStyle, kTrackMin);
    addLabel(L"Variability", speed, kVariabilityLabelAt, p);
    varianceTrack_ = track(speed, kVarianceTrackId, kVarianceTrackAt, kTrackStyle, kTrackMin);

    const POINT density = addGroup(L"Density", page, kDensityGroupAt, p);
    densityTrack_ =
        track(density, kDensityTrackId, kDensityTrackAt, kDensityTrackStyle, kDensityMin);
    SendMessageW(densityTrack_, TBM_SETTICFREQ, 1, 0);

    const POINT colour = addGroup(L"Colour", page, kColourGroupAt, p);
    addLabel(L"Code ", colour, kCodeLabelAt, p);
    tintSwatch_ = swatch(colour, kTintSwatchId, kTintSwatchAt);
    addControl(WC_BUTTONW, L"Select...", kPushButtonStyle, kTintSelectButtonId, colour,
               kTintSelectButtonAt, p);
    addLabel(L"Highlight", colour, kHighlightLabelAt, p);
    highlightSwatch_ = swatch(colour, kHighlightSwatchId, kHighlightSwatchAt);
    addControl(WC_BUTTONW, L"Select...", kPushButtonStyle, kHighlightSelectButtonId, colour,
               kHighlightSelectButtonAt, p);
}

void SettingsDialogWindow::buildPowerSavePage(POINT page) {
    constexpr int p = kPowerSavePage;
    const POINT group = addGroup(L"Power Save", page, kPowerSaveGroupAt, p);
    addLabel(L"Suspend After", group, kSuspendLabelAt, p);
    suspendEdit_ = addControl(WC_EDITW, toWide(kDefaultSuspend), kEditStyle, kSuspendEditId,
                              group, kSuspendEditAt, p);
    addLabel(L"minutes", group, kMinutesLabelAt, p);
    escapeExitCheck_ = addControl(WC_BUTTONW, L"Use Escape/LMB Exit", kCheckStyle,
                                  kEscapeExitCheckId, group, kEscapeExitCheckAt, p);
}

void SettingsDialogWindow::setValues(const Settings& s) { setControls(controlsFrom(s)); }

void SettingsDialogWindow::setControls(const SettingsControls& c) {
    setChecked(showTitleCheck_, c.showTitle);
    setChecked(showIntroCheck_, c.showIntro);
    setWindowText(phoneEdit_, c.phoneNumber);
    setWindowText(nameEdit_, c.userName);
    // Each radio button set on its own: only a click unchecks the others of its group.
    setChecked(fixedNameRadio_, c.nameChoice == NameChoice::Fixed);
    setChecked(loginNameRadio_, c.nameChoice == NameChoice::LoggedOn);
    setChecked(specifiedNameRadio_, c.nameChoice == NameChoice::Specified);
    setChecked(movieDateRadio_, !c.currentDateTime);
    setChecked(currentDateRadio_, c.currentDateTime);
    tint_ = c.tint;
    highlight_ = c.highlight;
    setTrackPosition(speedTrack_, c.speedPosition);
    setTrackPosition(varianceTrack_, c.variancePosition);
    setTrackPosition(densityTrack_, c.densityPosition);
    setWindowText(suspendEdit_, c.suspendText);
    setChecked(escapeExitCheck_, c.escapeExit);
    paintSwatches();
}

SettingsControls SettingsDialogWindow::controls() const {
    SettingsControls c;
    c.showTitle = isChecked(showTitleCheck_);
    c.showIntro = isChecked(showIntroCheck_);
    c.phoneNumber = windowText(phoneEdit_);
    c.nameChoice = isChecked(fixedNameRadio_)   ? NameChoice::Fixed
                   : isChecked(loginNameRadio_) ? NameChoice::LoggedOn
                                                : NameChoice::Specified;
    c.currentDateTime = !isChecked(movieDateRadio_);
    c.userName = windowText(nameEdit_);
    c.tint = tint_;
    c.highlight = highlight_;
    c.speedPosition = trackPosition(speedTrack_);
    c.variancePosition = trackPosition(varianceTrack_);
    c.densityPosition = trackPosition(densityTrack_);
    c.suspendText = windowText(suspendEdit_);
    c.escapeExit = isChecked(escapeExitCheck_);
    return c;
}

std::optional<Settings> SettingsDialogWindow::values(const Settings& current) const {
    return settingsFrom(controls(), current);
}

void SettingsDialogWindow::restoreDefaults() { setControls(defaultControls()); }

void SettingsDialogWindow::accept() {
    if (!parseMinutes(windowText(suspendEdit_))) {
        showMessage_(window_, toWide(kSettingsCaption), toWide(suspendRefusalText()));
        TabCtrl_SetCurSel(pages_, kPowerSavePage);
        showPage(kPowerSavePage);
        SetFocus(suspendEdit_);
        Edit_SetSel(suspendEdit_, 0, -1);
        return;
    }
    result_ = Result::Accepted;
}

void SettingsDialogWindow::showPage(int page) {
    page_ = page;
    for (std::size_t i = 0; i < pageControls_.size(); ++i) {
        for (HWND control : pageControls_[i]) {
            ShowWindow(control, static_cast<int>(i) == page ? SW_SHOWNA : SW_HIDE);
        }
    }
    // A hidden control must not keep the focus.
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus) && !IsWindowVisible(focus)) {
        SetFocus(pages_);
    }
}

void SettingsDialogWindow::clipOutPageControls(HDC dc) const {
    RECT notebook;
    GetWindowRect(pages_, &notebook);
    for (HWND control : pageControls_[static_cast<std::size_t>(page_)]) {
        // A group box paints only its frame and title: what lies inside is the notebook's.
        if (std::find(groupBoxes_.begin(), groupBoxes_.end(), control) != groupBoxes_.end()) {
            continue;
        }
        RECT r;
        GetWindowRect(control, &r);
        ExcludeClipRect(dc, r.left - notebook.left, r.top - notebook.top, r.right - notebook.left,
                        r.bottom - notebook.top);
    }
}

void SettingsDialogWindow::pressFocusedButton() {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus) && isPushButton(focus)) {
        SendMessageW(focus, BM_CLICK, 0, 0);
    }
}

void SettingsDialogWindow::pickColourFor(Channels& channels) {
    const std::optional<COLORREF> picked = pickColour_(window_, swatchColour(channels));
    if (!picked) {
        return;  // cancelled: nothing changes
    }
    channels = {GetRValue(*picked), GetGValue(*picked), GetBValue(*picked)};
    paintSwatches();
}

void SettingsDialogWindow::paintSwatches() {
    // A COLORREF holds red in its low byte, as the swatch colour does.
    const auto repaint = [](HWND swatch, HBRUSH& brush, const Channels& channels) {
        if (brush != nullptr) {
            DeleteObject(brush);
        }
        brush = CreateSolidBrush(swatchColour(channels));
        InvalidateRect(swatch, nullptr, TRUE);
    };
    repaint(tintSwatch_, tintBrush_, tint_);
    repaint(highlightSwatch_, highlightBrush_, highlight_);
}

void SettingsDialogWindow::command(int id, int code) {
    switch (id) {
    case kDefaultsButtonId: restoreDefaults(); break;
    case kOkButtonId: accept(); break;
    case kCancelButtonId: reject(); break;
    case IDOK:
        // Enter with no default button: it presses the focused push button and nothing else;
        // in an edit, on a check box or on the notebook it keeps what was typed.
        pressFocusedButton();
        break;
    case kTintSelectButtonId:
        if (code == BN_CLICKED) {
            pickColourFor(tint_);
        }
        break;
    case kHighlightSelectButtonId:
        if (code == BN_CLICKED) {
            pickColourFor(highlight_);
        }
        break;
    default: break;
    }
}

LRESULT CALLBACK SettingsDialogWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<SettingsDialogWindow*>(create->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<SettingsDialogWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT CALLBACK SettingsDialogWindow::notebookProc(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    const auto* dialog = reinterpret_cast<const SettingsDialogWindow*>(self);
    switch (message) {
    case WM_ERASEBKGND:
        dialog->clipOutPageControls(reinterpret_cast<HDC>(wParam));
        break;
    case WM_PAINT: {
        if (wParam != 0) {
            break;
        }
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        dialog->clipOutPageControls(dc);
        DefSubclassProc(window, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, notebookProc, 0);
        break;
    default: break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT SettingsDialogWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == pages_ && header->code == TCN_SELCHANGE) {
            showPage(TabCtrl_GetCurSel(pages_));
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        const auto control = reinterpret_cast<HWND>(lParam);
        if (control == tintSwatch_ && tintBrush_ != nullptr) {
            return reinterpret_cast<LRESULT>(tintBrush_);
        }
        if (control == highlightSwatch_ && highlightBrush_ != nullptr) {
            return reinterpret_cast<LRESULT>(highlightBrush_);
        }
        if (HBRUSH brush = pageControlBrush(control, reinterpret_cast<HDC>(wParam))) {
            return reinterpret_cast<LRESULT>(brush);
        }
        break;
    }
    case WM_ERASEBKGND:
        eraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PRINTCLIENT:
        if ((lParam & PRF_ERASEBKGND) != 0) {
            eraseBackground(reinterpret_cast<HDC>(wParam));
        }
        return 0;
    case WM_ACTIVATE:
        // Not a system dialog: the focus is kept and given back here.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window_, focus)) {
                lastFocus_ = focus;
            }
        } else {
            SetFocus(window_);
        }
        return 0;
    case WM_SETFOCUS: {
        HWND target = lastFocus_ != nullptr && IsWindowVisible(lastFocus_)
                          ? lastFocus_
                          : GetNextDlgTabItem(window_, nullptr, FALSE);
        if (target != nullptr) {
            SetFocus(target);
        }
        return 0;
    }
    case WM_CLOSE:
        reject();  // the close box counts as "&Cancel"
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        break;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace detail

namespace {

void showMessageBox(HWND owner, const std::wstring& caption, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), caption.c_str(), MB_ICONWARNING | MB_OK);
}

}  // namespace

std::optional<Settings> runSettingsDialog(HWND owner, const Settings& settings) {
    std::array<COLORREF, 16> customColours{};
    customColours.fill(RGB(255, 255, 255));
    detail::SettingsDialogWindow dialog(
        [&customColours](HWND parent, COLORREF preset) {
            return detail::chooseColour(parent, preset, customColours);
        },
        showMessageBox);
    if (!dialog.create(owner)) {
        return std::nullopt;
    }
    dialog.setValues(settings);

    // Modal over the owner: it takes no input until the dialog ends.
    const bool ownerWasDisabled = owner != nullptr && EnableWindow(owner, FALSE) != FALSE;
    ShowWindow(dialog.window(), SW_SHOW);
    MSG message;
    while (dialog.result() == detail::SettingsDialogWindow::Result::Open) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the owner's loop
            break;
        }
        if (got < 0) {
            break;
        }
        if (!IsDialogMessageW(dialog.window(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    std::optional<Settings> edited;
    if (dialog.result() == detail::SettingsDialogWindow::Result::Accepted) {
        edited = dialog.values(settings);
    }
    // The owner is enabled again before the dialog goes, so that it takes the activation back.
    if (owner != nullptr && !ownerWasDisabled) {
        EnableWindow(owner, TRUE);
    }
    dialog.destroy();
    if (owner != nullptr) {
        SetActiveWindow(owner);
    }
    return edited;
}

}  // namespace orvane
