#include "config/win32/settings_dialog_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "config/settings_form.h"
#include "config/win32/dialog_monitor.h"
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

std::wstring wideWindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string windowText(HWND window) { return toUtf8(wideWindowText(window)); }

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

// "Suspend After" as the Qt dialog has it: a character or a paste that would leave more than a
// minus sign and digits is undone (the text set by the program is not checked).
LRESULT CALLBACK minutesEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(edit, minutesEditProc, 0);
    } else if (message == WM_CHAR || message == WM_PASTE) {
        const std::wstring before = wideWindowText(edit);
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
        if (!typedMinutesAllowed(toUtf8(wideWindowText(edit)))) {
            SetWindowTextW(edit, before.c_str());
            Edit_SetSel(edit, start, end);
        }
        return result;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
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
    deletePane();
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(tintBrush_), static_cast<HGDIOBJ>(highlightBrush_)}) {
        if (object != nullptr) {
            DeleteObject(object);
        }
    }
}

void SettingsDialogWindow::deletePane() {
    for (HGDIOBJ* object : {reinterpret_cast<HGDIOBJ*>(&paneBrush_),
                            reinterpret_cast<HGDIOBJ*>(&paneBitmap_)}) {
        if (*object != nullptr) {
            DeleteObject(*object);
            *object = nullptr;
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
    // On the owner's monitor (the About box's), else the foreground window's or the pointer's,
    // at that monitor's scale.
    const HMONITOR monitor = dialogMonitor(owner);
    dpi_ = monitorDpi(monitor);

    // Fixed size: a caption with the close box, no sizing frame, no maximise box.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    const RECT frame =
        windowRectForClient(scaled(kClientWidth), scaled(kClientHeight), style, exStyle, dpi_);
    const RECT place = centredOn(monitorWorkArea(monitor), frame.right - frame.left,
                                 frame.bottom - frame.top);
    CreateWindowExW(exStyle, kWindowClass, toWide(kSettingsCaption).c_str(), style, place.left,
                    place.top, place.right - place.left, place.bottom - place.top, owner,
                    nullptr, instance, this);
    if (window_ == nullptr) {
        return false;
    }
    // The scale Windows gives the window where it stands: the monitor's for this per-monitor
    // aware program, but the window's own is the one it is drawn at.
    if (const int drawn = windowDpi(window_); drawn != dpi_) {
        dpi_ = drawn;
        const RECT again = windowRectForClient(scaled(kClientWidth), scaled(kClientHeight),
                                               style, exStyle, dpi_);
        const RECT centred = centredOn(monitorWorkArea(monitor), again.right - again.left,
                                       again.bottom - again.top);
        SetWindowPos(window_, nullptr, centred.left, centred.top, centred.right - centred.left,
                     centred.bottom - centred.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Created in the tab order: the dialog manager follows the order of creation. layOut
    // gives them their places and font.
    addControl(WC_BUTTONW, L"&Defaults", kPushButtonStyle, kDefaultsButtonId, nullptr,
               kDefaultsButtonAt, kNoPage);
    addControl(WC_BUTTONW, L"&Ok", kPushButtonStyle, kOkButtonId, nullptr, kOkButtonAt, kNoPage);
    addControl(WC_BUTTONW, L"&Cancel", kPushButtonStyle, kCancelButtonId, nullptr,
               kCancelButtonAt, kNoPage);
    pages_ = addControl(WC_TABCONTROLW, L"", WS_TABSTOP | WS_GROUP | WS_CLIPSIBLINGS, kPagesId,
                        nullptr, kPagesAt, kNoPage);
    for (std::size_t i = 0; i < kPageTitles.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageTitles[i]);
        TabCtrl_InsertItem(pages_, static_cast<int>(i), &item);
    }
    // The pages' controls lie on the notebook but below it in the z-order (which is the tab
    // order): the notebook must not paint over them.
    SetWindowSubclass(pages_, notebookProc, 0, reinterpret_cast<DWORD_PTR>(this));

    buildIntroPage();
    buildCodePage();
    buildPowerSavePage();
    layOut();

    TabCtrl_SetCurSel(pages_, kIntroPage);  // the dialog always opens on the first page
    showPage(kIntroPage);
    paintSwatches();
    return true;
}

void SettingsDialogWindow::layOut() {
    const HFONT oldFont = font_;
    font_ = CreateFontW(scaled(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_SWISS, kFontFace);
    HDC dc = GetDC(window_);
    const HGDIOBJ dcFont = dc != nullptr ? SelectObject(dc, font_) : nullptr;
    const auto place = [&](const Laid& item, POINT origin) {
        SendMessageW(item.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        if (item.group != nullptr) {
            origin.x += scaled(item.group->left);
            origin.y += scaled(item.group->top);
        }
        SIZE size{scaled(item.at->width), scaled(item.at->height)};
        if (item.label && dc != nullptr) {
            // A label is as large as its text.
            const std::wstring text = wideWindowText(item.control);
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        }
        SetWindowPos(item.control, nullptr, origin.x + scaled(item.at->left),
                     origin.y + scaled(item.at->top), size.cx, size.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // The bottom row and the notebook first: the pages lie in the notebook's display area,
    // which follows its size and its tabs' font.
    for (const Laid& item : layout_) {
        if (item.page == kNoPage) {
            place(item, POINT{0, 0});
        }
    }
    RECT display;
    GetClientRect(pages_, &display);
    TabCtrl_AdjustRect(pages_, FALSE, &display);
    const POINT page{scaled(kPagesAt.left) + display.left, scaled(kPagesAt.top) + display.top};
    for (const Laid& item : layout_) {
        if (item.page != kNoPage) {
            place(item, page);
        }
    }
    if (dc != nullptr) {
        SelectObject(dc, dcFont);
        ReleaseDC(window_, dc);
    }
    if (oldFont != nullptr) {
        DeleteObject(oldFont);  // no control uses it any more
    }
    deletePane();
    makePaneBrush();
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void SettingsDialogWindow::changeDpi(int dpi, const RECT& suggested) {
    dpi_ = dpi > 0 ? dpi : kDesignDpi;
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layOut();
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
                                      DWORD style, int id, const Place* group, const Place& at,
                                      int page, bool label) {
    const bool shown = page == kNoPage || page == kIntroPage;
    const DWORD exStyle = std::wstring_view(className) == WC_EDITW ? WS_EX_CLIENTEDGE : 0;
    HWND control = CreateWindowExW(
        exStyle, className, text.c_str(), WS_CHILD | (shown ? WS_VISIBLE : 0) | style, 0, 0, 0,
        0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
        nullptr);
    if (control == nullptr) {
        return nullptr;
    }
    if (page != kNoPage) {
        pageControls_[static_cast<std::size_t>(page)].push_back(control);
    }
    layout_.push_back(Laid{control, page, group, &at, label});
    return control;
}

HWND SettingsDialogWindow::addLabel(const std::wstring& text, const Place& group, const Place& at,
                                    int page) {
    return addControl(WC_STATICW, text, SS_LEFT | SS_NOPREFIX, 0, &group, at, page, true);
}

const Place& SettingsDialogWindow::addGroup(const std::wstring& title, const Place& at,
                                            int pageIndex) {
    groupBoxes_.push_back(
        addControl(WC_BUTTONW, title, BS_GROUPBOX | WS_GROUP, 0, nullptr, at, pageIndex));
    return at;
}

void SettingsDialogWindow::buildIntroPage() {
    constexpr int p = kIntroPage;
    // The group boxes in the tab order, which is not their order down the page.
    const Place& phone = addGroup(L"Trace Program Phone Number", kPhoneGroupAt, p);
    addLabel(L"(10 digits with spaces allowed)", phone, kPhoneHintAt, p);
    phoneEdit_ = addControl(WC_EDITW, toWide(kDefaultPhoneNumber), kEditStyle, kPhoneEditId,
                            &phone, kPhoneEditAt, p);
    // The limit holds for typing only: a longer stored text is shown, and kept, whole.
    Edit_LimitText(phoneEdit_, kPhoneMaxLength);

    const Place& name = addGroup(L"Displayed Name", kNameGroupAt, p);
    fixedNameRadio_ = addControl(WC_BUTTONW, L"Use 'Kel' as name", kFirstRadioStyle,
                                 kFixedNameRadioId, &name, kFixedNameRadioAt, p);
    loginNameRadio_ = addControl(WC_BUTTONW, L"Use computer user name", kRadioStyle,
                                 kLoginNameRadioId, &name, kLoginNameRadioAt, p);
    specifiedNameRadio_ = addControl(WC_BUTTONW, L"Use specified name", kRadioStyle,
                                     kSpecifiedNameRadioId, &name, kSpecifiedNameRadioAt, p);
    nameEdit_ = addControl(WC_EDITW, toWide(kDefaultUserName), kEditStyle, kNameEditId, &name,
                           kNameEditAt, p);
    Edit_LimitText(nameEdit_, kNameMaxLength);

    const Place& general = addGroup(L"General", kGeneralGroupAt, p);
    showTitleCheck_ = addControl(WC_BUTTONW, L"Show The Orvane title sequence", kCheckStyle,
                                 kShowTitleCheckId, &general, kShowTitleCheckAt, p);
    showIntroCheck_ = addControl(WC_BUTTONW, L"Show trace program sequence", kCheckStyle,
                                 kShowIntroCheckId, &general, kShowIntroCheckAt, p);

    const Place& dateTime = addGroup(L"Displayed Date and Time", kDateTimeGroupAt, p);
    movieDateRadio_ = addControl(WC_BUTTONW, L"Date/Time from movie", kFirstRadioStyle,
                                 kMovieDateRadioId, &dateTime, kMovieDateRadioAt, p);
    currentDateRadio_ = addControl(WC_BUTTONW, L"Current date/time", kRadioStyle,
                                   kCurrentDateRadioId, &dateTime, kCurrentDateRadioAt, p);

    // The form's own state until it is filled.
    setChecked(loginNameRadio_, true);
    setChecked(fixedNameRadio_, false);
    setChecked(specifiedNameRadio_, false);
    setChecked(movieDateRadio_, true);
    setChecked(currentDateRadio_, false);
}

void SettingsDialogWindow::buildCodePage() {
    constexpr int p = kCodePage;
    const auto track = [&](const Place& group, int id, const Place& at, DWORD style,
                           int minimum) {
        HWND control = addControl(TRACKBAR_CLASSW, L"", style, id, &group, at, p);
        SendMessageW(control, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, kTrackMax));
        SendMessageW(control, TBM_SETPAGESIZE, 0, 1);
        return control;
    };
    const auto swatch = [&](const Place& group, int id, const Place& at) {
        return addControl(WC_STATICW, L"", SS_SUNKEN, id, &group, at, p);
    };

    const Place& speed = addGroup(L"Speed Settings", kSpeedGroupAt, p);
    addLabel(L"Scroll Speed", speed, kScrollSpeedLabelAt, p);
    speedTrack_ = track(speed, kSpeedTrackId, kSpeedTrackAt, kTrackStyle, kTrackMin);
    addLabel(L"Variability", speed, kVariabilityLabelAt, p);
    varianceTrack_ = track(speed, kVarianceTrackId, kVarianceTrackAt, kTrackStyle, kTrackMin);

    const Place& density = addGroup(L"Density", kDensityGroupAt, p);
    densityTrack_ =
        track(density, kDensityTrackId, kDensityTrackAt, kDensityTrackStyle, kDensityMin);
    SendMessageW(densityTrack_, TBM_SETTICFREQ, 1, 0);

    const Place& colour = addGroup(L"Colour", kColourGroupAt, p);
    addLabel(L"Code ", colour, kCodeLabelAt, p);
    tintSwatch_ = swatch(colour, kTintSwatchId, kTintSwatchAt);
    addControl(WC_BUTTONW, L"Select...", kPushButtonStyle, kTintSelectButtonId, &colour,
               kTintSelectButtonAt, p);
    addLabel(L"Highlight", colour, kHighlightLabelAt, p);
    highlightSwatch_ = swatch(colour, kHighlightSwatchId, kHighlightSwatchAt);
    addControl(WC_BUTTONW, L"Select...", kPushButtonStyle, kHighlightSelectButtonId, &colour,
               kHighlightSelectButtonAt, p);
}

void SettingsDialogWindow::buildPowerSavePage() {
    constexpr int p = kPowerSavePage;
    const Place& group = addGroup(L"Power Save", kPowerSaveGroupAt, p);
    addLabel(L"Suspend After", group, kSuspendLabelAt, p);
    suspendEdit_ = addControl(WC_EDITW, toWide(kDefaultSuspend), kEditStyle, kSuspendEditId,
                              &group, kSuspendEditAt, p);
    SetWindowSubclass(suspendEdit_, minutesEditProc, 0, 0);
    addLabel(L"minutes", group, kMinutesLabelAt, p);
    escapeExitCheck_ = addControl(WC_BUTTONW, L"Use Escape/LMB Exit", kCheckStyle,
                                  kEscapeExitCheckId, &group, kEscapeExitCheckAt, p);
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
    case WM_DPICHANGED:
        // Moved to a monitor of another scale (or the user changed it): the system's place,
        // the controls and their font again from the 96-dpi layout at the new scale.
        changeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
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
