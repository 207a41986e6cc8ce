#include "config/settings_edit.h"
#include "config/settings_form.h"

#include <algorithm>

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "config_test_support.h"
#include "host/ini_file.h"

namespace orvane {
namespace {

using test::readText;
using test::writeText;

constexpr const char* kDefaultFileText =
    "[Settings]\n"
    "PhoneNumber=5550690\n"
    "UserName=Kel\n"
    "UserMode=1\n"
    "ShowIntro=1\n"
    "ShowTitle=1\n"
    "DateTimeMode=0\n"
    "TintR=80\n"
    "TintG=248\n"
    "TintB=7\n"
    "HighlightR=230\n"
    "HighlightG=253\n"
    "HighlightB=157\n"
    "OverallSpeed=2400\n"
    "Density=4\n"
    "Variance=120\n"  // 130 opens on position 6
    "[PowerSave]\n"
    "SuspendTimeout=0\n"
    "UseEscapeLMBExit=0\n";

struct EditCycle : ::testing::Test {
    test::TempFolder folder;
    test::RecordingServices recorder;
    std::filesystem::path iniPath = folder.file("TheOrvane.ini");
    Settings settings;

    bool edit() { return editSettings(nullptr, settings, iniPath, recorder.make(folder.path())); }
    void answerOk() {
        recorder.run = [](SettingsDialog& dialog) {
            dialog.accept();
            return dialog.result();
        };
    }
};

TEST_F(EditCycle, OkWritesTheSeventeenKeysInTheWritersOrder) {
    answerOk();
    EXPECT_TRUE(edit());
    EXPECT_EQ(readText(iniPath), kDefaultFileText);
    EXPECT_EQ(settings.variance, 120);
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(EditCycle, RealModalLoopEndsWithOk) {
    // The desktop's own modal loop, ended by a click on "&Ok" from a timer.
    ConfigServices services = recorder.make(folder.path());
    services.runSettingsDialog = [](SettingsDialog& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.findChild<QSlider*>("speedSlider")->setValue(10);
            dialog.findChild<QPushButton*>("okButton")->click();
        });
        return dialog.exec();
    };
    EXPECT_TRUE(editSettings(nullptr, settings, iniPath, services));
    EXPECT_EQ(settings.overallSpeed, 0);
    EXPECT_EQ(IniFile::load(iniPath).value("Settings", "OverallSpeed"), "0");
    EXPECT_EQ(loadSettings(IniFile::load(iniPath)).overallSpeed, 400);
}

TEST_F(EditCycle, OtherLinesOfTheFileStayAsTheyWere) {
    writeText(iniPath,
              "; kept comment\n[Settings]\nUserMode=5\nExtra=keep me\nDensity=7\n"
              "[Other]\nKey=value\n");
    settings = loadSettings(IniFile::load(iniPath));
    answerOk();
    EXPECT_TRUE(edit());
    const std::string text = readText(iniPath);
    EXPECT_EQ(text.rfind("; kept comment\n[Settings]\nUserMode=2\nExtra=keep me\nDensity=7\n", 0),
              0u)
        << text;
    EXPECT_NE(text.find("[Other]\nKey=value\n"), std::string::npos);
    EXPECT_EQ(loadSettings(IniFile(text)).userMode, 2);
}

TEST_F(EditCycle, OkWritesBackTextsLongerThanTheTypingLimitsWhole) {
    const std::string phone = "0044 1632 960000 0044 1632 960";  // 30 characters, limit 20
    const std::string name = "The night shift of the 4th floor";  // 32 characters, limit 25
    writeText(iniPath, "[Settings]\nPhoneNumber=" + phone + "\nUserName=" + name + "\n");
    settings = loadSettings(IniFile::load(iniPath));
    answerOk();
    EXPECT_TRUE(edit());
    EXPECT_EQ(settings.phoneNumber, phone);
    EXPECT_EQ(IniFile::load(iniPath).value("Settings", "PhoneNumber"), phone);
    EXPECT_EQ(IniFile::load(iniPath).value("Settings", "UserName"), name);
}

TEST_F(EditCycle, DefaultsThenCancelChangesNothing) {
    writeText(iniPath, "[Settings]\nVariance=200\n");
    settings = loadSettings(IniFile::load(iniPath));
    const Settings before = settings;
    recorder.run = [](SettingsDialog& dialog) {
        dialog.findChild<QPushButton*>("defaultsButton")->click();
        dialog.findChild<QPushButton*>("cancelButton")->click();
        return dialog.result();
    };
    EXPECT_FALSE(edit());
    EXPECT_EQ(settings, before);
    EXPECT_EQ(readText(iniPath), "[Settings]\nVariance=200\n");
}

TEST_F(EditCycle, FailedSaveIsReportedAndKeepsTheOldFile) {
    writeText(iniPath, "[Settings]\nTintR=1\n");
    // The temporary file's place is taken by a folder, so the write fails even for root.
    std::filesystem::create_directory(folder.file(".TheOrvane.ini.tmp"));
    answerOk();
    EXPECT_FALSE(edit());
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_TRUE(recorder.messages[0].contains(QString::fromStdString(iniPath.string())));
    EXPECT_TRUE(recorder.messages[0].contains("Is a directory")) << recorder.messages[0].toStdString();
    EXPECT_EQ(readText(iniPath), "[Settings]\nTintR=1\n");
}

TEST_F(EditCycle, SaveMakesAMissingUserFolderOrSaysWhyNot) {
    EXPECT_EQ(saveSettings(settings, folder.file("new") / "TheOrvane" / "TheOrvane.ini"), "");
    writeText(folder.file("blocked"), "x");  // a file stands where the folder should be
    EXPECT_NE(saveSettings(settings, folder.file("blocked") / "TheOrvane.ini"), "");
}

// Only the first 16 MiB of a file are read: a save over a larger one, which would cut it
// short, is refused and the file kept as it was.
TEST_F(EditCycle, SaveNeverCutsAnOversizedFileShort) {
    constexpr std::size_t kLimit = 16 * 1024 * 1024;
    const std::string head = "[Settings]\nTintR=1\n[Other]\n";
    for (const std::size_t size : {kLimit, kLimit + 1}) {
        SCOPED_TRACE(size);
        const std::string text = head + std::string(size - head.size() - 1, ';') + "\n";
        writeText(iniPath, text);
        const std::string failure = saveSettings(settings, iniPath);
        const std::string after = readText(iniPath);
        if (size == kLimit) {
            EXPECT_EQ(failure, "");
            EXPECT_EQ(std::count(after.begin(), after.end(), ';'), size - head.size() - 1);
            EXPECT_EQ(loadSettings(IniFile::load(iniPath)), settings);
        } else {
            EXPECT_EQ(failure, "the existing file is larger than 16 MiB");
            EXPECT_TRUE(after == text);
        }
    }
}

TEST_F(EditCycle, InvalidSuspendTextNeverHalfSaves) {
    writeText(iniPath, "[Settings]\nShowTitle=1\n");
    recorder.run = [](SettingsDialog& dialog) {
        dialog.findChild<QLineEdit*>("suspendEdit")->setText("");
        dialog.findChild<QPushButton*>("okButton")->click();  // refused with a message
        dialog.findChild<QPushButton*>("cancelButton")->click();
        return dialog.result();
    };
    EXPECT_FALSE(edit());
    EXPECT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(settings, Settings{});
    EXPECT_EQ(readText(iniPath), "[Settings]\nShowTitle=1\n");
}

}  // namespace
}  // namespace orvane
