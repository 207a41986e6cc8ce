// The settings dialog's controls driven over their ranges from the keyboard, then "&Ok"
// through the About box's edit cycle: the values that reach TheOrvane.ini (the rows are shared
// with the Win32 dialog's test).
#include <map>

#include <QApplication>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "config/control_keys_table.h"
#include "config/settings_edit.h"
#include "config_test_support.h"
#include "host/ini_file.h"

namespace orvane {
namespace {

const std::map<std::string, Qt::Key> kKeys = {
    {"Home", Qt::Key_Home}, {"End", Qt::Key_End},     {"PgUp", Qt::Key_PageUp},
    {"PgDn", Qt::Key_PageDown}, {"Left", Qt::Key_Left}, {"Right", Qt::Key_Right},
    {"Up", Qt::Key_Up},     {"Down", Qt::Key_Down},   {"Space", Qt::Key_Space},
    {"BkSp", Qt::Key_Backspace},
};

// Characters beyond ASCII, which QTest has no key for, arrive as text alone.
void typeText(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                                QString(c), Qt::NoModifier);
        }
    }
}

// Runs one row: a new dialog from the loader's defaults, the keys, "&Ok" (then "&Cancel"
// when refused). Returns the saved file's text, or nothing when no file was written.
std::optional<std::string> saveAfterKeys(const test::ControlKeysRow& row) {
    test::TempFolder folder;
    test::RecordingServices recorder;
    recorder.run = [&row](SettingsDialog& dialog) {
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        dialog.findChild<QTabWidget*>("pages")->setCurrentIndex(static_cast<int>(row.page));
        QWidget* control = dialog.findChild<QWidget*>(row.control);
        EXPECT_NE(control, nullptr) << row.control;
        if (control == nullptr) {
            return 0;
        }
        control->setFocus();
        EXPECT_EQ(QApplication::focusWidget(), control) << row.control;
        for (const std::string& key : test::keysOf(row)) {
            // The focus moves with the arrow keys among radio buttons: each key goes where
            // the focus is now.
            if (key.rfind("type:", 0) == 0) {
                typeText(QString::fromUtf8(key.substr(5)));
            } else {
                QTest::keyClick(QApplication::focusWidget(), kKeys.at(key));
            }
        }
        dialog.findChild<QPushButton*>("okButton")->click();
        if (dialog.isVisible()) {
            dialog.findChild<QPushButton*>("cancelButton")->click();
        }
        return dialog.result();
    };
    Settings settings;
    const std::filesystem::path file = folder.file("TheOrvane.ini");
    editSettings(nullptr, settings, file, recorder.make(folder.path()));
    if (!std::filesystem::exists(file)) {
        return std::nullopt;
    }
    return test::readText(file);
}

TEST(SettingsDialogKeys, EveryControlsRangeFromTheKeyboardReachesTheFile) {
    for (const test::ControlKeysRow& row : test::kControlKeysRows) {
        const std::optional<std::string> saved = saveAfterKeys(row);
        const std::optional<std::string> value =
            saved ? IniFile(*saved).value(test::sectionOf(row.key), row.key)
                  : std::optional<std::string>(test::kNotSaved);
        EXPECT_EQ(value.value_or("(missing)"), row.stored) << test::describe(row);
    }
}

TEST(SettingsDialogKeys, OkOnAnUntouchedDialogWritesEveryKeyInOrder) {
    const std::optional<std::string> saved =
        saveAfterKeys({"okButton", test::Page::Intro, "", "", ""});
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(test::savedKeys(*saved), test::kUntouchedSave);
}

}  // namespace
}  // namespace orvane
