#include "config/about_box.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "config/credit_cipher.h"
#include "config_test_support.h"
#include "support/fixed_texts.h"
#include "host/ini_file.h"
#include "widgets/colour_button.h"

namespace orvane {
namespace {

struct AboutBoxTest : ::testing::Test {
    test::TempFolder folder;
    test::RecordingServices recorder;
    Settings settings;
    AboutBox box{settings, folder.file("TheOrvane.ini"), recorder.make(folder.path())};

    QLabel* label(const char* name) { return box.findChild<QLabel*>(name); }
    std::vector<QLabel*> slotLabels() {
        std::vector<QLabel*> labels;
        for (const char* name :
             {"creditSlot1", "creditSlot2", "creditSlot3", "creditSlot4", "linkLabel"}) {
            labels.push_back(label(name));
        }
        return labels;
    }
    std::vector<std::string> slotTexts() {
        std::vector<std::string> texts;
        for (const QLabel* slot : slotLabels()) {
            texts.push_back(slot->text().toStdString());
        }
        return texts;
    }
    static std::vector<std::string> setTexts(const CreditSet& set) {
        std::vector<std::string> texts;
        for (const ScrambledText& entry : set) {
            texts.push_back(decodeStream(entry.bytes, entry.key));
        }
        return texts;
    }
};

TEST_F(AboutBoxTest, BorderlessBoxOnTheGreenGradient) {
    ASSERT_EQ(box.logicalDpiY(), 96);
    EXPECT_EQ(box.size(), QSize(440, 302));
    EXPECT_TRUE(box.windowFlags() & Qt::FramelessWindowHint);
    // Both buttons wear the green face on the green panel.
    for (const char* name : {"okButton", "settingsButton"}) {
        const auto* button = box.findChild<ColourButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->colour(), QColor(0, 193, 0)) << name;
    }
    // Green at the top left fading to black at the bottom right.
    const QImage shown = box.grab().toImage();
    EXPECT_GT(qGreen(shown.pixel(20, 40)), 100);
    EXPECT_LT(qGreen(shown.pixel(420, 290)), 10);
}

TEST_F(AboutBoxTest, RunTimeLinesStandBelowWrittenBy) {
    const char* names[] = {"creditSlot1", "imagesLine", "creditSlot2",
                           "creditSlot3", "creditSlot4", "linkLabel"};
    const int tops[] = {120, 152, 168, 200, 216, 232};  // y0 = 104 + 16, h = 16
    for (int i = 0; i < 6; ++i) {
        ASSERT_NE(label(names[i]), nullptr) << names[i];
        EXPECT_EQ(label(names[i])->geometry().top(), tops[i]) << names[i];
        EXPECT_EQ(label(names[i])->width(), 440);  // centred across the box
    }
    // At 120 dpi: y0 = 130 + 20, h = 12 pt = 20 px.
    EXPECT_EQ(AboutBox::runTimeLineTops(120), (std::array{150, 190, 210, 250, 270, 290}));
}

TEST_F(AboutBoxTest, ShowingAndTheTimersFillTheSlots) {
    box.show();
    const std::vector<std::string> shown = slotTexts();
    EXPECT_EQ(shown, setTexts(kCreditSetA));
    const auto timers = box.findChildren<QTimer*>();
    ASSERT_EQ(timers.size(), 2);
    // Nothing moves: every tick of either timer writes the very texts the box opened with.
    // Each record is taken right after one tick and the slots are cleared behind it, so it
    // holds what that tick alone wrote.
    std::vector<std::vector<std::string>> afterTicks;
    std::array<int, 2> ticks{};
    for (int t = 0; t < 2; ++t) {
        EXPECT_TRUE(timers[t]->isActive());
        EXPECT_EQ(timers[t]->interval(), 1000);
        QObject::connect(timers[t], &QTimer::timeout, &box, [&, t] {
            ++ticks[t];
            afterTicks.push_back(slotTexts());
            for (QLabel* slot : slotLabels()) {
                slot->clear();
            }
        });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks[0] >= 2 && ticks[1] >= 2; }, 5000));
    for (const std::vector<std::string>& texts : afterTicks) {
        EXPECT_EQ(texts, shown);
    }
}

TEST_F(AboutBoxTest, FixedTextsAreExactlyAsWritten) {
    box.show();
    EXPECT_EQ(test::windowTexts(box, {"creditSlot1", "creditSlot2", "creditSlot3",
                                      "creditSlot4", "linkLabel"}),
              test::kAboutBoxTexts);
}

TEST_F(AboutBoxTest, OkClosesTheModalBox) {
    auto* ok = box.findChild<ColourButton*>("okButton");
    ASSERT_NE(ok, nullptr);
    QTimer::singleShot(0, ok, [ok] { QTest::mouseClick(ok, Qt::LeftButton); });
    EXPECT_EQ(box.exec(), QDialog::Accepted);
}

TEST_F(AboutBoxTest, SettingsButtonRunsTheEditCycle) {
    int runs = 0;
    recorder.run = [&runs](SettingsDialog& dialog) {
        ++runs;
        dialog.accept();
        return dialog.result();
    };
    auto* settingsButton = box.findChild<ColourButton*>("settingsButton");
    ASSERT_NE(settingsButton, nullptr);
    settingsButton->click();
    settingsButton->click();  // usable any number of times
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(settings.variance, 120);
    EXPECT_EQ(loadSettings(IniFile::load(folder.file("TheOrvane.ini"))).variance, 120);
}

TEST_F(AboutBoxTest, LinkClickOpensTheProjectPage) {
    box.show();
    QTest::mouseClick(label("linkLabel"), Qt::LeftButton);
    ASSERT_EQ(recorder.openedAddresses.size(), 1);
    EXPECT_EQ(recorder.openedAddresses[0], ORVANE_HOMEPAGE_URL);
    EXPECT_EQ(recorder.probeAtOpen, std::vector<bool>{false});
    QTest::mouseClick(label("creditSlot4"), Qt::LeftButton);  // other lines are no links
    EXPECT_EQ(recorder.openedAddresses.size(), 1);
}

}  // namespace
}  // namespace orvane
