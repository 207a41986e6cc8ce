// The Win32 settings dialog's controls driven over their ranges from the keyboard, then "&Ok"
// and the save the About box makes of it: the values that reach TheOrvane.ini (the rows are
// shared with the Qt dialog's test). Keys are posted to the control with the focus and taken
// through the dialog manager as the dialog's modal loop takes them.
#include <windows.h>

#include <commctrl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/control_keys_table.h"
#include "config/settings_form.h"
#include "config/win32/settings_dialog_win32_detail.h"
#include "host/ini_file.h"
#include "platform/win32/wide_text.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

using detail::SettingsDialogWindow;

const std::map<std::string, UINT> kKeys = {
    {"Home", VK_HOME}, {"End", VK_END},     {"PgUp", VK_PRIOR}, {"PgDn", VK_NEXT},
    {"Left", VK_LEFT}, {"Right", VK_RIGHT}, {"Up", VK_UP},      {"Down", VK_DOWN},
    {"Space", VK_SPACE}, {"BkSp", VK_BACK},
};

const std::map<std::string, int> kControlIds = {
    {"speedSlider", detail::kSpeedTrackId},     {"varianceSlider", detail::kVarianceTrackId},
    {"densitySlider", detail::kDensityTrackId}, {"phoneEdit", detail::kPhoneEditId},
    {"nameEdit", detail::kNameEditId},          {"suspendEdit", detail::kSuspendEditId},
    {"loginNameRadio", detail::kLoginNameRadioId},
    {"movieDateRadio", detail::kMovieDateRadioId},
    {"showTitleCheck", detail::kShowTitleCheckId},
    {"showIntroCheck", detail::kShowIntroCheckId},
    {"escapeExitCheck", detail::kEscapeExitCheckId},
    {"defaultsButton", detail::kDefaultsButtonId},
    {"okButton", detail::kOkButtonId},
};

// What the dialog's modal loop does with each message: the dialog manager first.
void pump(HWND dialog) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// A key as the keyboard gives it to the control with the focus, which moves with the arrow
// keys among radio buttons.
void pressKey(HWND dialog, UINT key) {
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    pump(dialog);
    PostMessageW(GetFocus(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    pump(dialog);
}

void typeText(HWND dialog, const std::string& text) {
    for (const wchar_t c : toWide(text)) {
        PostMessageW(GetFocus(), WM_CHAR, c, 1);
        pump(dialog);
    }
}

// One dialog for every row, shown and active once (under Wine with no window manager, hiding
// a window that was in front takes two seconds), refilled for each row.
class KeyedDialog {
public:
    KeyedDialog() {
        EXPECT_TRUE(dialog_.create(nullptr));
        // No pointer over the dialog: only the keys move its controls.
        SetCursorPos(0, 0);
        ShowWindow(dialog_.window(), SW_SHOW);
        SetForegroundWindow(dialog_.window());
        // The activation comes back from the X server: let it arrive before any key.
        for (int i = 0; i < 200 && GetActiveWindow() != dialog_.window(); ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            pump(dialog_.window());
        }
        EXPECT_EQ(GetActiveWindow(), dialog_.window());
    }

    // Runs one row: the dialog filled from the loader's defaults, the keys, "&Ok", and the
    // About box's save on "&Ok". Returns the saved file's text, or nothing when "&Ok" was
    // refused.
    std::optional<std::string> saveAfterKeys(const test::ControlKeysRow& row) {
        const Settings settings;
        dialog_.setValues(settings);
        HWND window = dialog_.window();
        // The page as a click on its tab chooses it.
        HWND pages = dialog_.control(detail::kPagesId);
        TabCtrl_SetCurSel(pages, static_cast<int>(row.page));
        NMHDR change{pages, static_cast<UINT_PTR>(detail::kPagesId), TCN_SELCHANGE};
        SendMessageW(window, WM_NOTIFY, detail::kPagesId, reinterpret_cast<LPARAM>(&change));
        HWND control = dialog_.control(kControlIds.at(row.control));
        SetFocus(control);
        EXPECT_EQ(GetFocus(), control) << row.control;
        pump(window);

        for (const std::string& key : test::keysOf(row)) {
            if (key.rfind("type:", 0) == 0) {
                typeText(window, key.substr(5));
            } else {
                pressKey(window, kKeys.at(key));
            }
        }
        const std::size_t refusals = messages_.size();
        SendMessageW(dialog_.control(detail::kOkButtonId), BM_CLICK, 0, 0);
        if (messages_.size() != refusals) {
            return std::nullopt;
        }
        EXPECT_EQ(dialog_.result(), SettingsDialogWindow::Result::Accepted);
        // What the About box's "&Settings" does with the dialog's values.
        test::TempDir folder;
        const std::filesystem::path file = folder.path() / kSettingsFileName;
        EXPECT_EQ(saveSettings(*dialog_.values(settings), file), "");
        return test::TempDir::read(file);
    }

private:
    std::vector<std::wstring> messages_;
    SettingsDialogWindow dialog_{[](HWND, COLORREF) { return std::optional<COLORREF>(); },
                                 [this](HWND, const std::wstring&, const std::wstring& text) {
                                     messages_.push_back(text);
                                 }};
};

// One test, so that the dialog is made (and hidden, see KeyedDialog) once.
TEST(SettingsDialogWin32Keys, EveryControlsRangeFromTheKeyboardReachesTheFile) {
    KeyedDialog dialog;
    const std::optional<std::string> untouched =
        dialog.saveAfterKeys({"okButton", test::Page::Intro, "", "", ""});
    ASSERT_TRUE(untouched.has_value());
    EXPECT_EQ(test::savedKeys(*untouched), test::kUntouchedSave) << "Ok on an untouched dialog";

    for (const test::ControlKeysRow& row : test::kControlKeysRows) {
        const std::optional<std::string> saved = dialog.saveAfterKeys(row);
        const std::optional<std::string> value =
            saved ? IniFile(*saved).value(test::sectionOf(row.key), row.key)
                  : std::optional<std::string>(test::kNotSaved);
        const char* expected = row.storedWin32 != nullptr ? row.storedWin32 : row.stored;
        EXPECT_EQ(value.value_or("(missing)"), expected) << test::describe(row);
    }
}

}  // namespace
}  // namespace orvane
