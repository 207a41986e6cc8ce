#include "config/settings_dialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include "config_test_support.h"
#include "support/fixed_texts.h"
#include "host/ini_file.h"

namespace orvane {
namespace {

// A dialog whose colour picker answers from a list and whose messages are recorded.
struct DialogFixture {
    QStringList messages;
    std::vector<std::optional<QColor>> pickerAnswers;
    std::vector<QColor> pickerPresets;
    SettingsDialog dialog{
        [this](QWidget*, const QColor& preset) {
            pickerPresets.push_back(preset);
            const std::optional<QColor> answer = pickerAnswers.front();
            pickerAnswers.erase(pickerAnswers.begin());
            return answer;
        },
        [this](QWidget*, const QString&, const QString& text) { messages << text; }};

    template <typename T>
    T* control(const char* name) {
        T* found = dialog.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    int position(const char* slider) { return control<QSlider>(slider)->value(); }
    // Into the dialog and straight back out, as "&Ok" without changes does.
    Settings roundTrip(const Settings& settings) {
        dialog.setValues(settings);
        return dialog.values(settings).value();
    }
};

TEST(SettingsDialogMapping, SpeedAndVariabilityTakeWholeSteps) {
    DialogFixture f;
    Settings s;  // the loader's defaults: 2400 and 130
    EXPECT_EQ(f.roundTrip(s).variance, 120);      // 130 / 20 = 6.5 -> 6 -> 120
    EXPECT_EQ(f.position("speedSlider"), 4);      // (4000 - 2400) / 400
    s.overallSpeed = 2300;                        // 1700 / 400 = 4.25 -> 4
    EXPECT_EQ(f.roundTrip(s).overallSpeed, 2400);

    // Position 10 saves 0, which the loader raises to 400, which opens on (3600 / 400) 9.
    f.control<QSlider>("speedSlider")->setValue(10);
    IniFile file;
    storeSettings(f.dialog.values(s).value(), file);
    EXPECT_EQ(file.value("Settings", "OverallSpeed"), "0");
    f.dialog.setValues(loadSettings(IniFile(file.text())));
    EXPECT_EQ(f.position("speedSlider"), 9);
}

TEST(SettingsDialogMapping, DensitiesFromTheFileComeBackUnchanged) {
    for (const int density : {3, 6, 7, 10}) {
        DialogFixture f;
        IniFile file("[Settings]\nDensity=" + std::to_string(density) + "\n");
        const Settings s = loadSettings(file);
        f.dialog.setValues(s);
        EXPECT_EQ(f.position("densitySlider"), density);
        storeSettings(f.dialog.values(s).value(), file);
        EXPECT_EQ(file.value("Settings", "Density"), std::to_string(density));
    }
}

TEST(SettingsDialogMapping, ChoicesAndTextsRoundTrip) {
    DialogFixture f;
    Settings s;
    s.userMode = 5;
    s.dateTimeMode = -7;
    Settings back = f.roundTrip(s);
    EXPECT_TRUE(f.control<QRadioButton>("specifiedNameRadio")->isChecked());
    EXPECT_EQ(back.userMode, 2);
    EXPECT_EQ(back.dateTimeMode, 1);
    s = {};
    s.userMode = 0;
    s.showTitle = false;
    // Texts longer than the typing limits (20 and 25) come back whole.
    s.phoneNumber = "+44 (0) 1632 960 000 ext. 4321";  // 30 characters
    s.userName = "Night Owls of the Fourth Floor B";     // 32 characters
    s.tintR = 1;
    s.suspendTimeout = -3;
    s.useEscapeLmbExit = true;
    s.variance = 200;
    EXPECT_EQ(f.roundTrip(s), s);
}

TEST(SettingsDialogDefaults, SetTheControlsToTheirOwnDefaults) {
    DialogFixture f;
    Settings s;
    s.showTitle = false;
    s.userMode = 0;
    s.tintR = 9;
    s.suspendTimeout = 15;
    f.dialog.setValues(s);
    f.control<QPushButton>("defaultsButton")->click();
    Settings expected;
    expected.overallSpeed = 1200;  // position 7, not the loader's 2400
    expected.variance = 100;       // position 5, not the loader's 130
    EXPECT_EQ(f.dialog.values(s).value(), expected);
    EXPECT_EQ(f.control<QWidget>("tintSwatch")->palette().color(QPalette::Window),
              QColor(80, 248, 7));
}

TEST(SettingsDialogColours, SelectPresetsThePickerAndStoresItsAnswer) {
    DialogFixture f;
    const Settings s;
    f.dialog.setValues(s);
    f.pickerAnswers = {QColor(10, 20, 30), std::nullopt};
    f.control<QPushButton>("tintSelectButton")->click();
    f.control<QPushButton>("highlightSelectButton")->click();  // cancelled: nothing changes
    EXPECT_EQ(f.pickerPresets, (std::vector{QColor(80, 248, 7), QColor(230, 253, 157)}));
    EXPECT_EQ(f.control<QWidget>("tintSwatch")->palette().color(QPalette::Window),
              QColor(10, 20, 30));
    const Settings back = f.dialog.values(s).value();
    EXPECT_EQ((std::array{back.tintR, back.tintG, back.tintB}), (std::array{10, 20, 30}));
    EXPECT_EQ(back.highlightR, 230);
}

TEST(SettingsDialogSuspend, OnlyWholeNumbersCanBeTypedOrAccepted) {
    DialogFixture f;
    f.dialog.show();
    QLineEdit* edit = f.control<QLineEdit>("suspendEdit");
    edit->clear();
    QTest::keyClicks(edit, "1x2 -5");
    EXPECT_EQ(edit->text(), "125");

    // Text the validator lets through half-typed, or beyond 32 bits, refuses "&Ok".
    for (const char* text : {"", "-", "2147483648", "-2147483649"}) {
        edit->setText(text);
        f.control<QPushButton>("okButton")->click();
        EXPECT_TRUE(f.dialog.isVisible()) << text;
        EXPECT_FALSE(f.dialog.values(Settings{}).has_value()) << text;
    }
    ASSERT_EQ(f.messages.size(), 4);
    EXPECT_TRUE(f.messages[0].contains("Suspend After"));
    EXPECT_EQ(f.control<QTabWidget>("pages")->currentIndex(), 2);

    edit->setText("-2147483648");
    f.control<QPushButton>("okButton")->click();
    EXPECT_EQ(f.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(f.dialog.values(Settings{})->suspendTimeout, INT32_MIN);
}

TEST(SettingsDialogKeys, EnterPressesOnlyAFocusedButtonAndKeepsEdits) {
    DialogFixture f;
    Settings s;
    s.suspendTimeout = 15;
    f.dialog.setValues(s);
    f.dialog.show();
    f.dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.dialog));
    auto* pages = f.control<QTabWidget>("pages");
    const auto focusOn = [&](int page, const char* name) {
        pages->setCurrentIndex(page);
        QWidget* widget = f.control<QWidget>(name);
        widget->setFocus();
        EXPECT_EQ(QApplication::focusWidget(), widget) << name;
        return widget;
    };
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    for (const QPushButton* button : f.dialog.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
    }

    // Typing then Enter in each edit, and Enter on the pages' other controls.
    struct Typed {
        int page;
        const char* name;
        const char* text;
    };
    for (const Typed& typed : {Typed{2, "suspendEdit", "7"}, Typed{0, "phoneEdit", "1"},
                               Typed{0, "nameEdit", "x"}, Typed{0, "qt_tabwidget_tabbar", ""},
                               Typed{0, "showTitleCheck", ""}, Typed{1, "speedSlider", ""}}) {
        QWidget* widget = focusOn(typed.page, typed.name);
        QTest::keyClick(widget, Qt::Key_End);
        QTest::keyClicks(widget, typed.text);
        press(Qt::Key_Return);
        press(Qt::Key_Enter);
        ASSERT_TRUE(f.dialog.isVisible()) << typed.name;
    }
    EXPECT_EQ(f.control<QLineEdit>("suspendEdit")->text().toStdString(), "157");
    EXPECT_EQ(f.control<QLineEdit>("phoneEdit")->text().toStdString(), "55506901");
    EXPECT_EQ(f.control<QLineEdit>("nameEdit")->text().toStdString(), "Kelx");
    EXPECT_TRUE(f.messages.isEmpty());

    // A focused button takes Space and Enter.
    f.pickerAnswers = {std::nullopt};
    focusOn(1, "tintSelectButton");
    press(Qt::Key_Return);
    EXPECT_EQ(f.pickerPresets.size(), 1u);
    focusOn(0, "defaultsButton");
    press(Qt::Key_Space);
    EXPECT_EQ(f.control<QLineEdit>("phoneEdit")->text().toStdString(), "5550690");
    focusOn(0, "okButton");
    press(Qt::Key_Enter);
    EXPECT_FALSE(f.dialog.isVisible());
    EXPECT_EQ(f.dialog.result(), QDialog::Accepted);
}

TEST(SettingsDialogLayout, FixedTextsAreExactlyAsWritten) {
    DialogFixture f;
    EXPECT_EQ(test::windowTexts(f.dialog), test::kSettingsDialogTexts);
}

TEST(SettingsDialogLayout, FixedSizeLimitsAndTabOrder) {
    DialogFixture f;
    ASSERT_EQ(f.dialog.logicalDpiY(), 96);
    EXPECT_EQ(f.dialog.size(), QSize(290, 386));
    EXPECT_EQ(f.dialog.minimumSize(), f.dialog.maximumSize());
    // Controls stand where the layout in dialog units puts them at 96 dpi.
    EXPECT_EQ(f.control<QLineEdit>("nameEdit")->geometry(), QRect(156, 56, 89, 21));
    EXPECT_EQ(f.control<QLineEdit>("phoneEdit")->geometry(), QRect(172, 20, 73, 21));
    EXPECT_EQ(f.control<QPushButton>("defaultsButton")->geometry(), QRect(32, 356, 75, 25));
    EXPECT_EQ(f.control<QPushButton>("okButton")->geometry(), QRect(120, 356, 75, 25));
    EXPECT_EQ(f.control<QPushButton>("cancelButton")->geometry(), QRect(206, 356, 75, 25));
    const QLabel* minutes = nullptr;
    for (const QLabel* label : f.dialog.findChildren<QLabel*>()) {
        minutes = label->text() == "minutes" ? label : minutes;
    }
    ASSERT_NE(minutes, nullptr);
    EXPECT_EQ(minutes->pos(), QPoint(160, 26));
    // The limits hold for typing; a longer stored text may shrink but never grow back.
    QLineEdit* phone = f.control<QLineEdit>("phoneEdit");
    QLineEdit* name = f.control<QLineEdit>("nameEdit");
    phone->clear();
    QTest::keyClicks(phone, "0123456789 0123456789 0123456789");
    EXPECT_EQ(phone->text().toStdString(), "0123456789 012345678");
    Settings s;
    s.userName = std::string(32, 'n');
    f.dialog.setValues(s);
    EXPECT_EQ(name->text().toStdString(), s.userName);
    QTest::keyClick(name, Qt::Key_End);
    QTest::keyClicks(name, "x");
    EXPECT_EQ(name->text().size(), 32);
    QTest::keyClick(name, Qt::Key_Backspace);
    QTest::keyClicks(name, "xy");
    EXPECT_EQ(name->text().toStdString(), std::string(31, 'n'));
    name->selectAll();
    QTest::keyClicks(name, "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(name->text().toStdString(), "abcdefghijklmnopqrstuvwxy");

    f.dialog.show();
    f.dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.dialog));
    f.control<QPushButton>("defaultsButton")->setFocus();
    QStringList visited;
    for (int i = 0; i < 11; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // The notebook takes its stop on its tab bar; the radio buttons of one group take a
    // single stop, as Qt gives them.
    EXPECT_EQ(visited.join(' ').toStdString(),
              "defaultsButton okButton cancelButton qt_tabwidget_tabbar phoneEdit fixedNameRadio "
              "nameEdit showTitleCheck showIntroCheck movieDateRadio defaultsButton");
}

}  // namespace
}  // namespace orvane
